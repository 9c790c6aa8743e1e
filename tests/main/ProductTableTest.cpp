#include <gtest/gtest.h>
#include "main/ListBundleView.h"
#include "main/Status.h"
#include "main/TableCells.h"
#include "main/ProductRows.h"
#include "platform/Platform.h"
#include "support/TestEnvironment.h"

using namespace testsupport;

namespace
{
juce::StringArray sortedBy (ProductRows& rows, int columnId, bool forwards)
{
    ListProductView view;
    view.products = &rows.rows;
    view.sortOrderChanged (columnId, forwards);
    return rows.names();
}

template <typename Cell>
std::unique_ptr<Cell> newCell (ListProductView& view, int row, int column, int width, int height)
{
    std::unique_ptr<Cell> cell (dynamic_cast<Cell*> (view.refreshComponentForCell (row, column, false, nullptr)));
    cell->setSize (width, height);
    return cell;
}

juce::Rectangle<int> paintedPicture (ListProductView& view, int row)
{
    juce::Image canvas (juce::Image::ARGB, 160, 70, true);
    juce::Graphics g (canvas);
    view.paintCell (g, row, 1, 160, 70, false);

    juce::Rectangle<int> area;
    for (int y = 0; y < 70; ++y)
        for (int x = 0; x < 160; ++x)
            if (canvas.getPixelAt (x, y).getAlpha() > 0)
                area = area.isEmpty() ? juce::Rectangle<int> (x, y, 1, 1) : area.getUnion ({ x, y, 1, 1 });
    return area;
}
}

TEST (ProductTable, SortsByNameVersionAndStateWithTheExchangeSortsOrder)
{
    ProductRows names;
    names.add<Plugin> ("alpha");
    names.add<Plugin> ("Zeta");
    names.add<Plugin> ("Synth 2");
    names.add<Plugin> ("Synth");
    EXPECT_EQ (sortedBy (names, 2, true), juce::StringArray ("Synth", "Synth 2", "Zeta", "alpha"));
    EXPECT_EQ (sortedBy (names, 2, false), juce::StringArray ("alpha", "Zeta", "Synth 2", "Synth"));
    EXPECT_EQ (sortedBy (names, 9, true), juce::StringArray ("alpha", "Zeta", "Synth 2", "Synth"));

    // Not stable: B, B, A becomes A, the second B, the first B.
    ProductRows equal;
    auto& firstB = equal.add<Plugin> ("B");
    auto& secondB = equal.add<Plugin> ("B");
    auto& a = equal.add<Plugin> ("A");
    sortedBy (equal, 2, true);
    EXPECT_EQ (equal.rows, juce::Array<ProductBase*> (&a, &secondB, &firstB));

    ProductRows versions;
    versions.add<Plugin> ("1.9.0").installedVersion = "1.9.0";
    versions.add<Plugin> ("").installedVersion = "";
    versions.add<Plugin> ("1.10.0").installedVersion = "1.10.0";
    EXPECT_EQ (sortedBy (versions, 4, true), juce::StringArray ("", "1.10.0", "1.9.0"));
    EXPECT_EQ (sortedBy (versions, 4, false), juce::StringArray ("1.9.0", "1.10.0", ""));

    ProductRows states;
    states.add<Plugin> ("3", 3);
    states.add<Plugin> ("0", 0);
    states.add<Plugin> ("1", 1);
    states.add<Plugin> ("2", 2);
    EXPECT_EQ (sortedBy (states, 5, false), juce::StringArray ("3", "2", "1", "0"));
    EXPECT_EQ (sortedBy (states, 5, true), juce::StringArray ("0", "1", "2", "3"));
}

TEST (ProductTable, HeaderSortReordersTheSharedArrayAndUpdateFollowsTheBundleViews)
{
    ProductRows rows;
    auto& bundle = rows.add<Bundle> ("b");
    rows.add<Plugin> ("a");

    ListProductView view;
    view.setSize (1000, 400);
    view.sortOrderChanged (2, true);  // no products yet: ignored
    view.products = &rows.rows;
    view.table.getHeader().setSortColumnId (2, true);
    ASSERT_TRUE (pumpUntil ([&] { return rows.names() == juce::StringArray ("a", "b"); }));
    EXPECT_NE (view.table.getCellComponent (8, 1), nullptr);

    ProductRows members;
    members.add<Executable> ("app");
    view.bundleView = std::make_unique<ListBundleView>();
    view.bundleView->setSize (1100, 400);
    view.bundleView->products = &bundle.members;
    bundle.members = members.rows;
    view.update (true);
    EXPECT_NE (view.bundleView->table.getCellComponent (8, 0), nullptr);
}

TEST (ProductTable, PicturesAreFittedCentredIntoFourFifthsOfTheCell)
{
    ProductRows rows;
    rows.add<Plugin> ("small").image = juce::Image (juce::Image::RGB, 64, 28, true);
    rows.add<Plugin> ("wide").image = juce::Image (juce::Image::RGB, 256, 56, true);
    rows.add<Plugin> ("none");

    ListProductView view;
    view.products = &rows.rows;
    EXPECT_EQ (paintedPicture (view, 0), juce::Rectangle<int> (16, 7, 128, 56));
    EXPECT_EQ (paintedPicture (view, 1), juce::Rectangle<int> (16, 21, 128, 28));
    EXPECT_TRUE (paintedPicture (view, 2).isEmpty());
    EXPECT_TRUE (paintedPicture (view, 3).isEmpty());
}

