#pragma once

#include <juce_gui_basics/juce_gui_basics.h>
#include "app/KV.h"
#include "catalogue/FastMemoryOutputStream.h"
#include "catalogue/ProgressRelay.h"

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

    // What the "Save installer" chooser does with its result: copies the installer to the chosen
    // local file. A cancelled chooser (empty result) copies nothing.
    static void copyInstallerTo (const juce::File& installer, const juce::URL& chosen);

    // Message thread: a run counts until its result has been delivered, not only while its
    // thread runs, so that a new one cannot clear the name of an installer not yet opened.
    bool isBusy() const  { return isThreadRunning() || progress != -1.0; }

private:
    void setInstallerFileName (const juce::String& newName);
    juce::String getInstallerFileName();
    void unpack (const void* data, size_t size);

    ProgressRelay progressRelay { progress };

    // A new download may start before the previous one's handleAsyncUpdate has read the name.
    juce::CriticalSection installerFileNameLock;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (DownloadInstaller)
};
