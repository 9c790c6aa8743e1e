#pragma once

#include <juce_gui_basics/juce_gui_basics.h>
#include "app/KV.h"

class ProductBase;
class DownloadInstaller;
class ListBundleView;
class DownloadButton;
class BundleButton;

// The product table: one row per product of the array it is pointed at, with picture, name,
// category, version, state, buttons and product page. It is its table's model, starts and
// stops the rows' installer downloads and opens bundle views.
class ListProductView : public juce::Component,
                        public juce::TableListBoxModel,
                        public juce::Button::Listener,
                        public juce::ChangeListener
{
public:
    ListProductView();
    ~ListProductView() override;

    // Refreshes this table and every bundle view chained from it, repainting them when asked.
    void update (bool repaintTables);

    void resized() override;

    void paintRowBackground (juce::Graphics& g, int rowNumber, int width, int height, bool rowIsSelected) override;
    void paintCell (juce::Graphics& g, int rowNumber, int columnId, int width, int height, bool rowIsSelected) override;
    juce::Component* refreshComponentForCell (int rowNumber, int columnId, bool rowIsSelected,
                                              juce::Component* existingComponent) override;
    int getNumRows() override;
    void sortOrderChanged (int newSortColumnId, bool isForwards) override;

    void buttonClicked (juce::Button* button) override;
    void changeListenerCallback (juce::ChangeBroadcaster* source) override;

    juce::TableListBox table;
    juce::Array<ProductBase*>* products = nullptr;
    std::unique_ptr<ListBundleView> bundleView;

private:
    ProductBase* productAt (int rowNumber) const;
    void listenTo (DownloadInstaller& worker);

    juce::Component* refreshStateCell (ProductBase& product, int rowNumber, juce::Component* existing);
    juce::Component* refreshButtonsCell (ProductBase& product, int rowNumber, juce::Component* existing);
    juce::Component* refreshLinkCell (ProductBase& product, juce::Component* existing);

    void startOrStopDownload (DownloadButton& button);
    void openBundleView (BundleButton& button);

    // Workers whose change messages this view receives; it leaves them when it goes, so a
    // replaced bundle view is never called back. They must outlive the view.
    juce::Array<DownloadInstaller*> registeredWorkers;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (ListProductView)
};
