#pragma once

#include <juce_gui_basics/juce_gui_basics.h>
#include "app/KV.h"

// The maker's logo; a double-click opens the maker's home page.
class LogoImage : public juce::Component
{
public:
    LogoImage();
    ~LogoImage() override;

    void mouseDoubleClick (const juce::MouseEvent& event) override;
    void paint (juce::Graphics& g) override;

    std::unique_ptr<juce::Drawable> drawable;

private:
    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (LogoImage)
};
