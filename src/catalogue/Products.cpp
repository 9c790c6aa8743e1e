#include "catalogue/Products.h"
#include "catalogue/DownloadInstaller.h"
#include "catalogue/Utility.h"
#include "app/Main.h"
#include "app/WebAddresses.h"
#include "platform/Platform.h"

namespace
{
bool hasTag (const juce::XmlElement& xml, const char* tag)
{
    return xml.getTagName().equalsIgnoreCase (tag);
}

// The kind of product an element describes, or null for any other element.
std::unique_ptr<ProductBase> productFor (const juce::XmlElement& xml, bool bundlesAllowed)
{
    if (hasTag (xml, "PLUGIN"))
        return std::make_unique<Plugin>();

    if (hasTag (xml, "EXE"))
        return std::make_unique<Executable>();

    if (bundlesAllowed && hasTag (xml, "BUNDLE"))
        return std::make_unique<Bundle>();

    return nullptr;
}

// Storage object names may hold "#", "?", "%" or other letters that would end or spoil an
// address: those are percent-encoded (as UTF-8); "/" still separates folders.
juce::String escapedPath (const juce::String& path)
{
    const juce::String keptAsTheyStand ("-._~!$&'()*+,;=:@/");
    juce::String escaped;

    for (auto* c = path.toRawUTF8(); *c != 0; ++c)
    {
        const auto byte = (unsigned char) *c;

        if (byte < 128 && (juce::CharacterFunctions::isLetterOrDigit ((char) byte) || keptAsTheyStand.containsChar (byte)))
            escaped << (char) byte;
        else
            escaped << '%' << "0123456789ABCDEF"[byte >> 4] << "0123456789ABCDEF"[byte & 15];
    }

    return escaped;
}

void giveOwnWorker (ProductBase& product, juce::OwnedArray<DownloadInstaller>& installers)
{
    product.downloader = installers.add (new DownloadInstaller (product.getDownloadUrl()));
}
}

//==============================================================================
void ProductBase::loadFromXmlBase (const juce::XmlElement& xml)
{
    name = xml.getStringAttribute ("name");
    nameView = xml.getStringAttribute ("nameView");
    category = xml.getStringAttribute ("category");
    version = xml.getStringAttribute ("version");
    file = xml.getStringAttribute ("file", name);
    folder = xml.getStringAttribute ("folder");
    isNoBundleAvailable = xml.getBoolAttribute ("isNoBundleAvailable");
    productPage = xml.getStringAttribute ("pruductPage");

    checkInstalled();
    checkVersion();

    if (! installed)
        installedVersion = version;

    const auto picture = MosaireApplication::getApp().imagesFolder.getChildFile (name).withFileExtension ("jpg");

    if (picture.existsAsFile())
        image = juce::ImageFileFormat::loadFrom (picture);
}

juce::URL ProductBase::getDownloadUrl()
{
    return WebAddresses::installerBase().getChildURL (escapedPath (folder))
                                        .getChildURL (escapedPath (name.replaceCharacter (' ', '_') + "_Mac.zip"));
}

//==============================================================================
bool Plugin::loadFromXml (const juce::XmlElement& xml)
{
    if (! hasTag (xml, "PLUGIN"))
        return false;

    loadFromXmlBase (xml);
    return true;
}

bool Executable::loadFromXml (const juce::XmlElement& xml)
{
    if (! hasTag (xml, "EXE"))
        return false;

    // The installed-state check inside the common reading still sees "file" (or the name).
    loadFromXmlBase (xml);
    file = xml.getStringAttribute ("fileMac");
    return true;
}

bool Bundle::loadFromXml (const juce::XmlElement& xml)
{
    if (! hasTag (xml, "BUNDLE"))
        return false;

    loadFromXmlBase (xml);

    for (auto* child : xml.getChildIterator())
        if (auto member = productFor (*child, false))
            if (member->loadFromXml (*child))
                members.add (member.release());

    return true;
}

