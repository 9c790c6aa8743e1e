#include "support/TestEnvironment.h"

#include <cstdlib>

namespace testsupport
{
static juce::File testRoot;

ScopedTestHome::ScopedTestHome()
{
    char pattern[] = "/tmp/mosaire-test-XXXXXX";
    testRoot = juce::File (juce::String (::mkdtemp (pattern)));

    for (auto* folder : { "home", "tmp", "bin" })
        testRoot.getChildFile (folder).createDirectory();

    ::setenv ("HOME", home().getFullPathName().toRawUTF8(), 1);
    ::setenv ("TMPDIR", testRoot.getChildFile ("tmp").getFullPathName().toRawUTF8(), 1);
    ::unsetenv ("XDG_CONFIG_HOME");
    ::unsetenv ("XDG_DESKTOP_DIR");
    ::setenv ("PATH", (binFolder().getFullPathName() + ":" + ::getenv ("PATH")).toRawUTF8(), 1);
}

juce::File ScopedTestHome::root()  { return testRoot; }

bool pumpUntil (const std::function<bool()>& condition, int timeoutMs)
{
    const auto end = juce::Time::getMillisecondCounter() + (juce::uint32) timeoutMs;

    while (! condition())
        if (juce::Time::getMillisecondCounter() > end)
            return condition();
        else
            pumpFor (5);

    return true;
}

// Each call's arguments end with \037, each call with \036.
StubOpener::StubOpener()
{
    const auto logPath = log.getFullPathName().quoted ('\'');
    auto script = ScopedTestHome::binFolder().getChildFile ("xdg-open");
    script.replaceWithText ("#!/bin/sh\numask > " + log.withFileExtension ("umask").getFullPathName().quoted ('\'')
                            + "\nprintf '%s\\037' \"$@\" >> " + logPath + "\nprintf '\\036' >> " + logPath + "\n", false, false, "\n");
    script.setExecutePermission (true);
}

juce::Array<juce::StringArray> StubOpener::calls() const
{
    juce::Array<juce::StringArray> result;

    for (auto& call : juce::StringArray::fromTokens (log.loadFileAsString().upToLastOccurrenceOf ("\036", false, false), "\036", ""))
        result.add (juce::StringArray::fromTokens (call.upToLastOccurrenceOf ("\037", false, false), "\037", ""));

    return result;
}

juce::File writeBundle (const juce::File& bundle, const juce::String& infoPlistText)
{
    auto plist = bundle.getChildFile ("Contents/Info.plist");
    plist.getParentDirectory().createDirectory();
    plist.replaceWithText (infoPlistText);
    return bundle;
}

juce::MemoryBlock zipOf (std::initializer_list<std::pair<juce::String, juce::String>> entries, int compression)
{
    juce::ZipFile::Builder builder;
    for (auto& [path, text] : entries)
        builder.addEntry (new juce::MemoryInputStream (text.toRawUTF8(), text.getNumBytesAsUTF8(), true), compression, path,
                          juce::Time (2020, 0, 1, 0, 0));
    juce::MemoryOutputStream out;
    return builder.writeToStream (out, nullptr), out.getMemoryBlock();
}

juce::String infoPlistWithVersion (const juce::String& version)
{
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\">\n<dict>\n"
           "  <key>CFBundleShortVersionString</key>\n  <string>" + version + "</string>\n</dict>\n</plist>\n";
}
}