TEST (ProductTable, StateCellShowsTextColourAndTheBarOnlyWhileDownloading)
{
    ProductRows rows;
    rows.add<Plugin> ("downloading", 0);
    rows.add<Plugin> ("missing", 1);
    rows.giveWorker (rows.add<Plugin> ("old", 2));
    rows.add<Plugin> ("latest", 3);

    ListProductView view;
    view.products = &rows.rows;

    const struct { const char* text; juce::Colour colour; } expected[] = {
        { "Downloading...", juce::Colours::white }, { "Not installed", juce::Colours::red },
        { "Update available", juce::Colours::yellow }, { "Latest version", juce::Colours::white } };

    for (int row = 0; row < 4; ++row)
    {
        auto status = newCell<Status> (view, row, 5, 150, 70);
        EXPECT_EQ (status->label.getText(), expected[row].text);
        EXPECT_EQ (status->label.findColour (juce::Label::textColourId), expected[row].colour);
        EXPECT_EQ (status->progressBar != nullptr && status->progressBar->isVisible(), row == 0);
        EXPECT_EQ (status->label.getHeight(), row == 0 ? 35 : 70);
        EXPECT_EQ (rows.rows[row]->downloader != nullptr, status->progressBar != nullptr);
    }

    auto status = newCell<Status> (view, 0, 5, 151, 71);
    EXPECT_EQ (status->label.getBounds(), juce::Rectangle<int> (0, 0, 120, 36));
    EXPECT_EQ (status->progressBar->getBounds(), juce::Rectangle<int> (0, 36, 120, 18));
    status->setSize (150, 69);
    EXPECT_EQ (status->label.getBounds(), juce::Rectangle<int> (0, 0, 120, 34));
    EXPECT_EQ (status->progressBar->getBounds(), juce::Rectangle<int> (0, 34, 120, 17));

    // Reused for a row without a worker, the cell keeps no bar and is laid out again.
    view.refreshComponentForCell (1, 5, false, status.get());
    EXPECT_EQ (status->progressBar, nullptr);
    EXPECT_EQ (status->getNumChildComponents(), 1);
    EXPECT_EQ (status->label.getBounds(), juce::Rectangle<int> (0, 0, 120, 69));
}

TEST (ProductTable, ButtonCellsShowTheButtonsOfEachKindAndAReusedCellIsLaidOutAgain)
{
    ProductRows rows;
    rows.add<Bundle> ("bundle");
    rows.add<Plugin> ("plugin");
    rows.add<Executable> ("app");

    ListProductView view;
    view.products = &rows.rows;
    auto cell = newCell<ButtonsCell> (view, 0, 8, 220, 70);
    EXPECT_EQ (cell->downloadButton.getBounds(), juce::Rectangle<int> (0, 18, 106, 35));
    EXPECT_EQ (cell->bundleButton.getBounds(), juce::Rectangle<int> (110, 18, 106, 35));
    EXPECT_TRUE (cell->downloadButton.isVisible() && cell->bundleButton.isVisible());

    for (int row : { 1, 2 })
    {
        view.refreshComponentForCell (row, 8, false, cell.get());
        EXPECT_TRUE (cell->downloadButton.isVisible() && ! cell->bundleButton.isVisible());
        EXPECT_EQ (cell->downloadButton.row, row);
    }

    // In a bundle view a plug-in has no button; the cell reused for an application shows a
    // DOWNLOAD of full size although its own size never changed.
    rows.rows.remove (0);
    ListBundleView bundleView;
    bundleView.products = &rows.rows;
    auto memberCell = newCell<ButtonsCell> (bundleView, 0, 8, 220, 70);
    EXPECT_FALSE (memberCell->downloadButton.isVisible() || memberCell->bundleButton.isVisible());
    bundleView.refreshComponentForCell (1, 8, false, memberCell.get());
    EXPECT_TRUE (memberCell->downloadButton.isVisible());
    EXPECT_EQ (memberCell->downloadButton.getBounds(), juce::Rectangle<int> (0, 18, 106, 35));
}

TEST (ProductTable, LinkCellOpensTheProductPageThroughTheSystemOpener)
{
    StubOpener opener;
    ProductRows rows;
    rows.add<Plugin> ("with page").productPage = "https://www.example.com/products/synth?x=$(id)";
    rows.add<Plugin> ("without page");

    ListProductView view;
    view.products = &rows.rows;
    std::unique_ptr<juce::Component> cell (view.refreshComponentForCell (0, 9, false, nullptr));
    auto* link = dynamic_cast<platform::LinkButton*> (cell.get());
    ASSERT_NE (link, nullptr);
    EXPECT_EQ (link->getButtonText(), "Link");
    link->triggerClick();
    ASSERT_TRUE (opener.waitForCalls (1));
    EXPECT_EQ (opener.calls()[0], juce::StringArray (juce::URL (rows.rows[0]->productPage).toString (true)));

    cell.reset (view.refreshComponentForCell (1, 9, false, cell.release()));
    link = dynamic_cast<platform::LinkButton*> (cell.get());
    ASSERT_NE (link, nullptr);
    EXPECT_EQ (link->getButtonText(), "Link");
    EXPECT_TRUE (link->getURL().toString (true).isEmpty());
    EXPECT_EQ (view.refreshComponentForCell (0, 2, false, nullptr), nullptr);
}
