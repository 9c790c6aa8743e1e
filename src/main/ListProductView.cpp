#include "main/ListProductView.h"
#include "catalogue/DownloadInstaller.h"
#include "catalogue/Products.h"
#include "main/ListBundleView.h"
#include "main/Status.h"
#include "main/TableCells.h"
#include "platform/Platform.h"

namespace
{
enum ColumnIds
{
    pictureColumn = 1,
    nameColumn = 2,
    categoryColumn = 3,
    versionColumn = 4,
    stateColumn = 5,
    buttonsColumn = 8,
    linkColumn = 9
};

int compareNumbers (int a, int b)
{
    return (a > b) - (a < b);
}

// How two products compare by a sortable column; empty for the other columns.
std::function<int (ProductBase&, ProductBase&)> sortKeyComparison (int columnId)
{
    switch (columnId)
    {
        case nameColumn:     return [] (ProductBase& a, ProductBase& b) { return a.nameView.compare (b.nameView); };
        case categoryColumn: return [] (ProductBase& a, ProductBase& b) { return a.category.compare (b.category); };
        case versionColumn:  return [] (ProductBase& a, ProductBase& b) { return a.installedVersion.compare (b.installedVersion); };
        case stateColumn:    return [] (ProductBase& a, ProductBase& b) { return compareNumbers (a.getState(), b.getState()); };
        default:             return {};
    }
}

// The table hands back the component that this column of the row got before.
template <typename Cell>
Cell* reusedCell (juce::Component* existing)
{
    auto* cell = dynamic_cast<Cell*> (existing);
    jassert (cell != nullptr || existing == nullptr);
    return cell;
}
}

ListProductView::ListProductView()
{
    addAndMakeVisible (table);
    table.setRowHeight (70);
    table.setMouseMoveSelectsRows (true);
    table.setOutlineThickness (1);
    table.setModel (this);

    using Header = juce::TableHeaderComponent;
    auto& header = table.getHeader();
    header.addColumn ({},             pictureColumn,  160, 50, 400, Header::notSortable);
    header.addColumn ("Name",         nameColumn,     150, 50, 400, Header::notResizable);
    header.addColumn ("Category",     categoryColumn, 150, 50, 400, Header::notResizable);
    header.addColumn ("Version",      versionColumn,   60, 50, 400, Header::notResizable);
    header.addColumn ("Status",       stateColumn,    150, 50, 400, Header::notResizable);
    header.addColumn ({},             buttonsColumn,  220, 50, 400, Header::notSortable);
    header.addColumn ("Product Page", linkColumn,     100, 50, 400, Header::notSortable);
    header.setPopupMenuActive (false);
}

ListProductView::~ListProductView()
{
    for (auto* worker : registeredWorkers)
        worker->removeChangeListener (this);

    if (table.getModel() != nullptr)
        table.setModel (nullptr);
}

void ListProductView::update (bool repaintTables)
{
    for (ListProductView* view = this; view != nullptr; view = view->bundleView.get())
    {
        view->table.updateContent();

        if (repaintTables)
            view->table.repaint();
    }
}

void ListProductView::resized()
{
    table.setBounds (0, 0, getWidth(), getHeight());
}

//==============================================================================
int ListProductView::getNumRows()
{
    return products != nullptr ? products->size() : 0;
}

void ListProductView::paintRowBackground (juce::Graphics& g, int rowNumber, int, int, bool)
{
    g.fillAll (rowNumber % 2 != 0 ? juce::Colours::black
                                  : juce::Colours::black.withBrightness (0.1f));
}

void ListProductView::paintCell (juce::Graphics& g, int rowNumber, int columnId, int width, int height, bool)
{
    auto* product = productAt (rowNumber);

    if (product == nullptr)
        return;

    if (columnId == pictureColumn)
    {
        if (product->image.isValid())
        {
            const auto boxWidth = (int) std::ceil ((float) width * 0.8f);
            const auto boxHeight = (int) std::ceil ((float) height * 0.8f);
            g.drawImageWithin (product->image, width / 2 - boxWidth / 2, height / 2 - boxHeight / 2,
                               boxWidth, boxHeight, juce::RectanglePlacement::centred, false);
        }

        return;
    }

    juce::String text;

    switch (columnId)
    {
        case nameColumn:     text = product->nameView; break;
        case categoryColumn: text = product->category; break;
        case versionColumn:  text = product->installedVersion; break;
        default:             return;
    }

    g.setColour (juce::Colours::white);
    g.drawFittedText (text, 3, 0, juce::jmax (0, width - 6), juce::jmax (0, height),
                      juce::Justification::centred, 1, 0.0f);
}

void ListProductView::sortOrderChanged (int newSortColumnId, bool isForwards)
{
    if (products == nullptr)
        return;

    // An exchange sort: its order for equal keys is part of what the customer sees.
    if (auto compare = sortKeyComparison (newSortColumnId))
    {
        auto& array = *products;

        for (int i = 0; i + 1 < array.size(); ++i)
        {
            for (int j = i + 1; j < array.size(); ++j)
            {
                const auto order = compare (*array.getUnchecked (i), *array.getUnchecked (j));

                if (isForwards ? order > 0 : order < 0)
                    array.swap (i, j);
            }
        }
    }

    table.updateContent();
}

