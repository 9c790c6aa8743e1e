#pragma once

#include <juce_gui_extra/juce_gui_extra.h>
#include "account/LoginDialog.h"
#include "app/DialogImage.h"
#include "catalogue/DownloadInstaller.h"
#include "catalogue/DownloadResources.h"
#include "catalogue/Products.h"
#include "main/ListProductView.h"
#include "main/Toolbar.h"

// The main window's content and the hub of the program: it owns the toolbar, both overlays, the
// product table, every product and every installer worker, polls the installed state and
// dispatches the change messages.
class MainComponent : public juce::Component,
                      public juce::Timer,
                      public juce::ChangeListener
{
public:
    MainComponent();
    ~MainComponent() override;

    void resized() override;
    void timerCallback() override;
    void changeListenerCallback (juce::ChangeBroadcaster* source) override;

private:
    void buildProductsFromCatalogue();
    void showUpdateNotice();

    AppToolbar toolbar;
    LoginDialog loginDialog;
    DownloadResource downloadResource;
    juce::Array<ProductBase*> products;
    juce::OwnedArray<ProductBase> allProducts;
    juce::OwnedArray<DownloadInstaller> installers;
    // Declared after the workers so that it goes first: the table and its bundle views stop
    // listening to the workers when they go, so the workers must still be there.
    ListProductView listProductView;
    std::unique_ptr<DialogImageOk> updateDialog;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (MainComponent)
};
