#include "app/LogoImage.h"
#include "app/ImagesBinaryData.h"
#include "platform/Platform.h"
#include "app/WebAddresses.h"

LogoImage::LogoImage()
{
    drawable = juce::Drawable::createFromImageData (temp_binary_data_1, (size_t) temp_binary_data_1Size);
}

LogoImage::~LogoImage()
{
    drawable.reset();
}

void LogoImage::mouseDoubleClick (const juce::MouseEvent&)
{
    platform::openWithDefaultHandler (WebAddresses::homePage());
}

void LogoImage::paint (juce::Graphics& g)
{
    if (drawable != nullptr)
        drawable->drawWithin (g, getLocalBounds().toFloat(), juce::RectanglePlacement::centred, 1.0f);
}
