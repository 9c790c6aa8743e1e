#pragma once

#include "catalogue/DownloadInstaller.h"
#include "catalogue/Products.h"
#include "platform/Platform.h"
#include "support/TestEnvironment.h"

// The running application with the plug-in and application folders pointed into the test home,
// and the three arrays the main component fills from a catalogue.
class ProductTest : public testsupport::AppTest
{
protected:
    void SetUp() override
    {
        AppTest::SetUp();

        // Tests may share one process and so one home: each starts with nothing installed.
        for (auto folder : { vst3Folder(), appsFolder(), componentsFolder(), aaxFolder() })
            folder.deleteRecursively();

        appSettings().setValue ("vst3Path", vst3Folder().getFullPathName());
        appSettings().setValue ("exePath", appsFolder().getFullPathName());
    }

    static juce::File vst3Folder()        { return testsupport::ScopedTestHome::home().getChildFile ("VST3"); }
    static juce::File appsFolder()        { return testsupport::ScopedTestHome::home().getChildFile ("Applications"); }
    static juce::File componentsFolder()  { return platform::machineLibraryFolder().getChildFile ("Audio/Plug-ins/Components"); }
    static juce::File aaxFolder()         { return platform::machineLibraryFolder().getChildFile ("Application Support/Avid/Audio/Plug-ins"); }

    // Installs a bundle whose Info.plist says the given version.
    static juce::File install (const juce::File& folder, const juce::String& bundleName, const juce::String& version)
    {
        return testsupport::writeBundle (folder.getChildFile (bundleName), testsupport::infoPlistWithVersion (version));
    }

    void loadCatalogue (const juce::String& productElements)
    {
        const auto root = juce::parseXML ("<INSTALLATION_MANAGER version=\"1.0.0\">" + productElements + "</INSTALLATION_MANAGER>");
        ASSERT_NE (root, nullptr);
        loadProductsFromXml (*root, products, allProducts, installers);
    }

    // One tick of the main component's poll on one product.
    static bool pollTick (ProductBase& product)
    {
        const auto installedChanged = product.checkInstalled();
        const auto versionChanged = product.checkVersion();
        return installedChanged || versionChanged;
    }

    juce::OwnedArray<DownloadInstaller> installers;
    juce::OwnedArray<ProductBase> allProducts;
    juce::Array<ProductBase*> products;
};
