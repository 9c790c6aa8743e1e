#pragma once

#include <juce_gui_basics/juce_gui_basics.h>
#include "app/KV.h"

// The main window's content.
class MainComponent : public juce::Component
{
public:
    MainComponent();
    ~MainComponent() override;

private:
    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (MainComponent)
};
