#pragma once

#include <juce_gui_basics/juce_gui_basics.h>
#include "app/KV.h"

class DownloadInstaller;

// One product of the catalogue.
class ProductBase
{
public:
    ProductBase() = default;
    virtual ~ProductBase() = default;

    virtual bool loadFromXml (const juce::XmlElement& xml) = 0;
    virtual bool checkVersion();
    virtual bool checkInstalled();
    virtual bool isOldVersion();
    virtual int getState();
    virtual juce::File getBinaryPath() = 0;

    void loadFromXmlBase (const juce::XmlElement& xml);
    juce::URL getDownloadUrl();

    juce::String name;
    juce::String nameView;
    juce::String file;
    juce::String category;
    juce::String version;
    juce::String installedVersion;
    juce::String folder;
    juce::String productPage;
    juce::Image image;
    bool isNoBundleAvailable = false;
    DownloadInstaller* downloader = nullptr;
    bool installed = false;

private:
    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (ProductBase)
};

class Plugin : public ProductBase
{
public:
    bool loadFromXml (const juce::XmlElement& xml) override;
    juce::File getBinaryPath() override;
};

class Executable : public ProductBase
{
public:
    bool loadFromXml (const juce::XmlElement& xml) override;
    juce::File getBinaryPath() override;
};

class Bundle : public ProductBase
{
public:
    bool loadFromXml (const juce::XmlElement& xml) override;
    bool checkVersion() override;
    bool checkInstalled() override;
    int getState() override;
    juce::File getBinaryPath() override;

    juce::String getBundleVersion();

    juce::Array<ProductBase*> members;
};

// Turns the catalogue's document element into products and their installer workers, appending
// them to the three arrays.
void loadProductsFromXml (const juce::XmlElement& root,
                          juce::Array<ProductBase*>& products,
                          juce::OwnedArray<ProductBase>& allProducts,
                          juce::OwnedArray<DownloadInstaller>& installers);
