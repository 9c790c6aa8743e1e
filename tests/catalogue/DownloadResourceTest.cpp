#include <gtest/gtest.h>
#include <cstring>
#include <functional>
#include <limits>
#include "app/CustomLookAndFeel.h"
#include "catalogue/DownloadResources.h"
#include "support/LocalServer.h"
#include "support/TestEnvironment.h"

using namespace testsupport;

namespace juce
{
// Readable failure messages.
static void PrintTo (const StringArray& strings, std::ostream* out)  { *out << "[" << strings.joinIntoString (" | ") << "]"; }
}

namespace
{
const juce::String cataloguePath = "/installer/Mosaire/AppPlugins.xml";
const juce::String archivePath = "/installer/Mosaire/Images.zip";

juce::String catalogueWithRoot (const juce::String& rootTag, const juce::String& rootAttributes)
{
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
           "<" + rootTag + " version=\"1.0.10\" " + rootAttributes + ">\n"
           "  <PLUGIN name=\"Alpha\" folder=\"alpha\"/>\n"
           "</" + rootTag + ">\n";
}

juce::String catalogue (const juce::String& rootAttributes = {})
{
    return catalogueWithRoot ("INSTALLATION_MANAGER", rootAttributes);
}

juce::String countAttribute (const juce::String& value)
{
    return "productUpdateCount=\"" + value + "\"";
}

// The text the worker stores for a catalogue: one line, no declaration.
juce::String singleLine (const juce::String& xml)
{
    return juce::parseXML (xml)->toString (juce::XmlElement::TextFormat().singleLine().withoutHeader());
}

juce::StringPairArray pictures (std::initializer_list<std::pair<const char*, const char*>> entries)
{
    juce::StringPairArray result;
    for (auto& [name, contents] : entries)
        result.set (name, contents);
    return result;
}

juce::StringArray fileNamesIn (const juce::File& folder)
{
    juce::StringArray names;
    for (auto& entry : juce::RangedDirectoryIterator (folder, false, "*", juce::File::findFilesAndDirectories))
        names.add (entry.getFile().getFileName());
    names.sort (false);
    return names;
}

juce::Array<juce::AlertWindow*> alertWindows()
{
    juce::Array<juce::AlertWindow*> found;
    auto& desktop = juce::Desktop::getInstance();

    for (int i = 0; i < desktop.getNumComponents(); ++i)
        if (auto* alert = dynamic_cast<juce::AlertWindow*> (desktop.getComponent (i)))
            found.add (alert);

    return found;
}

juce::StringArray buttonTextsOf (juce::AlertWindow& alert)
{
    juce::StringArray texts;
    for (auto* child : alert.getChildren())
        if (auto* button = dynamic_cast<juce::TextButton*> (child))
            texts.add (button->getButtonText());
    return texts;
}

// The application's look and feel, noting the texts of every message box it builds.
class RecordingLookAndFeel : public CustomLookAndFeel
{
public:
    juce::AlertWindow* createAlertWindow (const juce::String& title, const juce::String& message,
                                          const juce::String& button1, const juce::String& button2,
                                          const juce::String& button3, juce::MessageBoxIconType iconType,
                                          int numButtons, juce::Component* associated) override
    {
        messages.add (message);
        return CustomLookAndFeel::createAlertWindow (title, message, button1, button2, button3,
                                                     iconType, numButtons, associated);
    }

    juce::StringArray messages;
};

struct ChangeCounter : public juce::ChangeListener
{
    void changeListenerCallback (juce::ChangeBroadcaster*) override  { ++count; }
    int count = 0;
};
}

class DownloadResourceTest : public AppTest
{
protected:
    void SetUp() override
    {
        AppTest::SetUp();
        juce::LookAndFeel::setDefaultLookAndFeel (&lookAndFeel);
    }

    void TearDown() override
    {
        worker.reset();

        for (auto* alert : alertWindows())
            alert->exitModalState (0);
        EXPECT_TRUE (pumpUntil ([] { return alertWindows().isEmpty(); }, 2000));

        juce::LookAndFeel::setDefaultLookAndFeel (nullptr);
        AppTest::TearDown();
    }

    // Builds and starts a worker as the main component does (shown, listened to, started).
    void start()
    {
        worker = std::make_unique<DownloadResource>();
        worker->setSize (1400, 600);
        worker->setVisible (true);
        worker->addChangeListener (&changes);
        worker->startThread (juce::Thread::Priority::normal);
    }

