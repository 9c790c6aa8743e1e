#pragma once

#include <juce_gui_basics/juce_gui_basics.h>
#include "app/KV.h"
#include "catalogue/FastMemoryOutputStream.h"

// Downloads one product's installer archive, unpacks it into the temporary download folder and
// then opens the installer or offers to save it.
class DownloadInstaller : public juce::Thread,
                          public juce::AsyncUpdater,
                          public juce::ChangeBroadcaster
{
public:
    explicit DownloadInstaller (juce::URL url);
    ~DownloadInstaller() override;

    void run() override;
    void handleAsyncUpdate() override;

    // -1.0 when idle, then the fraction received. Written and read on the message thread only
    // (progress bars hold a reference to it); the transfer's own value reaches it through
    // progressRelay.
    double progress = -1.0;
    int row = 0;
    juce::URL installerUrl;
    std::atomic<bool> stopRequested { false };
    juce::String installerFileName;
    std::unique_ptr<juce::FileChooser> fileChooser;

private:
    // ... private members of the implementation (transfer progress, relay) go here.

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (DownloadInstaller)
};
