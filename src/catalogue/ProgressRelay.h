#pragma once

#include <juce_events/juce_events.h>
#include "app/KV.h"

// Hands a transfer's progress from its worker thread to the message thread. The displayed value
// (progress bars hold a reference to it) is written on the message thread only.
class ProgressRelay : private juce::AsyncUpdater
{
public:
    explicit ProgressRelay (double& displayedValue)  : displayed (displayedValue) {}
    ~ProgressRelay() override  { cancelPendingUpdate(); }

    // Worker thread: the new fraction, copied to the displayed value soon after.
    void set (double fraction)
    {
        latest = fraction;
        triggerAsyncUpdate();
    }

    // Message thread: drops a copy not made yet, so that a late one cannot overwrite what the
    // message thread writes next.
    void cancel()  { cancelPendingUpdate(); }

    // Message thread: makes a pending copy at once.
    void flush()  { handleUpdateNowIfNeeded(); }

private:
    void handleAsyncUpdate() override  { displayed = latest.load(); }

    double& displayed;
    std::atomic<double> latest { -1.0 };

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (ProgressRelay)
};