    // One whole run: returns once its change message has arrived and a message box had time to open.
    void runOnce()
    {
        changes.count = 0;
        start();
        ASSERT_TRUE (pumpUntil ([this] { return changes.count > 0; }, 20000));
        pumpFor (100);
    }

    juce::String storedCatalogue()  { return appSettings().getValue ("xmlAppProducts", "<absent>"); }
    int storedCount()               { return appSettings().getIntValue ("productUpdateCount", -1); }
    juce::File images()             { return app().imagesFolder; }

    RecordingLookAndFeel lookAndFeel;
    ChangeCounter changes;
    std::unique_ptr<DownloadResource> worker;
};

TEST_F (DownloadResourceTest, FirstStartRenewsThePicturesAndTheNextOnlyReadsTheCatalogue)
{
    LocalServer server;
    const auto text = catalogue();   // no count: it counts 0, more than the -1 of a first start
    server.serve (cataloguePath, text);
    server.serve (archivePath, makeZip (pictures ({ { "Alpha.jpg", "alpha" }, { "Beta.jpg", "beta" } })));
    images().getChildFile ("Stale.jpg").create();

    runOnce();

    EXPECT_EQ (worker->status.load(), 0);
    EXPECT_EQ (changes.count, 1);
    EXPECT_FALSE (worker->isVisible());
    EXPECT_FALSE (worker->isThreadRunning());
    EXPECT_EQ (storedCatalogue(), singleLine (text));
    EXPECT_FALSE (storedCatalogue().containsAnyOf ("\r\n"));
    EXPECT_EQ (storedCount(), 0);
    EXPECT_EQ (fileNamesIn (images()), juce::StringArray ("Alpha.jpg", "Beta.jpg"));
    EXPECT_EQ (images().getChildFile ("Beta.jpg").loadFileAsString(), "beta");
    EXPECT_EQ (worker->progress, 1.0);
    EXPECT_TRUE (alertWindows().isEmpty());

    const auto requests = server.requests();
    ASSERT_EQ (requests.size(), 2);
    EXPECT_EQ (requests[0]["method"].toString(), "GET");
    EXPECT_EQ (requests[0]["path"].toString(), cataloguePath);
    EXPECT_EQ (requests[1]["path"].toString(), archivePath);
    EXPECT_EQ (requests[1]["headers"]["accept"].toString(), "application/octet-stream");

    // The next start, with a lower-case root this time: still a catalogue.
    worker.reset();
    restartApp();
    server.clearRules();   // also forgets the requests so far
    server.serve (cataloguePath, catalogueWithRoot ("installation_manager", {}));

    runOnce();

    EXPECT_EQ (worker->status.load(), 0);
    EXPECT_EQ (storedCatalogue(), singleLine (catalogueWithRoot ("installation_manager", {})));
    EXPECT_EQ (server.requestedPaths(), juce::StringArray (cataloguePath));
    EXPECT_EQ (worker->progress, -1.0);
    EXPECT_EQ (fileNamesIn (images()), juce::StringArray ("Alpha.jpg", "Beta.jpg"));
    EXPECT_TRUE (alertWindows().isEmpty());
}

TEST_F (DownloadResourceTest, PicturesAreRenewedOnlyWhenTheCountGrows)
{
    LocalServer server;
    server.serve (archivePath, makeZip (pictures ({ { "Alpha.jpg", "alpha" } })));

    struct Case { int stored; const char* value; bool fetches; int storedAfter; };
    const Case cases[] = { { 5, "5", false, 5 },
                           { 5, "4", false, 5 },
                           { 3, "12abc", true, 12 },    // its leading digits
                           { 3, "x5", false, 3 },       // no leading digit: 0
                           { 3, "99999999999", true, std::numeric_limits<int>::max() } };

    for (auto& c : cases)
    {
        SCOPED_TRACE (c.value);
        appSettings().setValue ("productUpdateCount", c.stored);
        server.clearRules();
        server.serve (cataloguePath, catalogue (countAttribute (c.value)));

        runOnce();

        EXPECT_EQ (worker->status.load(), 0);
        EXPECT_EQ (server.requestedPaths().contains (archivePath), c.fetches);
        EXPECT_EQ (worker->progress, c.fetches ? 1.0 : -1.0);
        EXPECT_EQ (storedCount(), c.storedAfter);
        EXPECT_TRUE (alertWindows().isEmpty());
    }
}

