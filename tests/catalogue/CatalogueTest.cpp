#include <gtest/gtest.h>
#include <typeinfo>
#include "catalogue/DownloadInstaller.h"
#include "catalogue/Products.h"
#include "catalogue/Utility.h"
#include "platform/Platform.h"
#include "support/TestEnvironment.h"

using namespace testsupport;

TEST (VersionRanking, RanksByTheNumberTheDigitsFormWithoutOverflow)
{
    const std::tuple<const char*, const char*, int> cases[] = {
        { "1.10.0", "1.9.9", 1 },
        { "1.2.10", "1.3.0", 1 },
        { "1.2.", "1.2.0", -1 },
        { "1.23", "12.3", 0 },
        { "1.0.0b2", "1.0.0", 0 },
        { "", "0", 0 },
        { "", "1.0.0", -1 },
        { "beta", "0", 0 },
        { " 1.0", "9", 1 },
        { "-1.0", "0", -1 },
        { "99999.99999.99999", "1.0.0", 1 },
        { "1.0.0", "9223372036854775808", -1 },
        { "2147.483.647", "99999.99999.99999", 0 },
        { "-99999999999999999999", "0", -1 },
    };
    for (const auto& [a, b, expected] : cases)
        EXPECT_EQ (Utility::compareVersion (a, b), expected) << a << " vs " << b;
}

TEST (BundleVersion, IsTheLastShortVersionOfTheTopDictCutToThreeParts)
{
    const auto v = [] (const char* version) { return infoPlistWithVersion (version); };
    const auto dict = [] (const juce::String& entries) { return "<plist><dict>" + entries + "</dict></plist>"; };
    const juce::String key = "<key>CFBundleShortVersionString</key>", one = key + "<string>1.0.0</string>";
    const std::pair<juce::String, const char*> cases[] = {
        { v ("1.2.3"), "1.2.3" }, { v ("1.2"), "1.2." }, { v ("7"), "7.." }, { v ("1.2.3.4"), "1.2.3" }, { v ("2.0.1."), "2.0.1" },
        { v ("1..3"), "1..3" }, { v (" 1.2 "), " 1.2 ." }, { v (""), "" }, { "bplist00\x01\x02", "" }, { "<plist><array/></plist>", "" },
        { dict (key), "" }, { dict (one.replace ("CFBundle", "cfbundle")), "" }, { "<plist><outer><dict>" + one + "</dict></outer></plist>", "" },
        { "<PLIST><DICT><KEY>CFBundleShortVersionString</KEY><String>4.5.6</String></DICT></PLIST>", "4.5.6" }, { dict (one + key), "1.0.0" },
        { dict (one + key + "<string>2.0.0</string>"), "2.0.0" }, { dict (key + "<date>x</date><string>3.1.4</string>"), "3.1.4" } };

    const auto bundle = ScopedTestHome::root().getChildFile ("Some.vst3");
    EXPECT_EQ (Utility::getVersion3Number (bundle) + Utility::getVersion3Number ({}), "");
    for (const auto& [plist, expected] : cases)     // one bundle rewritten: each version is read anew
        EXPECT_EQ (Utility::getVersion3Number (writeBundle (bundle, plist)), expected) << plist;
}

// The running application, the arrays the main component fills from a catalogue, and the one folder the settings name.
class Catalogue : public AppTest
{
protected:
    void load (const juce::String& elements)
    {
        appSettings().setValue ("vst3Path", folder.getFullPathName());
        appSettings().setValue ("exePath", folder.getFullPathName());
        loadProductsFromXml (*juce::parseXML ("<INSTALLATION_MANAGER>" + elements + "</INSTALLATION_MANAGER>"), products, all, workers);
    }

    void install (const juce::String& name, const char* version)  { install (folder.getChildFile (name), version); }
    void install (const juce::File& bundle, const char* version)     // no version: removed
    {
        version == nullptr ? (void) bundle.deleteRecursively()
                           : (void) writeBundle (bundle, infoPlistWithVersion (version));
    }

    // One tick of the main component's poll: whether it saw a change.
    static bool tick (ProductBase& p)  { const auto installedChanged = p.checkInstalled(); return p.checkVersion() || installedChanged; }

