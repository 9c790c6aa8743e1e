#pragma once

#include <juce_core/juce_core.h>
#include "app/KV.h"

// Versions of installed bundles, and how two version texts rank.
namespace Utility
{
    // The bundle's CFBundleShortVersionString in exactly three dot-separated parts, or "".
    juce::String getVersion3Number (juce::File bundle);

    // 1, 0 or -1 as a ranks above, equal to or below b, by the number its digits form once the
    // dots are removed.
    int compareVersion (juce::String a, juce::String b);
}
