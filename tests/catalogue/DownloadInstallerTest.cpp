#include "catalogue/DownloadInstaller.h"

#include <unistd.h>
#include "catalogue/Products.h"
#include "support/LocalServer.h"
#include "support/TestEnvironment.h"
#include "MosaireConfig.h"

using namespace testsupport;

namespace
{
// A stored archive of one entry of random bytes, so that its size is what travels.
juce::MemoryBlock randomArchive (int numBytes)
{
    juce::MemoryBlock contents ((size_t) numBytes);
    juce::Random (42).fillBitsRandomly (contents.getData(), contents.getSize());

    juce::ZipFile::Builder builder;
    builder.addEntry (new juce::MemoryInputStream (contents, true), 0, "Big Installer.pkg", juce::Time::getCurrentTime());
    juce::MemoryOutputStream out;
    builder.writeToStream (out, nullptr);
    return out.getMemoryBlock();
}

juce::MemoryBlock installerArchive()
{
    juce::StringPairArray entries;
    entries.set ("Synth/Synth Installer.pkg", "installer payload");
    entries.set ("Synth/ReadMe.txt", "read me");
    return makeZip (entries);
}
}

class InstallerDownload : public AppTest, private juce::ChangeListener
{
protected:
    void SetUp() override
    {
        AppTest::SetUp();
        appSettings().removeValue ("installerAutoLaunch");   // as on a first start, in any test order
    }

    std::unique_ptr<DownloadInstaller> workerFor (const juce::String& url)
    {
        auto worker = std::make_unique<DownloadInstaller> (juce::URL (url));
        worker->addChangeListener (this);
        return worker;
    }

    std::unique_ptr<DownloadInstaller> workerServing (const juce::String& path, const juce::MemoryBlock& archive)
    {
        server.serve (path, archive);
        return workerFor (LocalServer::baseUrl() + path);
    }

    // What the product table's DOWNLOAD button does.
    static void start (DownloadInstaller& worker)
    {
        worker.stopRequested = false;
        worker.progress = 0.0;
        worker.startThread (juce::Thread::Priority::low);
    }

    // Starts a download and runs the message loop until the worker reports back; records every
    // progress value seen on the way.
    bool runToIdle (DownloadInstaller& worker, std::function<void()> whileRunning = {})
    {
        const auto before = changeMessages;
        seenProgress.clear();
        start (worker);

        return pumpUntil ([&]
        {
            if (changeMessages > before)
                return true;

            seenProgress.add (worker.progress);
            if (whileRunning)
                whileRunning();
            return false;
        }, 20000);
    }

    // Everything in the download folder, sorted, joined with "|".
    juce::String unpacked()
    {
        juce::StringArray names;
        for (auto& entry : juce::RangedDirectoryIterator (app().downloadFolder, true, "*", juce::File::findFilesAndDirectories))
            names.add (entry.getFile().getRelativePathFrom (app().downloadFolder));
        names.sort (false);
        return names.joinIntoString ("|");
    }

    LocalServer server;
    StubOpener opener;
    int changeMessages = 0;
    juce::Array<double> seenProgress;

private:
    void changeListenerCallback (juce::ChangeBroadcaster*) override  { ++changeMessages; }
};

TEST_F (InstallerDownload, CompletedDownloadOpensTheFirstEntryFromItsSubFolder)
{
    Plugin product;
    product.loadFromXml (*juce::parseXML ("<PLUGIN name=\"My Synth\" folder=\"synths\"/>"));
    server.serve ("/installer/synths/My_Synth_Mac.zip", installerArchive());
    auto worker = workerFor (product.getDownloadUrl().toString (false));

    ASSERT_TRUE (runToIdle (*worker));
    EXPECT_EQ (worker->installerFileName, "Synth/Synth Installer.pkg");
    EXPECT_EQ (unpacked(), "Synth|Synth/ReadMe.txt|Synth/Synth Installer.pkg");

    const auto installer = app().downloadFolder.getChildFile ("Synth/Synth Installer.pkg");
    EXPECT_EQ (installer.loadFileAsString(), "installer payload");
    ASSERT_TRUE (opener.waitForCalls (1));
    EXPECT_EQ (opener.calls()[0], juce::StringArray (installer.getFullPathName()));

    const auto request = server.requests().getLast();
    EXPECT_EQ (request["path"].toString(), "/installer/synths/My_Synth_Mac.zip");
    EXPECT_EQ (request["headers"]["accept"].toString(), "application/octet-stream");

    // Back to idle, and no late progress value overwrites it.
    pumpFor (200);
    EXPECT_EQ (worker->progress, -1.0);
}