TEST_F (DownloadResourceTest, UnreachableServerKeepsTheStoredCatalogueAndSaysSo)
{
    const auto earlier = singleLine (catalogue (countAttribute ("2")));
    appSettings().setValue ("xmlAppProducts", earlier);
    appSettings().setValue ("productUpdateCount", 2);

    runOnce();   // nothing listens on the storage port

    EXPECT_EQ (worker->status.load(), 2);
    EXPECT_EQ (changes.count, 1);
    EXPECT_FALSE (worker->isVisible());
    EXPECT_EQ (storedCatalogue(), earlier);
    EXPECT_EQ (storedCount(), 2);

    const auto alerts = alertWindows();
    ASSERT_EQ (alerts.size(), 1);
    auto& alert = *alerts[0];
    EXPECT_EQ (alert.getName(), "No Internet connection");
    EXPECT_EQ (lookAndFeel.messages, juce::StringArray ("Make sure to be online"));
    EXPECT_EQ (alert.getAlertType(), juce::MessageBoxIconType::WarningIcon);
    EXPECT_EQ (buttonTextsOf (alert), juce::StringArray ("OK"));

    // Drawn by the application's look and feel: black, with the red warning icon at the left.
    const auto picture = alert.createComponentSnapshot (alert.getLocalBounds(), true, 1.0f);
    int red = 0;
    for (int y = 20; y < juce::jmin (120, picture.getHeight()); ++y)
        for (int x = 20; x < 120; ++x)
            if (const auto c = picture.getPixelAt (x, y); c.getRed() > 150 && c.getGreen() < 110 && c.getBlue() < 110)
                ++red;
    EXPECT_GT (red, 200);
    EXPECT_EQ (picture.getPixelAt (picture.getWidth() - 10, 5), juce::Colour (0xff000000));
}

TEST_F (DownloadResourceTest, AnswerThatIsNoCatalogueIsStoredAndCalledServerBusy)
{
    LocalServer server;
    const auto otherRoot = "<?xml version=\"1.0\"?>\n<Error>\n  <Code>ServerBusy</Code>\n</Error>\n";

    struct Case { const char* name; juce::String body; juce::String stored; };
    const Case cases[] = { { "not XML", "503 Service Unavailable", "" },
                           { "empty", "", "" },
                           { "another root", otherRoot, singleLine (otherRoot) } };

    for (auto& c : cases)
    {
        SCOPED_TRACE (c.name);
        appSettings().setValue ("xmlAppProducts", "<INSTALLATION_MANAGER/>");
        lookAndFeel.messages.clear();
        server.clearRules();
        server.setRule (cataloguePath, "body", c.body);

        runOnce();

        EXPECT_EQ (worker->status.load(), 1);
        EXPECT_EQ (storedCatalogue(), c.stored);
        EXPECT_EQ (storedCount(), -1);
        EXPECT_EQ (server.requestedPaths(), juce::StringArray (cataloguePath));

        const auto alerts = alertWindows();
        ASSERT_EQ (alerts.size(), 1);
        EXPECT_EQ (alerts[0]->getName(), "Server busy");
        EXPECT_EQ (alerts[0]->getAlertType(), juce::MessageBoxIconType::WarningIcon);
        EXPECT_EQ (lookAndFeel.messages, juce::StringArray ("Cloase and reopend Mosaire"));

        alerts[0]->exitModalState (0);
        ASSERT_TRUE (pumpUntil ([] { return alertWindows().isEmpty(); }, 2000));
    }
}

