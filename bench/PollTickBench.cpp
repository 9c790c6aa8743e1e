// The cost of one tick of the installed-state poll: checkInstalled() then checkVersion() on every
// listed product, as the main component does every 200 ms. 500 listed products, of which 100 are
// installed and 20 are bundles of 5 members. Prints the time per tick and the share of one core.
// Run it in a private HOME (bench/run-poll-tick does).

#include "app/Main.h"
#include "catalogue/DownloadInstaller.h"
#include "catalogue/Products.h"

#include <cstdio>

namespace
{
void writeBundle (const juce::File& bundle, const juce::String& version)
{
    auto plist = bundle.getChildFile ("Contents").getChildFile ("Info.plist");
    plist.getParentDirectory().createDirectory();
    plist.replaceWithText ("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\">\n<dict>\n"
                           "  <key>CFBundleName</key>\n  <string>Bench</string>\n"
                           "  <key>CFBundleShortVersionString</key>\n  <string>" + version + "</string>\n"
                           "</dict>\n</plist>\n", false, false, "\n");
}

std::unique_ptr<juce::XmlElement> makeCatalogue (const juce::File& vst3Folder)
{
    auto root = std::make_unique<juce::XmlElement> ("INSTALLATION_MANAGER");

    auto addPlugin = [&] (juce::XmlElement& parent, const juce::String& name, bool installed)
    {
        auto* plugin = parent.createNewChildElement ("PLUGIN");
        plugin->setAttribute ("name", name);
        plugin->setAttribute ("nameView", name);
        plugin->setAttribute ("version", "1.2.0");
        plugin->setAttribute ("folder", "bench");

        if (installed)
            writeBundle (vst3Folder.getChildFile (name + ".vst3"), "1.1.0");
    };

    for (int i = 0; i < 480; ++i)
        addPlugin (*root, "Plugin " + juce::String (i), i < 100);

    for (int b = 0; b < 20; ++b)
    {
        auto* bundle = root->createNewChildElement ("BUNDLE");
        bundle->setAttribute ("name", "Bundle " + juce::String (b));
        bundle->setAttribute ("version", "1.0.0");

        for (int m = 0; m < 5; ++m)
            addPlugin (*bundle, "Member " + juce::String (b) + "-" + juce::String (m), m < 3);
    }

    return root;
}
}

int main()
{
    juce::ScopedJuceInitialiser_GUI juceInitialiser;
    MosaireApplication app;
    app.openSettingsAndFolders();

    const auto folders = juce::File::createTempFile ("poll-bench");
    const auto vst3 = folders.getChildFile ("VST3");
    vst3.createDirectory();
    app.appSettings->getUserSettings()->setValue ("vst3Path", vst3.getFullPathName());
    app.appSettings->getUserSettings()->setValue ("exePath", folders.getChildFile ("Applications").getFullPathName());

    juce::Array<ProductBase*> products;
    juce::OwnedArray<ProductBase> allProducts;
    juce::OwnedArray<DownloadInstaller> installers;
    loadProductsFromXml (*makeCatalogue (vst3), products, allProducts, installers);

    int refreshes = 0;
    auto tick = [&]
    {
        for (auto* product : products)
        {
            refreshes += product->checkInstalled() ? 1 : 0;
            refreshes += product->checkVersion() ? 1 : 0;
        }
    };

    tick();   // warm the file system cache
    refreshes = 0;

    const int ticks = 50;
    const auto start = juce::Time::getMillisecondCounterHiRes();
    for (int i = 0; i < ticks; ++i)
        tick();
    const auto perTick = (juce::Time::getMillisecondCounterHiRes() - start) / ticks;

    std::printf ("listed products: %d (all products: %d, installer workers: %d)\n",
                 products.size(), allProducts.size(), installers.size());
    std::printf ("poll tick: %.2f ms, %.2f %% of one core at one tick every 200 ms (goal: under 2 %%)\n",
                 perTick, perTick / 200.0 * 100.0);
    std::printf ("table refreshes asked for per tick: %.1f\n", (double) refreshes / ticks);

    installers.clear();
    allProducts.clear();
    folders.deleteRecursively();
    app.shutdown();
    return 0;
}
