#pragma once

#include <juce_core/juce_core.h>
#include "app/KV.h"

namespace KV
{
// Tells a missing internet connection from an unavailable sign-in backend.
struct AnalyticsUtilities
{
    // Three well-known sites by http, then the same three by https.
    static const juce::StringArray urlsToTry;

    // True when any address of urlsToTry opens; stops at the first that does.
    // On a juce::Thread, that thread's exit request cancels the attempt in progress.
    static bool areMajorWebsitesAvailable();
};
}
