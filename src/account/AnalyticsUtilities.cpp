#include "account/AnalyticsUtilities.h"
#include "platform/AbortOnThreadExit.h"
#include "MosaireConfig.h"

#include <optional>

namespace KV
{
namespace
{
juce::StringArray probeAddresses()
{
    juce::StringArray addresses;

    for (auto* scheme : { "http://", "https://" })
        for (auto* site : MosaireConfig::probeSites)
            addresses.add (juce::String (scheme) + site);

    return addresses;
}

// Opened as juce::URL::createInputStream opens it (parameters in the address, 2000 ms to
// connect, the default redirects), but built here so that the thread's exit request can cancel it.
bool opens (const juce::URL& address)
{
    juce::WebInputStream stream (address, false);
    stream.withConnectionTimeout (2000);
    stream.withNumRedirectsToFollow (5);

    std::optional<platform::AbortOnThreadExit> abortOnExit;
    if (auto* thread = juce::Thread::getCurrentThread())
        abortOnExit.emplace (*thread, stream);

    return stream.connect (nullptr) && ! stream.isError();
}
}

const juce::StringArray AnalyticsUtilities::urlsToTry = probeAddresses();

bool AnalyticsUtilities::areMajorWebsitesAvailable()
{
    for (auto& address : urlsToTry)
        if (opens (juce::URL (address)))
            return true;

    return false;
}
}
