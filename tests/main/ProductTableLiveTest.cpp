#include <gtest/gtest.h>
#include "main/ListBundleView.h"
#include "main/Status.h"
#include "main/TableCells.h"
#include "main/ProductRows.h"
#include "support/TestEnvironment.h"

using namespace testsupport;

namespace
{
// Tables as the running application shows them: its look and feel, live workers and windows.
class ProductTableLive : public AppTest
{
protected:
    void SetUp() override
    {
        AppTest::SetUp();
        juce::LookAndFeel::setDefaultLookAndFeel (&app().customLookAndFeel);
    }

    void TearDown() override
    {
        juce::LookAndFeel::setDefaultLookAndFeel (nullptr);
        AppTest::TearDown();
    }
};

template <typename Cell>
Cell* cellOf (ListProductView& view, int column, int row)
{
    return dynamic_cast<Cell*> (view.table.getCellComponent (column, row));
}
}

TEST_F (ProductTableLive, DownloadStartsTheWorkerAndStopEndsItWithTheChangeMessage)
{
    LocalServer server;
    juce::MemoryBlock archive;
    archive.setSize (1 << 20, true);
    server.serve ("/installer/Synth_Mac.zip", archive);
    server.setRule ("/installer/Synth_Mac.zip", "slow", "4096,20");

    ProductRows rows;
    auto& synth = rows.add<Plugin> ("Synth");
    auto& worker = rows.giveWorker (synth);
    ListProductView view;
    view.setSize (1100, 400);
    view.products = &rows.rows;
    view.update (false);
    auto* buttons = cellOf<ButtonsCell> (view, 8, 0);
    auto* status = cellOf<Status> (view, 5, 0);
    ASSERT_TRUE (buttons != nullptr && status != nullptr);

    buttons->downloadButton.triggerClick();
    ASSERT_TRUE (pumpUntil ([&] { return buttons->downloadButton.getButtonText() == "STOP"; }));
    EXPECT_TRUE (worker.isThreadRunning());
    EXPECT_EQ (synth.getState(), 0);
    EXPECT_EQ (status->label.getText(), "Downloading...");
    EXPECT_TRUE (status->progressBar->isVisible());
    ASSERT_TRUE (pumpUntil ([&] { return worker.progress > 0.0; }, 10000));

    buttons->downloadButton.triggerClick();
    ASSERT_TRUE (pumpUntil ([&] { return worker.stopRequested.load(); }));
    EXPECT_EQ (buttons->downloadButton.getButtonText(), "STOP");
    ASSERT_TRUE (pumpUntil ([&] { return buttons->downloadButton.getButtonText() == "DOWNLOAD"; }, 10000));
    EXPECT_EQ (status->label.getText(), "Not installed");
    EXPECT_FALSE (status->progressBar->isVisible());
}

TEST_F (ProductTableLive, ViewBundleOpensADialogWhichAReplacingViewTakesAlong)
{
    ProductRows rows;
    auto& bundle = rows.add<Bundle> ("Studio Bundle");
    rows.giveWorker (bundle);
    ProductRows members;
    members.add<Plugin> ("Synth");
    auto& worker = members.giveWorker (members.add<Executable> ("Editor"));
    bundle.members = members.rows;

    auto view = std::make_unique<ListProductView>();
    view->setBounds (100, 100, 1200, 600);
    view->addToDesktop (0);
    view->products = &rows.rows;
    view->update (false);
    auto* buttons = cellOf<ButtonsCell> (*view, 8, 0);
    ASSERT_NE (buttons, nullptr);

    buttons->bundleButton.triggerClick();
    ASSERT_TRUE (pumpUntil ([&] { return view->bundleView != nullptr; }));
    juce::Component::SafePointer<ListBundleView> first (view->bundleView.get());
    juce::Component::SafePointer<juce::DialogWindow> dialog (first->dialog);
    ASSERT_NE (dialog, nullptr);
    EXPECT_EQ (dialog->getName(), "Studio Bundle");
    EXPECT_EQ (dialog->getBackgroundColour(), juce::Colours::grey);
    EXPECT_EQ (dialog->getContentComponent(), first.getComponent());
    EXPECT_FALSE (dialog->isUsingNativeTitleBar());
    EXPECT_TRUE (dialog->isResizable() && dialog->isCurrentlyModal());
    EXPECT_LE (dialog->getScreenBounds().getCentre().getDistanceFrom (view->getScreenBounds().getCentre()), 2);
    EXPECT_EQ (first->table.getBounds(), juce::Rectangle<int> (0, 0, 1100, 358));
    EXPECT_EQ (first->closeButton.getBounds(), juce::Rectangle<int> (500, 364, 100, 30));

    first->closeButton.triggerClick();
    ASSERT_TRUE (pumpUntil ([&] { return dialog == nullptr; }));
    EXPECT_NE (first, nullptr);

    // A second view replaces the first; its window goes with it when it is replaced in turn.
    buttons->bundleButton.triggerClick();
    ASSERT_TRUE (pumpUntil ([&] { return first == nullptr; }));
    juce::Component::SafePointer<ListBundleView> second (view->bundleView.get());
    dialog = second->dialog;
    view->buttonClicked (&buttons->bundleButton);
    EXPECT_TRUE (second == nullptr && dialog == nullptr);

    // Only the live view hears the worker; views that are gone are never called back.
    auto* editorButtons = cellOf<ButtonsCell> (*view->bundleView, 8, 1);
    ASSERT_NE (editorButtons, nullptr);
    editorButtons->downloadButton.setButtonText ("STOP");
    worker.sendChangeMessage();
    EXPECT_TRUE (pumpUntil ([&] { return editorButtons->downloadButton.getButtonText() == "DOWNLOAD"; }));
    view.reset();
    worker.sendSynchronousChangeMessage();
}

