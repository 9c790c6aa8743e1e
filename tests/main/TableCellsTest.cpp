#include <gtest/gtest.h>
#include "catalogue/DownloadInstaller.h"
#include "catalogue/Products.h"
#include "main/ListBundleView.h"
#include "main/TableCells.h"
#include "support/LocalServer.h"
#include "support/TestEnvironment.h"

using namespace testsupport;

enum { buttonsColumn = 8, linkColumn = 9 };

// The table builds its cell components only for a view on screen with a size.
static void show (ListProductView& view, juce::Array<ProductBase*>& rows)
{
    view.products = &rows;
    view.setSize (1100, 400);
    view.setVisible (true);
    view.addToDesktop (0);
    view.table.updateContent();
}

template <typename Cell>
static Cell* cellOf (ListProductView& view, int column, int row)
{
    return dynamic_cast<Cell*> (view.table.getCellComponent (column, row));
}

class TableCells : public AppTest {};

TEST_F (TableCells, EachKindOfProductShowsItsOwnButtonsInTheMainTableAndInABundleView)
{
    Bundle bundle;
    Plugin plugin;
    Executable application;
    juce::Array<ProductBase*> mainRows, bundleRows;
    ListProductView mainTable;
    ListBundleView bundleView;   // shared by all cases: later rows reuse earlier rows' cells, as after a sort
    show (mainTable, mainRows);
    show (bundleView, bundleRows);

    struct Case { const char* what; ProductBase& product; ListProductView& view; const char* shown; };
    const Case cases[] = {
        { "bundle", bundle, mainTable, "DOWNLOAD VIEW BUNDLE" },
        { "plug-in", plugin, mainTable, "DOWNLOAD" },
        { "application", application, mainTable, "DOWNLOAD" },
        { "plug-in in a bundle view", plugin, bundleView, "" },
        { "application in a bundle view", application, bundleView, "DOWNLOAD" },
    };
    for (const auto& c : cases)
    {
        *c.view.products = { &c.product };
        c.view.table.updateContent();
        auto* cell = cellOf<ButtonsCell> (c.view, buttonsColumn, 0);
        ASSERT_NE (cell, nullptr) << c.what;
        juce::StringArray shown;
        for (auto* button : std::initializer_list<juce::Button*> { &cell->downloadButton, &cell->bundleButton })
            if (button->isVisible() && ! button->getBounds().isEmpty())
                shown.add (button->getButtonText());
        EXPECT_EQ (shown.joinIntoString (" "), juce::String (c.shown)) << c.what;
    }
}

TEST_F (TableCells, ViewBundleOpensItsMembersTableCloseClosesItAndTheNextReplacesIt)
{
    DownloadInstaller worker (juce::URL ("http://127.0.0.1:1/x.zip"));   // never started: only its listeners count
    Plugin member;
    member.downloader = &worker;
    Bundle first, second;
    first.members = second.members = { &member };
    juce::Array<ProductBase*> rows { &first, &second };
    ListProductView view;
    show (view, rows);

    const auto state = [&]   // the number of dialog windows and the bundle whose members the open one shows
    {
        auto& desktop = juce::Desktop::getInstance();
        int windows = 0;
        for (int i = 0; i < desktop.getNumComponents(); ++i)
            windows += dynamic_cast<juce::DialogWindow*> (desktop.getComponent (i)) != nullptr;
        auto* bundleView = view.bundleView.get();
        const auto shown = bundleView != nullptr && bundleView->dialog != nullptr && bundleView->dialog->isShowing()
                           && bundleView->dialog->getContentComponent() == bundleView;
        return juce::String (windows) + (! shown ? "" : bundleView->products == &first.members ? " first" : " second");
    };

    struct Step { int viewBundleRow; const char* expected; };   // row -1: CLOSE
    const Step steps[] = {
        { 0, "1 first" },
        { -1, "0" },
        { 1, "1 second" },   // replaces a closed view
        { 0, "1 first" },    // replaces an open one, taking its window along
    };
    for (const auto& step : steps)
    {
        auto* cell = cellOf<ButtonsCell> (view, buttonsColumn, step.viewBundleRow);
        ASSERT_TRUE (cell != nullptr || step.viewBundleRow < 0);
        (cell != nullptr ? (juce::Button&) cell->bundleButton : view.bundleView->closeButton).triggerClick();
        pumpUntil ([&] { return state() == step.expected; });
        EXPECT_EQ (state(), juce::String (step.expected)) << step.viewBundleRow;
    }
    worker.sendSynchronousChangeMessage();   // must not reach the replaced views
}

TEST_F (TableCells, FinishedOrStoppedDownloadBringsTheRowsButtonBackToDownload)
{
    LocalServer server;
    // Stored, and sent slowly, so that the transfer still runs when STOP comes.
    server.serve ("/installer/Synth_Mac.zip", zipOf ({ { "Setup.pkg", juce::String::repeatedString ("x", 1 << 19) } }));
    server.setRule ("/installer/Synth_Mac.zip", "slow", "65536,50");

    for (const auto stop : { false, true })
    {
        SCOPED_TRACE (stop ? "stopped" : "finished");
        StubOpener opener;
        Plugin product;
        DownloadInstaller worker (LocalServer::baseUrl() + "/installer/Synth_Mac.zip");
        product.downloader = &worker;
        juce::Array<ProductBase*> rows { &product };
        ListProductView view;   // after the worker: it must go first
        show (view, rows);
        auto* cell = cellOf<ButtonsCell> (view, buttonsColumn, 0);
        ASSERT_NE (cell, nullptr);

        auto& button = cell->downloadButton;
        button.triggerClick();
        ASSERT_TRUE (pumpUntil ([&] { return button.getButtonText() == "STOP" && worker.progress > 0.0; }));
        if (stop)
            button.triggerClick();
        EXPECT_TRUE (pumpUntil ([&] { return button.getButtonText() == "DOWNLOAD"; }, 20000));
        opener.waitForCalls (1, 1000);
        EXPECT_EQ (opener.calls().size(), stop ? 0 : 1);   // only a finished download opens its installer
    }
}

TEST_F (TableCells, LinkOpensTheProductPageOfItsOwnRow)
{
    StubOpener opener;
    Plugin synth, keys;
    synth.productPage = "https://host/synth?from=app";
    keys.productPage = "https://host/keys";
    juce::Array<ProductBase*> rows { &synth, &keys };
    ListProductView view;
    show (view, rows);

    struct Case { bool swapRows; int row; const char* opened; };
    const Case cases[] = {
        { false, 0, "https://host/synth?from=app" },
        { false, 1, "https://host/keys" },
        { true, 0, "https://host/keys" },   // a reused link follows its row's new product
    };
    for (const auto& c : cases)
    {
        if (c.swapRows)
            rows.swap (0, 1), view.table.updateContent();
        auto* link = cellOf<juce::Button> (view, linkColumn, c.row);
        ASSERT_NE (link, nullptr);
        link->triggerClick();
        ASSERT_TRUE (opener.waitForCalls (opener.calls().size() + 1)) << c.row;
        EXPECT_EQ (opener.calls().getLast().joinIntoString (" "), juce::String (c.opened)) << c.row;
    }
}