TEST_F (DownloadResourceTest, ArchiveIsUnpackedOnlyWhenItArrivesWithStatus200)
{
    LocalServer server;
    const auto archive = makeZip (pictures ({ { "Alpha.jpg", "alpha" } }));
    server.serve ("/elsewhere/Images.zip", archive);
    const auto target = LocalServer::baseUrl() + "/elsewhere/Images.zip";

    struct Case { const char* name; std::function<void()> rules; bool unpacked; double progress; };
    const Case cases[] = {
        { "missing", [] {}, false, -1.0 },
        { "status 500", [&] { server.setRule (archivePath, "status", "500"); }, false, -1.0 },
        { "one redirect", [&] { server.setRule (archivePath, "redirect", target); }, true, 1.0 },
        { "two redirects", [&] { server.setRule (archivePath, "redirect", LocalServer::baseUrl() + "/hop");
                                 server.setRule ("/hop", "redirect", target); }, false, -1.0 },
        // Measured against 1 MiB when the length is not announced.
        { "no length", [&] { server.serve (archivePath, archive); server.setRule (archivePath, "nolength"); },
          true, (double) archive.getSize() / 1048576.0 } };

    int count = 0;
    for (auto& c : cases)
    {
        SCOPED_TRACE (c.name);
        server.root().getChildFile (archivePath.substring (1)).deleteFile();
        server.clearRules();
        server.serve (cataloguePath, catalogue (countAttribute (juce::String (++count))));
        images().getChildFile ("Stale.jpg").create();
        c.rules();

        runOnce();

        EXPECT_EQ (worker->status.load(), 0);
        EXPECT_TRUE (images().isDirectory());
        EXPECT_EQ (fileNamesIn (images()), c.unpacked ? juce::StringArray ("Alpha.jpg") : juce::StringArray());
        EXPECT_DOUBLE_EQ (worker->progress, c.progress);
        EXPECT_EQ (storedCount(), count);   // however the renewal ended
        EXPECT_TRUE (alertWindows().isEmpty());
    }
}

TEST_F (DownloadResourceTest, ProgressRisesOnTheMessageThreadWhileTheArchiveArrives)
{
    LocalServer server;
    const auto big = juce::String::repeatedString ("0123456789", 40000);
    server.serve (cataloguePath, catalogue (countAttribute ("1")));
    server.serve (archivePath, makeZip (pictures ({ { "Big.jpg", big.toRawUTF8() } })));
    server.setRule (archivePath, "slow", "32768,15");

    start();
    juce::Array<double> seen;
    ASSERT_TRUE (pumpUntil ([&]
    {
        if (seen.isEmpty() || seen.getLast() != worker->progress)
            seen.add (worker->progress);
        return changes.count > 0;
    }, 20000));

    int between = 0;
    for (int i = 1; i < seen.size(); ++i)
    {
        EXPECT_LE (seen[i - 1], seen[i]);
        between += (seen[i] > 0.0 && seen[i] < 1.0) ? 1 : 0;
    }

    EXPECT_EQ (seen.getFirst(), -1.0);
    EXPECT_GE (between, 2);
    EXPECT_EQ (seen.getLast(), 1.0);
    EXPECT_TRUE (images().getChildFile ("Big.jpg").loadFileAsString() == big);
}

TEST_F (DownloadResourceTest, ArchiveEntriesNeverLandOutsideTheImagesFolder)
{
    LocalServer server;
    const auto outside = images().getParentDirectory();
    const auto absolute = ScopedTestHome::root().getChildFile ("absolute.jpg");
    const auto linkTarget = ScopedTestHome::root().getChildFile ("link-target.jpg");

    // A symbolic link entry to a file outside, then an entry of the same name written through it.
    linkTarget.replaceWithText ("original");
    const auto link = ScopedTestHome::root().getChildFile ("link.jpg");
    ASSERT_TRUE (linkTarget.createSymbolicLink (link, true));

    juce::ZipFile::Builder builder;
    auto add = [&] (const juce::String& path, const char* contents)
    {
        builder.addEntry (new juce::MemoryInputStream (contents, strlen (contents), true), 0, path, juce::Time::getCurrentTime());
    };
    add ("../escaped.jpg", "x");
    add ("First.jpg", "first");
    add ("nested/../../escaped2.jpg", "x");
    add ("..\\escaped3.jpg", "x");
    add (absolute.getFullPathName(), "x");
    builder.addFile (link, 0, "Link.jpg");
    add ("Link.jpg", "through the link");
    add ("Last.jpg", "last");

    juce::MemoryOutputStream archive;
    builder.writeToStream (archive, nullptr);
    linkTarget.deleteFile();   // a dangling link is written through, not replaced

    server.serve (cataloguePath, catalogue (countAttribute ("1")));
    server.serve (archivePath, archive.getMemoryBlock());

    runOnce();

    EXPECT_EQ (fileNamesIn (images()), juce::StringArray ("First.jpg", "Last.jpg", "Link.jpg"));
    EXPECT_FALSE (images().getChildFile ("Link.jpg").isSymbolicLink());
    EXPECT_EQ (images().getChildFile ("Link.jpg").loadFileAsString(), "through the link");
    EXPECT_EQ (images().getChildFile ("Last.jpg").loadFileAsString(), "last");
    EXPECT_FALSE (linkTarget.exists());
    EXPECT_FALSE (absolute.exists());
    for (auto name : { "escaped.jpg", "escaped2.jpg", "escaped3.jpg" })
        EXPECT_FALSE (outside.getChildFile (name).exists()) << name;
    EXPECT_EQ (storedCount(), 1);
}