TEST_F (InstallerDownload, ProgressRisesBlockByBlockAndWithoutALengthMayPassOne)
{
    auto slow = workerServing ("/installer/slow.zip", randomArchive (600000));
    server.setRule ("/installer/slow.zip", "slow", "65536,40");
    ASSERT_TRUE (runToIdle (*slow));

    juce::SortedSet<double> partial;
    for (int i = 0; i < seenProgress.size(); ++i)
    {
        EXPECT_GE (seenProgress[i], i > 0 ? seenProgress[i - 1] : 0.0);
        if (seenProgress[i] > 0.0 && seenProgress[i] < 1.0)
            partial.add (seenProgress[i]);
    }
    EXPECT_GE (partial.size(), 3);
    EXPECT_LE (seenProgress.getLast(), 1.0);

    // Measured against 1 MiB when the server announces no length.
    auto unannounced = workerServing ("/installer/nolength.zip", randomArchive (8 * 1024 * 1024));
    server.setRule ("/installer/nolength.zip", "nolength");
    ASSERT_TRUE (runToIdle (*unannounced));
    EXPECT_GT (juce::findMaximum (seenProgress.begin(), seenProgress.size()), 1.0);
    EXPECT_EQ (app().downloadFolder.getChildFile ("Big Installer.pkg").getSize(), 8 * 1024 * 1024);
    EXPECT_TRUE (opener.waitForCalls (2));
}

TEST_F (InstallerDownload, FailuresReturnToIdleWithoutOpeningAnything)
{
    server.serve ("/installer/error.zip", installerArchive());
    server.setRule ("/installer/error.zip", "status", "500");
    server.serve ("/installer/short.zip", installerArchive());
    server.setRule ("/installer/short.zip", "truncate", juce::String ((int) installerArchive().getSize() / 2));
    server.serve ("/installer/empty.zip", makeZip ({}));
    server.serve ("/installer/corrupt.zip", juce::String::repeatedString ("not an archive ", 5000));

    for (auto url : { LocalServer::baseUrl() + "/installer/missing.zip",
                      LocalServer::baseUrl() + "/installer/error.zip",
                      LocalServer::baseUrl() + "/installer/short.zip",
                      LocalServer::baseUrl() + "/installer/empty.zip",
                      LocalServer::baseUrl() + "/installer/corrupt.zip",
                      "http://" + juce::String (MosaireConfig::probeSites[0]) + "/nobody-listens.zip" })
    {
        SCOPED_TRACE (url);
        auto worker = workerFor (url);
        ASSERT_TRUE (runToIdle (*worker));
        EXPECT_EQ (worker->progress, -1.0);
        EXPECT_EQ (worker->installerFileName, "");
        EXPECT_EQ (worker->fileChooser, nullptr);
        EXPECT_TRUE (unpacked().isEmpty());
    }

    pumpFor (200);
    EXPECT_TRUE (opener.calls().isEmpty());
}