    const juce::File folder = ScopedTestHome::home().getChildFile ("Installed");
    juce::OwnedArray<DownloadInstaller> workers;
    juce::OwnedArray<ProductBase> all;
    juce::Array<ProductBase*> products;
};

TEST_F (Catalogue, IsReadWithTagsInAnyCaseDefaultsAndMembersListedOnlyWhenAvailableAlone)
{
    install ("Given.app", "2.0.0");
    juce::String members;
    for (auto value : { "true", "yes", "1", " Y", "T", "false", "no", "0", "on", "" })
        members << "<PLUGIN name=\"" << value << "\" isNoBundleAvailable=\"" << value << "\"/>";
    load ("<plugin name=\" Synth\" nameView=\"View\" category=\"Fx\" version=\"1.2.3\" folder=\"fx\" pruductPage=\"https://x/p\"/>"
          "<PLUGIN name=\"S\" file=\"\" Version=\"9\" productPage=\"x\"/><SOMETHING name=\"X\"/>text"
          "<Exe name=\"Tool\" file=\"Given.app\"/><EXE name=\"Tool\" file=\"Given.app\" fileMac=\"T.app\"/>"
          "<bundle name=\"Studio Bundle\" folder=\"b\">" + members + "<BUNDLE name=\"N\"/><other/><exe name=\"Hidden\"/></bundle>");

    // Kind name|nameView|category|version|file|productPage|installedVersion|installer. Reading looks for "file", then takes "fileMac".
    juce::StringArray rows;
    for (auto* p : products)
        rows.add (juce::String (typeid (*p).name()).trimCharactersAtStart ("0123456789") + " " + p->name + "|" + p->nameView + "|"
                  + p->category + "|" + p->version + "|" + p->file + "|" + p->productPage + "|" + p->installedVersion + "|"
                  + p->downloader->installerUrl.toString (false).fromFirstOccurrenceOf ("/installer/", false, false));
    EXPECT_EQ (rows.joinIntoString ("\n"), juce::StringArray ({ "Plugin  Synth|View|Fx|1.2.3| Synth|https://x/p|1.2.3|fx/_Synth_Mac.zip",
                                          "Plugin S|||||||S_Mac.zip", "Executable Tool||||||2.0.0|Tool_Mac.zip",
                                          "Executable Tool||||T.app||2.0.0|Tool_Mac.zip", "Bundle Studio Bundle||||Studio Bundle|||b/Studio_Bundle_Mac.zip",
                                          "Plugin true||||true|||true_Mac.zip", "Plugin yes||||yes|||yes_Mac.zip",
                                          "Plugin 1||||1|||1_Mac.zip", "Plugin  Y|||| Y|||_Y_Mac.zip", "Plugin T||||T|||T_Mac.zip" }).joinIntoString ("\n"));
    EXPECT_EQ (juce::String (all.size()) + " " + juce::String (workers.size()), "16 10");
}

