#pragma once

#include <juce_gui_basics/juce_gui_basics.h>
#include "app/KV.h"

// The state cell of a product row: the state text, with a progress bar below it while the
// product's installer downloads.
class Status : public juce::Component
{
public:
    Status();
    ~Status() override;

    void resized() override;

    // Replaces the bar with a new one on the given value, or drops it when there is none.
    void bindProgress (double* progress);

    // Shows a product display state: its text and colour, and the bar only while downloading.
    void showState (int state);

    std::unique_ptr<juce::ProgressBar> progressBar;
    juce::Label label;

private:
    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (Status)
};
