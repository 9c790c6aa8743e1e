#include "main/ListBundleView.h"

ListBundleView::ListBundleView()
{
    addAndMakeVisible (closeButton);
    closeButton.addListener (this);
}

ListBundleView::~ListBundleView()
{
    // A view replaced or destroyed while its window is still open takes the window with it,
    // rather than leaving an empty window behind.
    if (dialog != nullptr)
        delete dialog.getComponent();
}

void ListBundleView::resized()
{
    const auto w = getWidth();
    const auto h = getHeight();
    table.setBounds (0, 0, w, juce::jmax (0, h - 42));
    closeButton.setBounds (w / 2 - 50, h - 36, 100, 30);
}

void ListBundleView::buttonClicked (juce::Button* button)
{
    if (dialog != nullptr && button == &closeButton)
        dialog->closeButtonPressed();

    ListProductView::buttonClicked (button);
}
