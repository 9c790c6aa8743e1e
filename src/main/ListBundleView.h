#pragma once

#include "main/ListProductView.h"

// The table of one bundle's members, shown in a dialog window with a CLOSE button.
class ListBundleView : public ListProductView
{
public:
    ListBundleView();
    ~ListBundleView() override;

    void resized() override;
    void buttonClicked (juce::Button* button) override;

    // The window showing this view; it deletes itself when closed.
    juce::Component::SafePointer<juce::DialogWindow> dialog;
    juce::TextButton closeButton { "CLOSE" };

private:
    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (ListBundleView)
};