TEST_F (DownloadResourceTest, ExitRequestEndsAStalledTransferAtOnceAndKeepsWhatWasThere)
{
    LocalServer server;
    const auto earlier = singleLine (catalogue (countAttribute ("2")));
    server.serve (cataloguePath, catalogue (countAttribute ("9")));
    server.serve (archivePath, makeZip (pictures ({ { "Alpha.jpg", "alpha" } })));

    for (auto path : { cataloguePath, archivePath })
        for (juce::String mode : { "stall", "stallbody" })
        {
            SCOPED_TRACE (path + " " + mode);
            appSettings().setValue ("xmlAppProducts", earlier);
            appSettings().setValue ("productUpdateCount", 2);
            server.clearRules();
            server.setRule (path, mode, mode == "stallbody" ? "40" : "");
            changes.count = 0;

            start();
            ASSERT_TRUE (pumpUntil ([&] { return server.requestedPaths().contains (path); }, 5000));
            pumpFor (200);

            const auto before = juce::Time::getMillisecondCounterHiRes();
            worker.reset();
            EXPECT_LT (juce::Time::getMillisecondCounterHiRes() - before, 900.0);   // long before a forced kill

            pumpFor (100);
            EXPECT_EQ (changes.count, 0);
            EXPECT_TRUE (fileNamesIn (images()).isEmpty());
            if (path == cataloguePath)
                EXPECT_EQ (storedCatalogue(), earlier);   // a cut-short body would be unreadable
        }
}

//==============================================================================
TEST (DownloadResourceOverlay, StartsIdleAndLaysOutItsChildrenAroundTheCentre)
{
    DownloadResource overlay;
    EXPECT_EQ (overlay.progress, -1.0);
    EXPECT_EQ (overlay.status.load(), 0);
    EXPECT_EQ (overlay.getThreadName(), "Download Resources");
    EXPECT_FALSE (overlay.isThreadRunning());
    EXPECT_TRUE (overlay.picture.url.isEmpty());
    EXPECT_EQ (overlay.picture.image.getBounds(), juce::Rectangle<int> (0, 0, 600, 148));
    ASSERT_NE (overlay.progressBar, nullptr);
    EXPECT_TRUE (overlay.picture.isVisible());
    EXPECT_TRUE (overlay.progressBar->isVisible());

    overlay.setSize (1400, 600);
    EXPECT_EQ (overlay.picture.getBounds(), juce::Rectangle<int> (600, 205, 200, 50));
    EXPECT_EQ (overlay.progressBar->getBounds(), juce::Rectangle<int> (500, 288, 400, 25));

    overlay.setSize (803, 433);   // halves drop their remainder: 401, 216
    EXPECT_EQ (overlay.picture.getBounds(), juce::Rectangle<int> (301, 121, 200, 50));
    EXPECT_EQ (overlay.progressBar->getBounds(), juce::Rectangle<int> (201, 204, 400, 25));
}

TEST (DownloadResourceOverlay, IsBlackAroundItsPictureAndBar)
{
    DownloadResource overlay;
    overlay.setSize (800, 400);
    const auto snapshot = overlay.createComponentSnapshot (overlay.getLocalBounds(), true, 1.0f);
    const auto pictureBox = overlay.picture.getBounds();
    const auto barBox = overlay.progressBar->getBounds();

    int outsideNotBlack = 0, whiteInPicture = 0;
    for (int y = 0; y < snapshot.getHeight(); ++y)
        for (int x = 0; x < snapshot.getWidth(); ++x)
        {
            const auto c = snapshot.getPixelAt (x, y);
            if (pictureBox.contains (x, y))
                whiteInPicture += c.getBrightness() > 0.9f ? 1 : 0;
            else if (! barBox.contains (x, y))
                outsideNotBlack += c != juce::Colour (0xff000000) ? 1 : 0;
        }

    EXPECT_EQ (outsideNotBlack, 0);
    EXPECT_GT (whiteInPicture, 300);   // the lettering
}
