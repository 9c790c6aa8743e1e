#include "catalogue/ProductFixture.h"

using namespace testsupport;

namespace
{
enum DisplayState { downloading = 0, notInstalled = 1, updateAvailable = 2, latestVersion = 3 };
}

class InstalledState : public ProductTest
{
protected:
    ProductBase& first()  { return *products.getFirst(); }
    Bundle& bundle()      { return *dynamic_cast<Bundle*> (products.getFirst()); }
};

TEST_F (InstalledState, PluginVersionOnDiskIsSeenAtTheNextTick)
{
    loadCatalogue ("<PLUGIN name=\"Synth\" version=\"1.2.0\"/>");
    EXPECT_EQ (first().installedVersion, "1.2.0");
    EXPECT_EQ (first().getState(), notInstalled);

    install (vst3Folder(), "Synth.vst3", "1.0.0");
    EXPECT_TRUE (pollTick (first()));
    EXPECT_EQ (first().installedVersion, "1.0.0");
    EXPECT_EQ (first().getState(), updateAvailable);
    EXPECT_FALSE (pollTick (first()));

    install (vst3Folder(), "Synth.vst3", "1.2");     // read as "1.2.", which ranks below 1.2.0
    EXPECT_FALSE (first().checkInstalled());
    EXPECT_TRUE (first().checkVersion());
    EXPECT_EQ (first().getState(), updateAvailable);

    install (vst3Folder(), "Synth.vst3", "1.10.0");
    EXPECT_TRUE (pollTick (first()));
    EXPECT_EQ (first().getState(), latestVersion);

    install (vst3Folder(), "Synth.vst3", "");      // an unreadable version keeps the last one read
    EXPECT_FALSE (pollTick (first()));
    EXPECT_EQ (first().installedVersion, "1.10.0");

    vst3Folder().getChildFile ("Synth.vst3").deleteRecursively();
    EXPECT_TRUE (pollTick (first()));
    EXPECT_EQ (first().installedVersion, "1.2.0");
    EXPECT_EQ (first().getState(), notInstalled);
}

TEST_F (InstalledState, InstalledFileWithoutAReadableVersionCountsAsOld)
{
    writeBundle (vst3Folder().getChildFile ("Plain.vst3"), "bplist00 binary");
    appsFolder().createDirectory();
    loadCatalogue ("<PLUGIN name=\"Plain\" version=\"1.0.0\"/><EXE name=\"Tool\" version=\"1.0.0\"/>");

    EXPECT_TRUE (products[0]->installed);
    EXPECT_EQ (products[0]->installedVersion, "");
    EXPECT_EQ (products[0]->getState(), updateAvailable);

    // Without "fileMac" the application's path is the applications folder itself, found from the
    // first tick on (reading still looked for the name).
    EXPECT_FALSE (products[1]->installed);
    EXPECT_TRUE (pollTick (*products[1]));
    EXPECT_EQ (products[1]->installedVersion, "");
    EXPECT_EQ (products[1]->getState(), updateAvailable);
}

TEST_F (InstalledState, PluginIsLookedForAsVst3ThenAudioUnitThenAax)
{
    install (vst3Folder(), "Synth 1.vst3", "1.0.0");
    install (vst3Folder(), "Synth 1.5.vst3", "9.9.9");     // the dot in "file" starts the extension
    install (componentsFolder(), "Synth 1.component", "2.0.0");
    install (aaxFolder(), "Synth 1.aaxplugin", "3.0.0");
    loadCatalogue ("<PLUGIN name=\"Synth\" file=\"Synth 1.5\" version=\"2.0.0\"/>");
    EXPECT_EQ (first().installedVersion, "1.0.0");

    vst3Folder().getChildFile ("Synth 1.vst3").deleteRecursively();
    EXPECT_FALSE (first().checkInstalled());
    EXPECT_TRUE (first().checkVersion());
    EXPECT_EQ (first().installedVersion, "2.0.0");

    componentsFolder().getChildFile ("Synth 1.component").deleteRecursively();
    EXPECT_TRUE (pollTick (first()));
    EXPECT_EQ (first().getBinaryPath(), aaxFolder().getChildFile ("Synth 1.aaxplugin"));
    EXPECT_EQ (first().installedVersion, "3.0.0");
}

