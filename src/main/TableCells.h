#pragma once

#include <juce_gui_basics/juce_gui_basics.h>
#include "app/KV.h"

// A button of a table cell that knows which row it currently shows.
class ListBaseButton : public juce::TextButton
{
public:
    explicit ListBaseButton (const juce::String& text);
    ~ListBaseButton() override;

    int row = -1;

private:
    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (ListBaseButton)
};

// DOWNLOAD / STOP of a row; the click handler tells the buttons apart by their type.
class DownloadButton : public ListBaseButton
{
public:
    using ListBaseButton::ListBaseButton;

private:
    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (DownloadButton)
};

// VIEW BUNDLE of a bundle's row.
class BundleButton : public ListBaseButton
{
public:
    using ListBaseButton::ListBaseButton;

private:
    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (BundleButton)
};

// The button cell of a product row.
class ButtonsCell : public juce::Component
{
public:
    explicit ButtonsCell (juce::Button::Listener& listener);
    ~ButtonsCell() override;

    void resized() override;

    // Shows or hides the buttons; a cell that the table reuses for another kind of row is laid
    // out again at once, since the table does not resize a cell whose size stays the same.
    void showButtons (bool showDownload, bool showBundle);

    DownloadButton downloadButton { "DOWNLOAD" };
    BundleButton bundleButton { "VIEW BUNDLE" };

private:
    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (ButtonsCell)
};