//==============================================================================
juce::Component* ListProductView::refreshComponentForCell (int rowNumber, int columnId, bool,
                                                           juce::Component* existingComponent)
{
    auto* product = productAt (rowNumber);

    // The table asks only for its own rows.
    if (product == nullptr)
        return existingComponent;

    switch (columnId)
    {
        case stateColumn:   return refreshStateCell (*product, rowNumber, existingComponent);
        case buttonsColumn: return refreshButtonsCell (*product, rowNumber, existingComponent);
        case linkColumn:    return refreshLinkCell (*product, existingComponent);
        default:            return nullptr;
    }
}

juce::Component* ListProductView::refreshStateCell (ProductBase& product, int rowNumber, juce::Component* existing)
{
    auto* status = reusedCell<Status> (existing);

    if (status == nullptr)
        status = new Status();

    auto* worker = product.downloader;

    if (worker != nullptr)
    {
        listenTo (*worker);
        worker->row = rowNumber;
    }

    status->bindProgress (worker != nullptr ? &worker->progress : nullptr);
    status->showState (product.getState());
    status->resized();
    return status;
}

juce::Component* ListProductView::refreshButtonsCell (ProductBase& product, int rowNumber, juce::Component* existing)
{
    auto* cell = reusedCell<ButtonsCell> (existing);

    if (cell == nullptr)
        cell = new ButtonsCell (*this);

    cell->downloadButton.row = rowNumber;
    cell->bundleButton.row = rowNumber;

    if (auto* worker = product.downloader)
        cell->downloadButton.setButtonText (worker->progress > -1.0 ? "STOP" : "DOWNLOAD");

    // In a bundle view only applications offer a download of their own.
    const auto isPluginInBundleView = dynamic_cast<Plugin*> (&product) != nullptr
                                      && dynamic_cast<ListBundleView*> (this) != nullptr;
    cell->showButtons (! isPluginInBundleView, dynamic_cast<Bundle*> (&product) != nullptr);
    return cell;
}

juce::Component* ListProductView::refreshLinkCell (ProductBase& product, juce::Component* existing)
{
    const juce::URL page (product.productPage);
    auto* link = reusedCell<platform::LinkButton> (existing);

    if (link != nullptr && link->getURL().toString (true) == page.toString (true))
        return link;

    // Built anew rather than re-pointed with setURL: in this JUCE version assigning (or comparing)
    // two URLs without post data hands null pointers to memcpy or memcmp: undefined behaviour.
    delete link;
    link = new platform::LinkButton ("Link", page);
    link->setFont (juce::Font (16.0f), false, juce::Justification::centred);
    return link;
}

//==============================================================================
void ListProductView::buttonClicked (juce::Button* button)
{
    if (button == nullptr || products == nullptr)
        return;

    if (auto* downloadButton = dynamic_cast<DownloadButton*> (button))
        startOrStopDownload (*downloadButton);
    else if (auto* bundleButton = dynamic_cast<BundleButton*> (button))
        openBundleView (*bundleButton);
}

void ListProductView::startOrStopDownload (DownloadButton& button)
{
    auto* product = productAt (button.row);

    if (product == nullptr || product->downloader == nullptr)
        return;

    auto& worker = *product->downloader;
    button.setButtonText ("STOP");

    if (! worker.isBusy())
    {
        worker.stopRequested = false;
        worker.progress = 0.0;
        worker.startThread (juce::Thread::Priority::low);
    }
    else
    {
        worker.stopRequested = true;
    }

    table.updateContent();
}

void ListProductView::openBundleView (BundleButton& button)
{
    auto* bundle = dynamic_cast<Bundle*> (productAt (button.row));

    if (bundle == nullptr)
        return;

    bundleView = std::make_unique<ListBundleView>();
    bundleView->setSize (1100, 400);
    bundleView->products = &bundle->members;
    bundleView->update (false);

    juce::DialogWindow::LaunchOptions options;
    options.dialogTitle = bundle->name;
    options.dialogBackgroundColour = juce::Colours::grey;
    options.content.setNonOwned (bundleView.get());
    options.componentToCentreAround = this;
    options.escapeKeyTriggersCloseButton = true;
    options.useNativeTitleBar = false;
    options.resizable = true;
    options.useBottomRightCornerResizer = true;
    bundleView->dialog = options.launchAsync();
}

void ListProductView::changeListenerCallback (juce::ChangeBroadcaster* source)
{
    auto* worker = dynamic_cast<DownloadInstaller*> (source);

    if (worker == nullptr)
        return;

    if (auto* cell = dynamic_cast<ButtonsCell*> (table.getCellComponent (buttonsColumn, worker->row)))
    {
        cell->downloadButton.setButtonText ("DOWNLOAD");
        table.updateContent();
    }
}

//==============================================================================
ProductBase* ListProductView::productAt (int rowNumber) const
{
    return products != nullptr ? (*products)[rowNumber] : nullptr;
}

void ListProductView::listenTo (DownloadInstaller& worker)
{
    if (registeredWorkers.addIfNotAlreadyThere (&worker))
        worker.addChangeListener (this);
}
