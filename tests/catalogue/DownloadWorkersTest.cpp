#include <unistd.h>
#include <algorithm>
#include <cstring>
#include "catalogue/DownloadInstaller.h"
#include "catalogue/DownloadResources.h"
#include "catalogue/Products.h"
#include "catalogue/SafeUnzip.h"
#include "main/ListProductView.h"
#include "main/TableCells.h"
#include "support/LocalServer.h"
#include "support/TestEnvironment.h"

using namespace testsupport;

static const juce::String cataloguePath = "/installer/Mosaire/AppPlugins.xml", picturesPath = "/installer/Mosaire/Images.zip";

// An entry of a few kilobytes whose deflated data is spoilt halfway, as a damaged download leaves it.
static const juce::String longText = [] { juce::String t; for (int i = 0; i < 3000; ++i) t << i << ' '; return t; }();

static juce::MemoryBlock damaged (juce::MemoryBlock zip, const juce::String& entry)
{
    // The entry's data follows its name in its local header, which comes first and has no extra field.
    const auto* bytes = static_cast<char*> (zip.getData());
    const auto* name = entry.toRawUTF8();
    const auto data = std::search (bytes, bytes + zip.getSize(), name, name + std::strlen (name)) - bytes + std::strlen (name);
    for (size_t i = 0; i < 32; ++i)
        zip[data + 200 + i] = (char) 0xff;
    return zip;
}

class DownloadWorkers : public AppTest
{
protected:
    bool download (const juce::URL& url, std::function<bool()> until = [] { return false; })
    {
        installer = std::make_unique<DownloadInstaller> (url);
        installer->progress = 0.0;
        installer->startThread();
        return pumpUntil ([&] { return until() || installer->progress == -1.0; }, 20000);
    }

    // Runs the catalogue worker as start-up does; returns the message box it showed ("title. message"), closed again.
    juce::String readCatalogue()
    {
        resources = std::make_unique<DownloadResource>();
        resources->setVisible (true);
        resources->startThread();
        EXPECT_TRUE (pumpUntil ([&] { return ! resources->isVisible(); }, 20000));
        auto* box = dynamic_cast<juce::AlertWindow*> (juce::Component::getCurrentlyModalComponent());
        return box != nullptr ? (box->exitModalState (0), box->getDescription()) : juce::String();
    }

    LocalServer server;
    StubOpener opener;
    std::unique_ptr<DownloadInstaller> installer;
    std::unique_ptr<DownloadResource> resources;
};

TEST_F (DownloadWorkers, InstallerOnlyFromA200AnswerIsUnpackedAndItsFirstEntryOpenedOrOffered)
{
    const auto setup = app().downloadFolder.getChildFile ("Synth/Setup.pkg");
    for (int status : { 500, 200 })
        for (juce::String autoLaunch : { "1", "0", "" })   // none stored: on
        {
            SCOPED_TRACE (juce::String (status) + " auto launch " + autoLaunch);
            autoLaunch.isEmpty() ? appSettings().removeValue ("installerAutoLaunch")
                                 : appSettings().setValue ("installerAutoLaunch", autoLaunch);
            server.serve ("/installer/s.zip", zipOf ({ { "Synth/Setup.pkg", "payload" }, { "ReadMe", "payload" } }));
            server.setRule ("/installer/s.zip", "status", juce::String (status));
            ASSERT_TRUE (download (LocalServer::baseUrl() + "/installer/s.zip"));
            EXPECT_EQ (setup.existsAsFile(), status == 200);
            EXPECT_EQ (installer->fileChooser != nullptr, status == 200 && autoLaunch == "0");
        }
    EXPECT_FALSE (opener.waitForCalls (3, 2000));
    EXPECT_EQ (opener.calls(), juce::Array<juce::StringArray> (juce::StringArray (setup.getFullPathName()),
                                                               juce::StringArray (setup.getFullPathName())));
}

TEST_F (DownloadWorkers, InstallerStopOrExitEndsATransferAtOnceEvenOfAHugeAnnouncedLength)
{
    struct Case { const char* mode; const char* arg; off_t size; bool exit; };   // sparse files: 64 GiB is more than we could hold
    const Case cases[] = { { "slow", "65536,50", (off_t) 2 << 20, false }, { "slow", "65536,50", (off_t) 64 << 30, false },
                           { "stall", "", 1000, true }, { "stallbody", "40", 1000, true } };
    for (auto& c : cases)
    {
        SCOPED_TRACE (c.mode + juce::String ((juce::int64) c.size));
        server.clearRules();
        ASSERT_EQ (::truncate (server.serve ("/installer/big.zip", juce::String ("PK")).getFullPathName().toRawUTF8(), c.size), 0);
        server.setRule ("/installer/big.zip", c.mode, c.arg);
        double most = 0.0;
        const auto until = [&] { installer->stopRequested = (most = juce::jmax (most, installer->progress)) > 0.0 && ! c.exit;
                                 return c.exit && ! server.requests().isEmpty(); };
        ASSERT_TRUE (download (LocalServer::baseUrl() + "/installer/big.zip", until));
        pumpFor (200);
        const auto before = juce::Time::getMillisecondCounterHiRes();
        installer.reset();   // as at exit: its stopThread would kill the thread after 1000 ms
        EXPECT_LT (juce::Time::getMillisecondCounterHiRes() - before, 800.0);
        EXPECT_LT (most, 0.5);
    }
}

