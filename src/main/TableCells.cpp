#include "main/TableCells.h"

ListBaseButton::ListBaseButton (const juce::String& buttonText)
    : juce::TextButton (buttonText)
{
}

ListBaseButton::~ListBaseButton() = default;

//==============================================================================
ButtonsCell::ButtonsCell (juce::Button::Listener& listener)
{
    addAndMakeVisible (downloadButton);
    addChildComponent (bundleButton);
    downloadButton.addListener (&listener);
    bundleButton.addListener (&listener);
}

ButtonsCell::~ButtonsCell() = default;

void ButtonsCell::resized()
{
    if (! downloadButton.isVisible())
        return;

    const auto w = getWidth();
    const auto h = getHeight();
    const auto buttonWidth = juce::roundToInt ((float) w * 0.48f);
    const auto buttonHeight = juce::roundToInt ((float) h * 0.5f);
    const auto y = h / 2 - buttonHeight / 2;

    downloadButton.setBounds (0, y, buttonWidth, buttonHeight);
    bundleButton.setBounds ((int) ((float) w * 0.5f), y, buttonWidth, buttonHeight);
}

void ButtonsCell::showButtons (bool showDownload, bool showBundle)
{
    if (downloadButton.isVisible() == showDownload && bundleButton.isVisible() == showBundle)
        return;

    downloadButton.setVisible (showDownload);
    bundleButton.setVisible (showBundle);
    resized();
}