TEST_F (InstallerDownload, StopDropsTheTransferAndTheWorkerCanStartAgain)
{
    auto worker = workerServing ("/installer/slow.zip", randomArchive (2 * 1024 * 1024));
    server.setRule ("/installer/slow.zip", "slow", "65536,50");

    ASSERT_TRUE (runToIdle (*worker, [&] { if (worker->progress > 0.0) worker->stopRequested = true; }));
    EXPECT_LT (seenProgress.getLast(), 0.5);
    EXPECT_EQ (worker->progress, -1.0);
    EXPECT_TRUE (unpacked().isEmpty());

    server.clearRules();
    ASSERT_TRUE (runToIdle (*worker));
    EXPECT_EQ (unpacked(), "Big Installer.pkg");
    ASSERT_TRUE (opener.waitForCalls (1));
    EXPECT_EQ (opener.calls().size(), 1);
}

TEST_F (InstallerDownload, AHugeAnnouncedLengthReservesNoHugeBuffer)
{
    // A sparse file: the server announces 64 GiB and streams zeros, more than this machine has.
    auto archive = server.serve ("/installer/huge.zip", juce::String ("PK"));
    ASSERT_EQ (::truncate (archive.getFullPathName().toRawUTF8(), (off_t) 64 << 30), 0);
    auto worker = workerFor (LocalServer::baseUrl() + "/installer/huge.zip");

    ASSERT_TRUE (runToIdle (*worker, [&] { if (worker->progress > 0.0) worker->stopRequested = true; }));
    EXPECT_GT (seenProgress.getLast(), 0.0);
    EXPECT_LT (seenProgress.getLast(), 0.001);
    EXPECT_EQ (worker->progress, -1.0);
    EXPECT_TRUE (unpacked().isEmpty());
}

TEST_F (InstallerDownload, ExitRequestEndsABlockedTransferAtOnceAndSilently)
{
    server.serve ("/installer/stalled-body.zip", randomArchive (200000));
    server.setRule ("/installer/stalled-body.zip", "stallbody", "70000");
    server.serve ("/installer/stalled-answer.zip", installerArchive());
    server.setRule ("/installer/stalled-answer.zip", "stall");

    for (auto path : { "/installer/stalled-body.zip", "/installer/stalled-answer.zip" })
    {
        SCOPED_TRACE (path);
        auto worker = workerFor (LocalServer::baseUrl() + path);
        const auto before = changeMessages;
        start (*worker);
        pumpUntil ([&] { return worker->progress > 0.0; }, 1000);

        worker->signalThreadShouldExit();
        EXPECT_TRUE (worker->waitForThreadToExit (500));

        pumpFor (200);
        EXPECT_EQ (changeMessages, before);
        EXPECT_TRUE (unpacked().isEmpty());
    }
}

TEST_F (InstallerDownload, WithAutoLaunchOffTheSaveChooserIsOfferedInstead)
{
    appSettings().setValue ("installerAutoLaunch", false);
    auto worker = workerServing ("/installer/synth.zip", installerArchive());

    const auto saveDialogs = []
    {
        juce::Array<juce::FileChooserDialogBox*> dialogs;
        auto& desktop = juce::Desktop::getInstance();
        for (int i = 0; i < desktop.getNumComponents(); ++i)
            if (auto* box = dynamic_cast<juce::FileChooserDialogBox*> (desktop.getComponent (i)))
                if (box->getName() == "Save installer" && box->isVisible())
                    dialogs.add (box);
        return dialogs;
    };

    ASSERT_TRUE (runToIdle (*worker));
    ASSERT_NE (worker->fileChooser, nullptr);
    ASSERT_EQ (saveDialogs().size(), 1);

    // It starts on the Desktop with the installer's own name, without the archive's folder.
    auto* browser = dynamic_cast<juce::FileBrowserComponent*> (saveDialogs().getFirst()->getContentComponent()->getChildComponent (0));
    ASSERT_NE (browser, nullptr);
    EXPECT_EQ (browser->getSelectedFile (0),
               juce::File::getSpecialLocation (juce::File::userDesktopDirectory).getChildFile ("Synth Installer.pkg"));

    // A second download replaces the first chooser.
    auto* first = worker->fileChooser.get();
    ASSERT_TRUE (runToIdle (*worker));
    EXPECT_NE (worker->fileChooser.get(), first);
    EXPECT_EQ (saveDialogs().size(), 1);

    pumpFor (200);
    EXPECT_TRUE (opener.calls().isEmpty());
}

