#include <sys/stat.h>
#include "catalogue/DownloadInstaller.h"
#include "platform/Platform.h"
#include "support/TestEnvironment.h"

using namespace testsupport;

// The umask this process started with, before any test ran; and a file's permission bits (not a link's target's).
static const mode_t usualUmask = [] { const auto mask = ::umask (022); ::umask (mask); return mask; }();
static int modeOf (const juce::File& f)  { struct stat s {}; ::lstat (f.getFullPathName().toRawUTF8(), &s); return s.st_mode & 0777; }

TEST_F (AppTest, OpenerOpensOnlyWebAddressesAndAbsolutePathsAsOneArgumentWithoutAShell)
{
    StubOpener opener;
    for (auto* target : { "-x", "--help", "file:///tmp/a.desktop", "javascript:alert(1)", "ftp://h/x", "relative/path", "" })
        EXPECT_FALSE (platform::openWithDefaultHandler (target)) << target;

    int opened = 0;
    for (auto* target : { "http://a/b?c=d e", "HTTPS://h/", "/abs/path with space", "https://h/?c=$(id)&d=`id`",
                          "/tmp/In`id`st; rm -rf x 'q' \"d\" |$HOME.pkg" })
        EXPECT_TRUE (platform::openWithDefaultHandler (target) && opener.waitForCalls (++opened)
                     && opener.calls().getLast() == juce::StringArray (target)) << target;
    EXPECT_EQ (opener.calls().size(), opened);
    EXPECT_EQ (opener.umask(), juce::String::formatted ("%04o", (unsigned) usualUmask));   // the program's settings left it
}

// The settings hold the password; nothing else the program writes is narrowed with them.
TEST_F (AppTest, OnlyTheSettingsFolderIsTheOwnersAlone)
{
    const auto folder = ScopedTestHome::home().getChildFile (".config/Solvanti Audio");
    const juce::File files[] = { folder, folder.getChildFile ("Mosaire.settings"), folder.getChildFile ("Global Plugins.settings") };
    appSettings().setValue ("exePath", "/opt/apps");
    globalSettings().setValue (KV::persistLoginPassword, "secret");
    ::chmod (folder.getFullPathName().toRawUTF8(), 0755);   // as older runs left it
    restartApp();   // shutting down writes both files, readable by others; starting again narrows them
    for (auto& file : files)
        EXPECT_EQ (modeOf (file), file == folder ? 0700 : 0600) << file.getFileName();

    const auto installer = app().downloadFolder.getChildFile ("Installer.pkg"), copy = folder.getSiblingFile ("Copy.pkg");
    installer.replaceWithText ("x");
    DownloadInstaller::copyInstallerTo (installer, juce::URL (copy));
    EXPECT_EQ (modeOf (copy), (int) (0644 & ~usualUmask));
}

// The temporary directory is shared: a folder of that name that is a link or open to others is never used.
TEST (DownloadFolder, IsAPrivateFolderOfOurOwnRemovedAtShutdown)
{
    const auto named = ScopedTestHome::root().getChildFile ("tmp/Solvanti Audio Mosaire"), elsewhere = ScopedTestHome::home();
    for (const juce::String premade : { "nothing", "own leftover", "folder open to all", "link" })
    {
        SCOPED_TRACE (premade);
        if (premade == "link")
            elsewhere.createSymbolicLink (named, true);
        else if (premade != "nothing")
            named.createDirectory(), ::chmod (named.getFullPathName().toRawUTF8(), premade == "own leftover" ? 0700 : 0777);

        MosaireApplication app;
        app.openSettingsAndFolders();
        EXPECT_EQ (app.downloadFolder == named, premade == "nothing" || premade == "own leftover");
        EXPECT_TRUE (app.downloadFolder.isDirectory() && modeOf (app.downloadFolder) == 0700);   // lstat: no link
        app.downloadFolder.getChildFile ("Installer.pkg").replaceWithText ("x");
        app.shutdown();
        EXPECT_FALSE (app.downloadFolder.exists() || elsewhere.getChildFile ("Installer.pkg").exists());
    }
}
