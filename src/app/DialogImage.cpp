#include "app/DialogImage.h"
#include "platform/Platform.h"

DrawImage::DrawImage (juce::Image picture)
    : image (std::move (picture))
{
}

DrawImage::~DrawImage() = default;

void DrawImage::mouseEnter (const juce::MouseEvent&)
{
    setMouseCursor (juce::MouseCursor::PointingHandCursor);
}

void DrawImage::mouseExit (const juce::MouseEvent&)
{
    setMouseCursor (juce::MouseCursor::NormalCursor);
}

void DrawImage::mouseDown (const juce::MouseEvent&)
{
    if (url.toString (true).isNotEmpty())
        platform::openWithDefaultHandler (url.toString (true));
}

void DrawImage::paint (juce::Graphics& g)
{
    g.fillAll (juce::Colour (0xff000000));

    if (image.isValid())
        g.drawImage (image, getLocalBounds().toFloat(), juce::RectanglePlacement::centred);
}

//==============================================================================
DialogImageOk::DialogImageOk (juce::Image pictureToShow)
    : picture (std::move (pictureToShow)),
      okButton ("OK")
{
    addAndMakeVisible (picture);
    addAndMakeVisible (okButton);
    okButton.addListener (this);
}

DialogImageOk::~DialogImageOk() = default;

void DialogImageOk::resized()
{
    const auto w = getWidth();
    const auto h = getHeight();
    picture.setBounds (0, 0, w, juce::jmax (h, 42) - 42);
    okButton.setBounds (w / 2 - 75, h - 36, 150, 30);
}

void DialogImageOk::buttonClicked (juce::Button*)
{
    if (dialog != nullptr)
        dialog->closeButtonPressed();
}
