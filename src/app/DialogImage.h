#pragma once

#include <juce_gui_basics/juce_gui_basics.h>
#include "app/KV.h"

// A picture fitted and centred on black; pressing it opens its web address, if it has one.
class DrawImage : public juce::Component
{
public:
    explicit DrawImage (juce::Image picture);
    ~DrawImage() override;

    void mouseEnter (const juce::MouseEvent& event) override;
    void mouseExit (const juce::MouseEvent& event) override;
    void mouseDown (const juce::MouseEvent& event) override;
    void paint (juce::Graphics& g) override;

    juce::URL url;
    juce::Image image;

private:
    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (DrawImage)
};

// The content of a dialog window: a picture above an "OK" button that closes the window.
class DialogImageOk : public juce::Component,
                      public juce::Button::Listener
{
public:
    explicit DialogImageOk (juce::Image picture);
    ~DialogImageOk() override;

    void resized() override;
    void buttonClicked (juce::Button* button) override;

    DrawImage picture;
    juce::TextButton okButton;
    juce::DialogWindow* dialog = nullptr;

private:
    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (DialogImageOk)
};