TEST_F (Catalogue, PluginAndBundleStatesFollowTheBundlesOnDiskTickByTick)
{
    install ("B.vst3", "1.1.0");
    load ("<PLUGIN name=\"Synth\" version=\"1.2.0\"/><BUNDLE name=\"Pack\" version=\"1.2.0\"><PLUGIN name=\"Synth\"/><PLUGIN name=\"B\"/></BUNDLE>"
          "<EXE name=\"Tool\" fileMac=\"Tool.app\"/>");
    auto& synth = *products[0];
    auto& pack = dynamic_cast<Bundle&> (*products[1]);

    // Version written (null: removed), then whether the plug-in's tick saw a change and what the plug-in, the bundle
    // and its member (never polled itself) show: version and state (1 missing, 2 old, 3 latest).
    const std::pair<const char*, const char*> steps[] = {
        { nullptr, "0 1.2.0 1 1.1.0 1 1" }, { "1.0.0", "1 1.0.0 2 1.1.0 2 3" }, { "1.0.0", "0 1.0.0 2 1.1.0 2 3" }, { "1.2", "1 1.2. 2 1.1.0 2 3" },
        { "1.10.0", "1 1.10.0 3 1.10.0 3 3" }, { "", "0 1.10.0 3 1.1.0 2 3" }, { nullptr, "1 1.2.0 1 1.1.0 1 1" }, { "", "1  2 1.1.0 2 3" } };
    for (const auto& [written, expected] : steps)
    {
        install ("Synth.vst3", written);
        juce::String shown;
        shown << (int) tick (synth) << " " << synth.installedVersion << " " << synth.getState() << " ";
        tick (pack);
        shown << pack.installedVersion << " " << pack.getState() << " " << pack.members[0]->getState();
        EXPECT_EQ (shown, expected) << (written == nullptr ? "removed" : written);
    }

    synth.downloader->progress = pack.downloader->progress = 0.0;
    EXPECT_EQ (synth.getState() + pack.getState(), 0);

    // Folders the settings name anew are looked in at the next tick.
    install ("Other/Synth.vst3", "1.2.0");
    install ("Other/Tool.app", "1.0.0");
    appSettings().setValue ("vst3Path", folder.getChildFile ("Other").getFullPathName());
    appSettings().setValue ("exePath", folder.getChildFile ("Other").getFullPathName());
    EXPECT_TRUE (tick (synth) && tick (*products[2]));
}

TEST_F (Catalogue, PluginIsInstalledAsTheFirstOfItsVst3AudioUnitAndAaxBundles)
{
    const auto library = platform::machineLibraryFolder();
    const juce::File bundles[] = { folder.getChildFile ("Synth.vst3"),
                                   library.getChildFile ("Audio/Plug-ins/Components/Synth.component"),
                                   library.getChildFile ("Application Support/Avid/Audio/Plug-ins/Synth.aaxplugin") };
    load ("<PLUGIN name=\"Synth\" version=\"9.0.0\"/>");
    auto& synth = *products[0];

    // Versions of the VST3, Audio Unit and AAX bundles (-: none), then the installed flag and version after a tick.
    const std::pair<const char*, const char*> cases[] = {
        { "- 2.0.0 -", "1 2.0.0" },
        { "- - 3.0.0", "1 3.0.0" },
        { "- 2.0.0 3.0.0", "1 2.0.0" },
        { "1.0.0 2.0.0 3.0.0", "1 1.0.0" },
        { "1.0.0 - 3.0.0", "1 1.0.0" },
        { "- - -", "0 9.0.0" },
    };
    for (const auto& [written, expected] : cases)
    {
        SCOPED_TRACE (written);
        const auto versions = juce::StringArray::fromTokens (written, false);
        for (int i = 0; i < 3; ++i)
            install (bundles[i], versions[i] == "-" ? nullptr : versions[i].toRawUTF8());
        tick (synth);
        EXPECT_EQ (juce::String ((int) synth.installed) + " " + synth.installedVersion, juce::String (expected));
    }
}

TEST_F (Catalogue, FoldersNotSetAreTheSystemsPluginAndApplicationsFolders)
{
    load ("<EXE name=\"Tool\" fileMac=\"Tool.app\"/><PLUGIN name=\"Mosaire Test Synth\"/>");
    appSettings().removeValue ("exePath");
    appSettings().removeValue ("vst3Path");
    EXPECT_EQ (products[0]->getBinaryPath().getFullPathName(), "/Applications/Tool.app");

    // A plug-in is only found where its bundle exists: one is made in the system folder, where this user may write.
    const juce::File bundle ("/Library/Audio/Plug-Ins/VST3/Mosaire Test Synth.vst3");
    auto firstMade = bundle;
    for (auto f = bundle.getParentDirectory(); ! f.exists(); f = f.getParentDirectory())
        firstMade = f;
    const juce::ScopeGuard removeWhatWasMade { [&] { firstMade.deleteRecursively(); } };
    if (! writeBundle (bundle, infoPlistWithVersion ("1.0.0")).exists())
        GTEST_SKIP() << "cannot write " << bundle.getFullPathName();
    EXPECT_EQ (products[1]->getBinaryPath(), bundle);
}
