#include <gtest/gtest.h>
#include <sys/stat.h>
#include "support/TestEnvironment.h"

using namespace testsupport;

namespace
{
int modeOf (const juce::File& file)
{
    struct stat info {};
    if (::stat (file.getFullPathName().toRawUTF8(), &info) != 0)
        return -1;
    return (int) (info.st_mode & 0777);
}
}

class Settings : public AppTest {};

TEST_F (Settings, FreshStartGivesEveryDefault)
{
    EXPECT_EQ (appSettings().getValue ("xmlAppProducts"), "");
    EXPECT_EQ (appSettings().getIntValue ("productUpdateCount", -1), -1);
    EXPECT_EQ (appSettings().getValue ("vst3Path", "/Library/Audio/Plug-Ins/VST3"), "/Library/Audio/Plug-Ins/VST3");
    EXPECT_EQ (appSettings().getValue ("exePath", "/Applications"), "/Applications");
    EXPECT_TRUE (appSettings().getBoolValue ("installerAutoLaunch", true));
    EXPECT_EQ (globalSettings().getValue (KV::persistLoginMail), "");
    EXPECT_EQ (globalSettings().getValue (KV::persistLoginPassword), "");
}

TEST_F (Settings, FilesAndFoldersLiveWhereTheProgramLooksForThem)
{
    const auto folder = ScopedTestHome::home().getChildFile (".config/Solvanti Audio");
    EXPECT_EQ (appSettings().getFile(), folder.getChildFile ("Mosaire.settings"));
    EXPECT_EQ (globalSettings().getFile(), folder.getChildFile ("Global Plugins.settings"));
    EXPECT_EQ (app().imagesFolder, folder.getChildFile ("Mosaire Images"));
    EXPECT_FALSE (app().imagesFolder.exists());
    EXPECT_EQ (app().downloadFolder,
               ScopedTestHome::root().getChildFile ("tmp").getChildFile ("Solvanti Audio Mosaire"));
    EXPECT_TRUE (app().downloadFolder.isDirectory());
}

TEST_F (Settings, ValuesSurviveARestartAndKeysKeepTheirCase)
{
    appSettings().setValue ("vst3Path", "/tmp/vst3 folder");
    appSettings().setValue ("InstallerAutoLaunch", false);
    appSettings().setValue ("productUpdateCount", 7);
    globalSettings().setValue (KV::persistLoginMail, "me@example.com");
    globalSettings().setValue (KV::persistLoginPassword, "p&ss <w> \"rd\"");

    restartApp();

    EXPECT_EQ (appSettings().getValue ("vst3Path"), "/tmp/vst3 folder");
    EXPECT_EQ (appSettings().getIntValue ("productUpdateCount", -1), 7);
    EXPECT_TRUE (appSettings().getBoolValue ("installerAutoLaunch", true));
    EXPECT_FALSE (appSettings().getBoolValue ("InstallerAutoLaunch", true));
    EXPECT_EQ (globalSettings().getValue (KV::persistLoginMail), "me@example.com");
    EXPECT_EQ (globalSettings().getValue (KV::persistLoginPassword), "p&ss <w> \"rd\"");
}

TEST_F (Settings, AutoLaunchReadsZeroAsOffAndAnyOtherNumberAsOn)
{
    appSettings().setValue ("installerAutoLaunch", "0");
    EXPECT_FALSE (appSettings().getBoolValue ("installerAutoLaunch", true));
    appSettings().setValue ("installerAutoLaunch", "1");
    EXPECT_TRUE (appSettings().getBoolValue ("installerAutoLaunch", true));
    appSettings().setValue ("installerAutoLaunch", "5");
    EXPECT_TRUE (appSettings().getBoolValue ("installerAutoLaunch", true));
}

TEST_F (Settings, OnlyTheOwnerCanReadTheFiles)
{
    globalSettings().setValue (KV::persistLoginPassword, "secret");
    appSettings().setValue ("exePath", "/opt/apps");
    restartApp();   // shutting down writes both files

    EXPECT_EQ (modeOf (globalSettings().getFile()), 0600);
    EXPECT_EQ (modeOf (appSettings().getFile()), 0600);

    // A file left readable by an older run is tightened at the next start.
    ::chmod (globalSettings().getFile().getFullPathName().toRawUTF8(), 0644);
    restartApp();
    EXPECT_EQ (modeOf (globalSettings().getFile()), 0600);
    EXPECT_EQ (globalSettings().getValue (KV::persistLoginPassword), "secret");
}

TEST_F (Settings, ShutdownDeletesTheDownloadFolderWithItsContents)
{
    auto folder = app().downloadFolder;
    folder.getChildFile ("Installer.pkg").replaceWithText ("x");
    restartApp();
    EXPECT_TRUE (folder.isDirectory());
    EXPECT_FALSE (folder.getChildFile ("Installer.pkg").exists());
}