TEST_F (DownloadWorkers, InstallerAddressOfEveryProductReachesItsOwnArchive)
{
    struct Case { const char* folder; const char* name; const char* path; };
    const Case cases[] = { { "keys", "C# Keys", "keys/C%23_Keys" },
                           { "fx", "Why? Verb", "fx/Why%3F_Verb" },
                           { "fx", "100% Drive", "fx/100%25_Drive" },
                           { "fx", "Caf\xc3\xa9", "fx/Caf%C3%A9" },
                           { "fx", "Plain Name", "fx/Plain_Name" },
                           { "a b", "A+B (Tom's) !$&*,;=:@-._~", "a%20b/A+B_(Tom's)_!$&*,;=:@-._~" } };
    for (auto& c : cases)
    {
        Plugin product;
        product.name = juce::String::fromUTF8 (c.name);
        product.folder = c.folder;
        download (product.getDownloadUrl());
        EXPECT_EQ (server.requests().getLast()["raw_path"].toString(), "/installer/" + juce::String (c.path) + "_Mac.zip");
    }
}

TEST_F (DownloadWorkers, InstallerFromAnArchiveThatDoesNotUnpackWholeIsNeitherOpenedNorOffered)
{
    const juce::MemoryBlock archives[] = { damaged (zipOf ({ { "Setup.pkg", longText }, { "ReadMe", "x" } }, 9), "Setup.pkg"),
                                           damaged (zipOf ({ { "Setup.pkg", "x" }, { "ReadMe", longText } }, 9), "ReadMe") };
    for (auto& archive : archives)
        for (bool autoLaunch : { true, false })
        {
            appSettings().setValue ("installerAutoLaunch", autoLaunch);
            server.serve ("/installer/d.zip", archive);
            ASSERT_TRUE (download (LocalServer::baseUrl() + "/installer/d.zip"));
            EXPECT_EQ (installer->fileChooser, nullptr);
        }
    EXPECT_FALSE (opener.waitForCalls (1, 1000));
}

TEST_F (DownloadWorkers, InstallerClickBeforeTheLastResultIsDeliveredStartsNothing)
{
    server.serve ("/installer/Synth_Mac.zip", zipOf ({ { "Setup.pkg", "payload" } }));
    Plugin product;
    DownloadInstaller worker (LocalServer::baseUrl() + "/installer/Synth_Mac.zip");
    product.downloader = &worker;
    juce::Array<ProductBase*> rows { &product };
    ListProductView view;   // after the worker: it must go first
    view.products = &rows;
    DownloadButton button ("DOWNLOAD");
    button.row = 0;

    view.buttonClicked (&button);
    for (int i = 0; i < 2000 && worker.isThreadRunning(); ++i)
        juce::Thread::sleep (5);   // without pumping: the result stays undelivered
    EXPECT_TRUE (worker.isBusy());
    view.buttonClicked (&button);
    EXPECT_FALSE (opener.waitForCalls (2, 2000));
    EXPECT_EQ (opener.calls().size(), 1);
    EXPECT_EQ (server.requests().size(), 1);
    EXPECT_FALSE (worker.isBusy());
}

TEST (SafeUnzip, EntriesLeadingOutsideAndLinksAreSkippedAndTheRestWritten)
{
    const auto outside = ScopedTestHome::root().getChildFile ("unzip"), inside = outside.getChildFile ("in");
    const auto unpack = [&] (const juce::MemoryBlock& bytes)   // how much is there afterwards
    {
        outside.deleteRecursively();
        juce::ZipFile archive (new juce::MemoryInputStream (bytes, false), true);
        SafeUnzip::unpackInside (archive, inside);
        return outside.findChildFiles (juce::File::findFilesAndDirectories, true).size();
    };
    for (auto name : { juce::String ("../x"), juce::String ("..\\x"), juce::String ("in/../../x"),
                       outside.getChildFile ("x").getFullPathName() })
        EXPECT_EQ (unpack (zipOf ({ { name, "x" }, { "a", "a" } })), 2) << name;   // "in" and "in/a"

    // Made with Python's zipfile: "x", a symbolic link to "../y".
    const char link[] = "PK\3\4\24\0\0\0\0\0\0\0!\0\16\235\277h\4\0\0\0\4\0\0\0\1\0\0\0x../y"
                        "PK\1\2\24\3\24\0\0\0\0\0\0\0!\0\16\235\277h\4\0\0\0\4\0\0\0\1\0\0\0\0\0\0\0\0\0\0\0\355\241\0\0\0\0x"
                        "PK\5\6\0\0\0\0\1\0\1\0/\0\0\0#\0\0\0\0\0";
    EXPECT_EQ (unpack (juce::MemoryBlock (link, sizeof (link) - 1)), 0) << "link";
}