TEST_F (InstalledState, ChangedFolderSettingsTakeEffectAtTheNextTick)
{
    const auto otherVst3 = ScopedTestHome::home().getChildFile ("Other VST3");
    const auto otherApps = ScopedTestHome::home().getChildFile ("Other Apps");
    install (otherVst3, "Synth.vst3", "1.0.0");
    install (otherApps, "Tool.app", "4.0.0");
    loadCatalogue ("<PLUGIN name=\"Synth\" version=\"1.0.0\"/><EXE name=\"Tool\" fileMac=\"Tool.app\" version=\"4.0.0\"/>");
    EXPECT_EQ (products[0]->getState(), notInstalled);
    EXPECT_EQ (products[1]->getState(), notInstalled);

    appSettings().setValue ("vst3Path", otherVst3.getFullPathName());
    appSettings().setValue ("exePath", otherApps.getFullPathName());
    for (auto* product : products)
    {
        EXPECT_TRUE (pollTick (*product));
        EXPECT_EQ (product->getState(), latestVersion);
    }
}

TEST_F (InstalledState, DownloadingOutranksEveryOtherState)
{
    install (vst3Folder(), "Synth.vst3", "1.0.0");
    loadCatalogue ("<PLUGIN name=\"Synth\" version=\"1.0.0\"/><BUNDLE name=\"Pack\"/>");

    for (auto* product : products)
    {
        product->downloader->progress = 0.0;
        EXPECT_EQ (product->getState(), downloading);
        product->downloader->progress = -1.0;
        EXPECT_EQ (product->getState(), latestVersion);
    }
}

TEST_F (InstalledState, BundleStateComesFromItsMembers)
{
    install (vst3Folder(), "A.vst3", "1.23");
    install (vst3Folder(), "B.vst3", "12.3");    // ranks equal to A: the earlier member's text stays
    loadCatalogue ("<BUNDLE name=\"Empty\" version=\"3.0.0\"/>"
                   "<BUNDLE name=\"Pack\" version=\"99.0.0\"><PLUGIN name=\"A\"/><PLUGIN name=\"B\"/><PLUGIN name=\"C\"/>"
                   "</BUNDLE>");
    auto& empty = *dynamic_cast<Bundle*> (products[0]);
    auto& pack = *dynamic_cast<Bundle*> (products[1]);

    EXPECT_FALSE (pollTick (empty));
    EXPECT_EQ (empty.getState(), latestVersion);

    EXPECT_EQ (pack.getBundleVersion(), "1.23.");
    pollTick (pack);
    EXPECT_EQ (pack.getState(), notInstalled);      // C is missing, though the others are in

    install (vst3Folder(), "C.vst3", "100.0.0");
    EXPECT_TRUE (pollTick (pack));
    EXPECT_TRUE (pack.installed);
    EXPECT_EQ (pack.installedVersion, "100.0.0");
    EXPECT_EQ (pack.getState(), latestVersion);
}

TEST_F (InstalledState, UntouchedBundleResetsItsVersionOnEveryTick)
{
    install (vst3Folder(), "A.vst3", "1.2.0");
    install (vst3Folder(), "B.vst3", "1.1.0");
    loadCatalogue ("<BUNDLE name=\"Pack\" version=\"1.0.0\"><PLUGIN name=\"A\"/><PLUGIN name=\"B\"/></BUNDLE>");

    // The members were installed when read, so none changes and the bundle's flag stays false.
    for (int tick = 0; tick < 2; ++tick)
    {
        EXPECT_FALSE (bundle().checkInstalled());
        EXPECT_EQ (bundle().installedVersion, "1.0.0");
        EXPECT_TRUE (bundle().checkVersion());
        EXPECT_EQ (bundle().installedVersion, "1.2.0");
        EXPECT_EQ (bundle().getState(), latestVersion);
    }
    EXPECT_FALSE (bundle().installed);

    // Once a member has gone and come back, the flag follows it and the resetting stops.
    vst3Folder().getChildFile ("A.vst3").deleteRecursively();
    EXPECT_TRUE (pollTick (bundle()));
    install (vst3Folder(), "A.vst3", "1.2.0");
    EXPECT_TRUE (pollTick (bundle()));
    EXPECT_TRUE (bundle().installed);
    EXPECT_FALSE (pollTick (bundle()));
    EXPECT_EQ (bundle().installedVersion, "1.2.0");
}

TEST_F (InstalledState, UnlistedMemberFollowsItsFileThroughTheBundle)
{
    loadCatalogue ("<BUNDLE name=\"Pack\" version=\"1.0.0\"><PLUGIN name=\"A\" version=\"2.0.0\"/></BUNDLE>");
    auto* member = bundle().members.getFirst();
    EXPECT_EQ (member->getState(), notInstalled);

    install (vst3Folder(), "A.vst3", "1.0.0");
    EXPECT_TRUE (pollTick (bundle()));
    EXPECT_EQ (member->installedVersion, "2.0.0");   // never polled itself
    EXPECT_EQ (member->getState(), latestVersion);

    vst3Folder().getChildFile ("A.vst3").deleteRecursively();
    EXPECT_TRUE (pollTick (bundle()));
    EXPECT_EQ (member->getState(), notInstalled);
}
