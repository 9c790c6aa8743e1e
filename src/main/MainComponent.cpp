#include "main/MainComponent.h"
#include "app/ImagesBinaryData.h"
#include "app/Main.h"
#include "app/WebAddresses.h"
#include "catalogue/Utility.h"
#include "platform/Platform.h"

MainComponent::MainComponent()
{
    setSize (1400, 600);

    addAndMakeVisible (toolbar);
    toolbar.addChangeListener (this);

    addAndMakeVisible (listProductView);

    loginDialog.addChangeListener (this);
    addAndMakeVisible (loginDialog);
    loginDialog.verify();

    addAndMakeVisible (downloadResource);
    downloadResource.addChangeListener (this);
    downloadResource.startThread (juce::Thread::Priority::normal);

    listProductView.products = &products;

    startTimer (200);
}

MainComponent::~MainComponent() = default;

void MainComponent::resized()
{
    const auto w = getWidth();
    const auto h = getHeight();
    loginDialog.setBounds (0, 0, w, h);
    downloadResource.setBounds (0, 0, w, h);
    toolbar.setBounds (0, 0, w, 50);
    listProductView.setBounds (0, 50, w, h - 50);
}

void MainComponent::timerCallback()
{
    for (auto* product : products)
    {
        if (product->checkInstalled())
            listProductView.update (true);

        if (product->checkVersion())
            listProductView.update (true);
    }
}

void MainComponent::changeListenerCallback (juce::ChangeBroadcaster* source)
{
    if (source == nullptr)
        return;

    if (dynamic_cast<DownloadResource*> (source) != nullptr)
    {
        buildProductsFromCatalogue();
    }
    else if (dynamic_cast<LoginDialog*> (source) != nullptr)
    {
        toolbar.update();
        listProductView.update (true);
    }
    else if (dynamic_cast<AppToolbar*> (source) != nullptr)
    {
        loginDialog.setVisible (true);
        listProductView.update (true);
    }
}

void MainComponent::buildProductsFromCatalogue()
{
    const auto text = MosaireApplication::ownSettings().getValue ("xmlAppProducts", {});

    if (auto root = juce::XmlDocument (text).getDocumentElement())
    {
        if (root->getTagName().equalsIgnoreCase ("INSTALLATION_MANAGER"))
        {
            const auto running = Utility::getVersion3Number (platform::runningApplicationBundle());
            const auto available = root->getStringAttribute ("version", "0");

            if (Utility::compareVersion (running, available) == -1)
                showUpdateNotice();

            loadProductsFromXml (*root, products, allProducts, installers);
        }
    }

    listProductView.update (false);
    listProductView.table.getHeader().setSortColumnId (2, true);
}

void MainComponent::showUpdateNotice()
{
    updateDialog = std::make_unique<DialogImageOk> (
        juce::ImageCache::getFromMemory (BinaryData::temp_binary_data_3, BinaryData::temp_binary_data_3Size));
    updateDialog->setSize (600, 280);
    updateDialog->picture.url = juce::URL (WebAddresses::downloadPage());

    juce::DialogWindow::LaunchOptions options;
    options.dialogTitle = "New version available";
    options.dialogBackgroundColour = juce::Colours::grey;
    options.content.setNonOwned (updateDialog.get());
    options.componentToCentreAround = nullptr;
    options.escapeKeyTriggersCloseButton = true;
    options.useNativeTitleBar = false;
    options.resizable = true;
    options.useBottomRightCornerResizer = true;

    updateDialog->dialog = options.launchAsync();
}