// With MOSAIRE_SNAPSHOT_DIR set, the picture is also written there as ProductTable.png.
TEST_F (ProductTableLive, RendersRowsWithPicturesStatesAndButtons)
{
    ProductRows rows;
    const juce::Colour pictureColours[] = { juce::Colours::darkblue, juce::Colours::darkgreen,
                                            juce::Colours::purple, juce::Colours::darkorange };
    for (int state = 0; state < 4; ++state)
    {
        auto& plugin = rows.add<Plugin> ("Plugin " + juce::String (state), state);
        plugin.image = juce::Image (juce::Image::RGB, 200, 100, false);
        plugin.image.clear (plugin.image.getBounds(), pictureColours[state]);
        plugin.category = "Synth";
    }
    rows.add<Bundle> ("Studio Bundle", 3).category = "Bundle";

    ListProductView view;
    view.setSize (1000, 420);
    view.products = &rows.rows;
    view.update (true);
    const auto snapshot = view.createComponentSnapshot (view.getLocalBounds());

    if (auto* folder = ::getenv ("MOSAIRE_SNAPSHOT_DIR"))
    {
        juce::File file (juce::File (folder).getChildFile ("ProductTable.png"));
        file.deleteFile();
        juce::FileOutputStream out (file);
        juce::PNGImageFormat().writeImageToStream (snapshot, out);
    }

    auto& header = view.table.getHeader();
    auto cell = [&] (int row, int column)
    {
        const auto x = header.getColumnPosition (header.getIndexOfColumnId (column, true)).getX();
        return view.table.getRowPosition (row, true).withX (x + 1).withWidth (header.getColumnWidth (column));
    };
    auto holds = [&] (juce::Rectangle<int> area, std::function<bool (juce::Colour)> matches)
    {
        for (int y = area.getY(); y < area.getBottom(); ++y)
            for (int x = area.getX(); x < area.getRight(); ++x)
                if (matches (snapshot.getPixelAt (x, y)))
                    return true;
        return false;
    };

    auto isButton = [] (juce::Colour c) { return c.getRed() > 100 && c.getGreen() < 40 && c.getBlue() < 40; };

    for (int row = 0; row < 5; ++row)
    {
        EXPECT_EQ (snapshot.getPixelAt (cell (row, 2).getX() + 1, cell (row, 2).getY() + 1),
                   row % 2 == 0 ? juce::Colours::black.withBrightness (0.1f) : juce::Colours::black);
        EXPECT_TRUE (holds (cell (row, 8).removeFromLeft (100), isButton));
    }

    for (int row = 0; row < 4; ++row)
        EXPECT_EQ (snapshot.getPixelAt (cell (row, 1).getCentreX(), cell (row, 1).getCentreY()), pictureColours[row]);

    EXPECT_TRUE (holds (cell (0, 5), [] (juce::Colour c) { return c == juce::Colour (0xff006400); }));
    EXPECT_TRUE (holds (cell (1, 5), [] (juce::Colour c) { return c.getRed() > 200 && c.getGreen() < 60; }));
    EXPECT_TRUE (holds (cell (2, 5), [] (juce::Colour c) { return c.getRed() > 200 && c.getGreen() > 200 && c.getBlue() < 60; }));
    EXPECT_TRUE (holds (cell (4, 8).removeFromRight (100), isButton));
    EXPECT_FALSE (holds (cell (3, 8).removeFromRight (100), isButton));
}
