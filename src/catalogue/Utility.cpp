#include "catalogue/Utility.h"

#include <climits>

namespace
{
juce::XmlElement* findFirstChildTagIgnoringCase (juce::XmlElement& parent, juce::StringRef tag)
{
    for (auto* child : parent.getChildIterator())
        if (child->getTagName().equalsIgnoreCase (tag))
            return child;

    return nullptr;
}

juce::XmlElement* findNextSiblingTagIgnoringCase (juce::XmlElement& element, juce::StringRef tag)
{
    for (auto* sibling = element.getNextElement(); sibling != nullptr; sibling = sibling->getNextElement())
        if (sibling->getTagName().equalsIgnoreCase (tag))
            return sibling;

    return nullptr;
}

juce::String readShortVersionString (const juce::File& infoPlist)
{
    auto document = juce::XmlDocument (infoPlist).getDocumentElement();

    if (document == nullptr)
        return {};

    auto* dict = findFirstChildTagIgnoringCase (*document, "dict");

    if (dict == nullptr)
        return {};

    juce::String version;

    // A later key replaces what an earlier one gave.
    for (auto* child : dict->getChildIterator())
        if (child->getTagName().equalsIgnoreCase ("key")
             && child->getAllSubText() == "CFBundleShortVersionString")
            if (auto* value = findNextSiblingTagIgnoringCase (*child, "string"))
                version = value->getAllSubText();

    return version;
}

// Reads like atoi, but saturates instead of overflowing, so over-long versions still rank.
int toSaturatedInt (const juce::String& text)
{
    auto* p = text.toRawUTF8();

    while (*p == ' ' || (*p >= '\t' && *p <= '\r'))
        ++p;

    const bool negative = (*p == '-');

    if (*p == '-' || *p == '+')
        ++p;

    long long value = 0;

    for (; *p >= '0' && *p <= '9'; ++p)
    {
        value = value * 10 + (*p - '0');

        if (value > (long long) INT_MAX + 1)
            value = (long long) INT_MAX + 1;
    }

    if (negative)
        return (int) -value;

    return (int) juce::jmin (value, (long long) INT_MAX);
}
}

namespace Utility
{
juce::String getVersion3Number (juce::File bundle)
{
    auto version = readShortVersionString (bundle.getChildFile ("Contents").getChildFile ("Info.plist"));

    if (version.isEmpty())
        return {};

    juce::StringArray parts;
    parts.addTokens (version, ".", "");

    return parts[0] + "." + parts[1] + "." + parts[2];
}

int compareVersion (juce::String a, juce::String b)
{
    const auto first = toSaturatedInt (a.removeCharacters ("."));
    const auto second = toSaturatedInt (b.removeCharacters ("."));

    if (first > second)
        return 1;

    return first == second ? 0 : -1;
}
}