TEST (InstallerCopy, CopiesToTheChosenLocalFileOnly)
{
    const auto folder = ScopedTestHome::root().getChildFile ("copy");
    const auto installer = folder.getChildFile ("Installer.pkg");
    const auto target = folder.getChildFile ("Chosen.pkg");
    folder.createDirectory();
    installer.replaceWithText ("installer");

    DownloadInstaller::copyInstallerTo (installer, juce::URL());                              // cancelled
    DownloadInstaller::copyInstallerTo (installer, juce::URL ("https://www.example.com/x"));
    EXPECT_FALSE (target.exists());

    target.replaceWithText ("older file");
    DownloadInstaller::copyInstallerTo (installer, juce::URL (target));
    EXPECT_EQ (target.loadFileAsString(), "installer");

    DownloadInstaller::copyInstallerTo (installer, juce::URL (installer));
    EXPECT_EQ (installer.loadFileAsString(), "installer");

    // A missing installer leaves the chosen file alone.
    target.replaceWithText ("keep me");
    DownloadInstaller::copyInstallerTo (folder.getChildFile ("Gone.pkg"), juce::URL (target));
    EXPECT_EQ (target.loadFileAsString(), "keep me");
}

TEST_F (InstallerDownload, ArchiveEntriesNeverLandOutsideTheDownloadFolder)
{
    const auto outside = app().downloadFolder.getParentDirectory();
    const auto secret = ScopedTestHome::root().getChildFile ("secret.txt");
    secret.replaceWithText ("secret");
    const auto linkOnDisk = ScopedTestHome::root().getChildFile ("link-to-secret");
    ASSERT_TRUE (secret.createSymbolicLink (linkOnDisk, true));

    const auto archive = [&] (std::initializer_list<juce::String> paths)
    {
        juce::ZipFile::Builder builder;
        for (auto& path : paths)
        {
            if (path == "link")
                builder.addFile (linkOnDisk, 0, path);
            else
                builder.addEntry (new juce::MemoryInputStream (path.toRawUTF8(), path.getNumBytesAsUTF8(), true), 0,
                                  path, juce::Time::getCurrentTime());
        }
        juce::MemoryOutputStream out;
        builder.writeToStream (out, nullptr);
        return out.getMemoryBlock();
    };

    auto mixed = workerServing ("/installer/mixed.zip",
                                archive ({ "Installer.pkg", "../escaped.txt", "..\\escaped-too.txt",
                                           outside.getChildFile ("absolute.txt").getFullPathName(),
                                           "sub/../../escaped-through.txt", "link", "link/inner.txt", "after.txt" }));
    ASSERT_TRUE (runToIdle (*mixed));
    // The link entry is left out, so the entry below it makes an ordinary folder.
    EXPECT_EQ (unpacked(), "Installer.pkg|after.txt|link|link/inner.txt");
    EXPECT_FALSE (app().downloadFolder.getChildFile ("link").isSymbolicLink());
    for (auto name : { "escaped.txt", "escaped-too.txt", "absolute.txt", "escaped-through.txt", "inner.txt" })
        EXPECT_FALSE (outside.getChildFile (name).exists()) << name;
    EXPECT_EQ (secret.loadFileAsString(), "secret");
    ASSERT_TRUE (opener.waitForCalls (1));

    // When the first entry is one of those, there is no installer to open or offer.
    for (auto first : { "../escaped.txt", "link" })
    {
        SCOPED_TRACE (first);
        auto worker = workerServing ("/installer/first.zip", archive ({ first, "Installer.pkg" }));
        ASSERT_TRUE (runToIdle (*worker));
        EXPECT_EQ (worker->installerFileName, "");
    }
    pumpFor (200);
    EXPECT_EQ (opener.calls().size(), 1);
}
