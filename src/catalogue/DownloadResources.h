#pragma once

#include <juce_gui_basics/juce_gui_basics.h>
#include <atomic>
#include "app/KV.h"
#include "catalogue/ProgressRelay.h"
#include "app/DialogImage.h"

// Runs once per start: fetches the catalogue into the own settings and, when its picture count
// has grown, renews the images folder from the picture archive. While it works it covers the
// window with a black overlay showing a picture and a progress bar.
class DownloadResource : public juce::Component,
                         public juce::Thread,
                         public juce::AsyncUpdater,
                         public juce::ChangeBroadcaster
{
public:
    DownloadResource();
    ~DownloadResource() override;

    void paint (juce::Graphics& g) override;
    void resized() override;
    void run() override;
    void handleAsyncUpdate() override;

    std::unique_ptr<juce::ProgressBar> progressBar;

    // -1.0 until the picture archive starts arriving, then the fraction received. Written and
    // read on the message thread only (the progress bar holds a reference to it); the transfer's
    // own value reaches it through progressRelay.
    double progress = -1.0;

    DrawImage picture;

    // 0 catalogue received, 1 the answer was no catalogue, 2 no connection to the server.
    std::atomic<int> status { 0 };

private:
    bool readCatalogue (juce::MemoryOutputStream& body);
    bool renewPictures();

    ProgressRelay progressRelay { progress };

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (DownloadResource)
};
