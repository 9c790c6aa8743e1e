#pragma once

#include "catalogue/DownloadInstaller.h"
#include "catalogue/Products.h"
#include "support/LocalServer.h"

namespace testsupport
{
// Table rows built directly, without a catalogue. Declare it before any view that shows it:
// its workers must outlive the views listening to them.
class ProductRows
{
public:
    template <typename Kind>
    Kind& add (const juce::String& name, int state = 1)
    {
        auto* product = new Kind();
        owned.add (product);
        rows.add (product);
        product->name = product->nameView = name;
        product->version = "1.1.0";
        product->installed = state >= 2;
        product->installedVersion = state == 2 ? "1.0.0" : "1.1.0";

        if (state == 0)
            giveWorker (*product).progress = 0.25;

        return *product;
    }

    // A worker fetching /installer/<name>_Mac.zip.
    DownloadInstaller& giveWorker (ProductBase& product)
    {
        const auto url = LocalServer::baseUrl() + "/installer/" + product.name + "_Mac.zip";
        return *(product.downloader = workers.add (new DownloadInstaller (juce::URL (url))));
    }

    juce::StringArray names() const
    {
        juce::StringArray result;

        for (auto* product : rows)
            result.add (product->nameView);

        return result;
    }

    juce::OwnedArray<DownloadInstaller> workers;
    juce::OwnedArray<ProductBase> owned;
    juce::Array<ProductBase*> rows;
};
}