TEST (SafeUnzip, AnEntryNotWrittenWholeIsRemovedAndFailsTheUnpack)
{
    const auto folder = ScopedTestHome::root().getChildFile ("unzip");
    juce::ZipFile archive (new juce::MemoryInputStream (damaged (zipOf ({ { "a", "a" }, { "b", longText } }, 9), "b"), true), true);
    EXPECT_FALSE (SafeUnzip::unpackInside (archive, folder));
    EXPECT_TRUE (folder.getChildFile ("a").existsAsFile() && ! folder.getChildFile ("b").exists());
}

TEST_F (DownloadWorkers, CataloguePicturesAreRenewedOnlyWhenTheCountGrowsAndTheArchiveArrivesWhole)
{
    const auto pictures = zipOf ({ { "New.jpg", "payload" } });
    const auto images = app().imagesFolder;
    server.serve (picturesPath, pictures).appendText ("----");   // a cut at the archive's end leaves it readable

    // One redirect is followed, a second is not; a damaged archive keeps the old pictures.
    const auto moved = [] (const char* folder) { return LocalServer::baseUrl() + "/" + folder + "/Images.zip"; };
    server.serve ("/one/Images.zip", pictures);
    server.setRule ("/two/Images.zip", "redirect", moved ("one"));
    server.serve ("/damaged/Images.zip", damaged (zipOf ({ { "New.jpg", longText } }, 9), "New.jpg"));

    struct Case { int stored; const char* count; const char* mode; juce::String arg; int countAfter; };   // stored -1: none
    const Case cases[] = { { -1, "", "normal", {}, 0 },
                           { 5, "5", "normal", {}, 5 },
                           { 5, "4", "normal", {}, 5 },
                           { 3, "12abc", "normal", {}, 12 },
                           { 3, "x5", "normal", {}, 3 },
                           { 3, "99999999999", "normal", {}, std::numeric_limits<int>::max() },
                           { 1, "2", "nolength", {}, 2 },
                           { 1, "2", "status", "500", 1 },
                           { 1, "2", "body", "not a ZIP", 1 },
                           { 1, "2", "truncate", juce::String ((int) pictures.getSize()), 1 },
                           { 1, "2", "redirect", moved ("one"), 2 },
                           { 1, "2", "redirect", moved ("two"), 1 },
                           { 1, "2", "redirect", moved ("damaged"), 1 } };
    for (auto& c : cases)
    {
        SCOPED_TRACE (juce::String (c.count) + " " + c.mode + " " + c.arg);
        c.stored < 0 ? appSettings().removeValue ("productUpdateCount") : appSettings().setValue ("productUpdateCount", c.stored);
        images.deleteRecursively();
        images.getChildFile ("Old.jpg").create();
        server.serve (cataloguePath, "<INSTALLATION_MANAGER productUpdateCount=\"" + juce::String (c.count) + "\"/>");
        server.setRule (picturesPath, c.mode, c.arg);
        EXPECT_EQ (readCatalogue(), "");
        EXPECT_TRUE (images.getChildFile (c.countAfter != c.stored ? "New.jpg" : "Old.jpg").exists()
                     && images.getNumberOfChildFiles (juce::File::findFiles) == 1);
        EXPECT_EQ (appSettings().getIntValue ("productUpdateCount"), c.countAfter);
    }
    for (auto& request : server.requests())
        EXPECT_TRUE (! request["path"].toString().endsWith ("Images.zip")
                     || request["headers"]["accept"] == "application/octet-stream") << request["path"].toString();
}

TEST_F (DownloadWorkers, CatalogueFromABadAnswerNeverReplacesTheLastGoodOneAndTheBoxSaysWhy)
{
    const auto busy = "Server busy. Cloase and reopend Mosaire", offline = "No Internet connection. Make sure to be online";
    const juce::String good = "<INSTALLATION_MANAGER version=\"1\"><PLUGIN name=\"A\"/></INSTALLATION_MANAGER>", earlier = "<INSTALLATION_MANAGER/>";
    server.serve (cataloguePath, good + "    ");   // a cut just after its end leaves a readable catalogue

    struct Case { const char* mode; juce::String arg; const char* box; };
    const Case cases[] = { { "body", good, "" },
                           { "body", "<installation_manager version=\"2\"/>", "" },
                           { "body", "<html><body>Busy</body></html>", busy },
                           { "body", "503 Service Unavailable", busy },
                           { "body", "<Error/>", busy },
                           { "truncate", juce::String (good.length()), offline },
                           { "redirect", "http://127.0.0.1:1/", offline } };   // nobody listens there
    for (auto& c : cases)
    {
        SCOPED_TRACE (c.arg);
        appSettings().setValue ("xmlAppProducts", earlier);
        server.setRule (cataloguePath, c.mode, c.arg);
        EXPECT_EQ (readCatalogue(), c.box);
        EXPECT_EQ (appSettings().getValue ("xmlAppProducts"), *c.box ? earlier : c.arg);
    }
}