//==============================================================================
juce::File Plugin::getBinaryPath()
{
    // VST3, then Audio Unit, then AAX: the first that exists. The poll asks several times a
    // second, so a later candidate's path is only formed when the earlier ones are missing.
    const auto vst3 = juce::File (MosaireApplication::ownSettings().getValue ("vst3Path", "/Library/Audio/Plug-Ins/VST3"))
                          .getChildFile (file).withFileExtension ("vst3");
    if (vst3.exists())
        return vst3;

    // The machine-wide folders never move while the program runs.
    static const auto audioUnitFolder = platform::machineLibraryFolder().getChildFile ("Audio/Plug-ins/Components");
    static const auto aaxFolder = platform::machineLibraryFolder().getChildFile ("Application Support/Avid/Audio/Plug-ins");

    const auto audioUnit = audioUnitFolder.getChildFile (file).withFileExtension ("component");
    if (audioUnit.exists())
        return audioUnit;

    const auto aax = aaxFolder.getChildFile (file).withFileExtension ("aaxplugin");
    if (aax.exists())
        return aax;

    return {};
}

juce::File Executable::getBinaryPath()
{
    return juce::File (MosaireApplication::ownSettings().getValue ("exePath", "/Applications")).getChildFile (file);
}

juce::File Bundle::getBinaryPath()
{
    return {};
}

//==============================================================================
// An empty juce::File never exists, so exists() also covers "no path to look at".

bool ProductBase::checkInstalled()
{
    const auto path = getBinaryPath();
    const auto present = path.exists();

    if (present == installed)
        return false;

    installed = present;
    installedVersion = present ? Utility::getVersion3Number (path) : version;
    return true;
}

bool ProductBase::checkVersion()
{
    const auto path = getBinaryPath();

    if (! path.exists())
        return false;

    const auto found = Utility::getVersion3Number (path);

    if (found.isEmpty() || found == installedVersion)
        return false;

    installedVersion = found;
    return true;
}

bool ProductBase::isOldVersion()
{
    return Utility::compareVersion (installedVersion, version) == -1;
}

int ProductBase::getState()
{
    if (downloader != nullptr && downloader->progress > -1.0)
        return 0;

    if (! installed)
        return 1;

    return isOldVersion() ? 2 : 3;
}

juce::String Bundle::getBundleVersion()
{
    juce::String highest;

    for (auto* member : members)
    {
        const auto path = member->getBinaryPath();

        if (! path.exists())
            continue;

        const auto memberVersion = Utility::getVersion3Number (path);

        if (Utility::compareVersion (highest, memberVersion) == -1)
            highest = memberVersion;
    }

    return highest;
}

bool Bundle::checkInstalled()
{
    bool anyChanged = false;

    // The bundle's own flag follows whichever member changed last, and keeps its value while none does.
    for (auto* member : members)
    {
        const auto present = member->getBinaryPath().exists();

        if (present != member->installed)
        {
            member->installed = present;
            installed = present;
            anyChanged = true;
        }
    }

    installedVersion = installed ? getBundleVersion() : version;
    return anyChanged;
}

bool Bundle::checkVersion()
{
    const auto highest = getBundleVersion();

    if (highest.isEmpty() || highest == installedVersion)
        return false;

    installedVersion = highest;
    return true;
}

int Bundle::getState()
{
    if (downloader != nullptr && downloader->progress > -1.0)
        return 0;

    for (auto* member : members)
        if (! member->installed)
            return 1;

    return isOldVersion() ? 2 : 3;
}

//==============================================================================
void loadProductsFromXml (const juce::XmlElement& root,
                          juce::Array<ProductBase*>& products,
                          juce::OwnedArray<ProductBase>& allProducts,
                          juce::OwnedArray<DownloadInstaller>& installers)
{
    for (auto* child : root.getChildIterator())
    {
        auto product = productFor (*child, true);

        if (product == nullptr || ! product->loadFromXml (*child))
            continue;

        auto* listed = allProducts.add (product.release());
        giveOwnWorker (*listed, installers);
        products.add (listed);

        if (auto* bundle = dynamic_cast<Bundle*> (listed))
        {
            for (auto* member : bundle->members)
            {
                allProducts.add (member);

                if (member->isNoBundleAvailable)
                {
                    giveOwnWorker (*member, installers);
                    products.add (member);
                }
            }
        }
    }
}
