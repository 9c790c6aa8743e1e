#pragma once

#include <juce_gui_basics/juce_gui_basics.h>
#include "app/KV.h"

// The application's one look and feel: black grounds, white bold text, dark-red buttons and its
// own message-box drawing.
class CustomLookAndFeel : public juce::LookAndFeel_V4
{
public:
    CustomLookAndFeel();
    ~CustomLookAndFeel() override;

    juce::Typeface::Ptr getTypefaceForFont (const juce::Font& font) override;

    void drawAlertBox (juce::Graphics& g, juce::AlertWindow& alert,
                       const juce::Rectangle<int>& textArea, juce::TextLayout& textLayout) override;

    std::unique_ptr<juce::Drawable> alertIcon;
    std::unique_ptr<juce::Drawable> warningIcon;

private:
    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (CustomLookAndFeel)
};
