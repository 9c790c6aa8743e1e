#pragma once

#include <juce_core/juce_core.h>
#include "MosaireConfig.h"

// Addresses on the maker's web site and storage, formed from this build's configured hosts.
namespace WebAddresses
{
    // A page of the maker's web site, e.g. sitePage ("/account/login").
    inline juce::String sitePage (const juce::String& path)   { return juce::String (MosaireConfig::websiteUrl) + path; }

    inline juce::String homePage()       { return sitePage ("/"); }
    inline juce::String downloadPage()   { return sitePage ("/pages/solvanti-audio-mosaire"); }

    // The blob storage folder that holds the installers, and under "Mosaire" the catalogue.
    inline juce::URL installerBase()     { return juce::URL (juce::String (MosaireConfig::blobStorageUrl) + "/installer"); }
}
