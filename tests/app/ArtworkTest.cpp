#include <gtest/gtest.h>
#include <cstdlib>
#include "app/CustomLookAndFeel.h"
#include "app/DialogImage.h"
#include "app/ImagesBinaryData.h"
#include "app/LogoImage.h"

// Checks that the embedded artwork parses and shows what it should. Set MOSAIRE_ARTWORK_RENDERS
// to a folder to also get every rendering as a PNG file there, for a look with one's own eyes.

namespace
{
std::unique_ptr<juce::Drawable> svg (const char* data, int size)
{
    return juce::Drawable::createFromImageData (data, (size_t) size);
}

juce::Image png (const char* data, int size)
{
    return juce::ImageCache::getFromMemory (data, size);
}

// Draws a picture on black, as the program shows all of them.
juce::Image onBlack (int width, int height, const std::function<void (juce::Graphics&)>& draw)
{
    juce::Image image (juce::Image::ARGB, width, height, true);
    juce::Graphics g (image);
    g.fillAll (juce::Colours::black);
    draw (g);
    return image;
}

juce::Image onBlack (juce::Drawable& drawable, int width, int height)
{
    return onBlack (width, height, [&] (juce::Graphics& g)
    {
        drawable.drawWithin (g, { 0.0f, 0.0f, (float) width, (float) height }, juce::RectanglePlacement::centred, 1.0f);
    });
}

juce::Image onBlack (const juce::Image& picture)
{
    return onBlack (picture.getWidth(), picture.getHeight(), [&] (juce::Graphics& g) { g.drawImageAt (picture, 0, 0); });
}

juce::Image snapshot (juce::Component& component)
{
    return component.createComponentSnapshot (component.getLocalBounds(), true, 1.0f);
}

void keepForViewing (const juce::Image& image, const juce::String& name)
{
    if (auto* folder = std::getenv ("MOSAIRE_ARTWORK_RENDERS"))
    {
        auto file = juce::File (folder).getChildFile (name + ".png");
        file.deleteFile();
        juce::FileOutputStream out (file);
        juce::PNGImageFormat().writeImageToStream (image, out);
    }
}

bool isWhite (juce::Colour c)   { return c.getRed() > 220 && c.getGreen() > 220 && c.getBlue() > 220; }
bool isYellow (juce::Colour c)  { return c.getRed() > 220 && c.getGreen() > 170 && c.getBlue() < 80; }
bool isDarkRed (juce::Colour c) { return c.getRed() > 110 && c.getRed() < 170 && c.getGreen() < 30 && c.getBlue() < 30; }

int count (const juce::Image& image, juce::Rectangle<int> area, bool (*test) (juce::Colour))
{
    int n = 0;
    for (int y = area.getY(); y < area.getBottom(); ++y)
        for (int x = area.getX(); x < area.getRight(); ++x)
            n += test (image.getPixelAt (x, y)) ? 1 : 0;
    return n;
}
}

TEST (Artwork, DrawingsParseAndShowTheirShapes)
{
    auto logo = svg (temp_binary_data_1, temp_binary_data_1Size);
    auto gear = svg (BinaryData::temp_binary_data_2, BinaryData::temp_binary_data_2Size);
    ASSERT_NE (logo, nullptr);
    ASSERT_NE (gear, nullptr);
    EXPECT_NE (svg (temp_binary_data_28, temp_binary_data_28Size), nullptr);
    EXPECT_NE (svg (temp_binary_data_29, temp_binary_data_29Size), nullptr);

    // The logo: about 5 : 1, white with one dark-red element.
    const auto logoBounds = logo->getDrawableBounds();
    EXPECT_NEAR (logoBounds.getWidth() / logoBounds.getHeight(), 5.0f, 0.2f);
    const auto logoShown = onBlack (*logo, 1000, 200);
    keepForViewing (logoShown, "logo");
    EXPECT_GT (count (logoShown, logoShown.getBounds(), isWhite), 20000);
    EXPECT_GT (count (logoShown, logoShown.getBounds(), isDarkRed), 100);
    EXPECT_EQ (count (logoShown, logoShown.getBounds(), isYellow), 0);

    // The gear: white teeth around a bore, on a transparent ground.
    const auto gearBounds = gear->getDrawableBounds();
    EXPECT_FLOAT_EQ (gearBounds.getWidth(), gearBounds.getHeight());
    const auto gearShown = onBlack (*gear, 100, 100);
    keepForViewing (gearShown, "gear");
    EXPECT_TRUE (isWhite (gearShown.getPixelAt (50, 8)));
    EXPECT_FALSE (isWhite (gearShown.getPixelAt (50, 50)));
    EXPECT_FALSE (isWhite (gearShown.getPixelAt (2, 2)));
}

TEST (Artwork, UpdatePictureHasWhiteArrowsAboveAYellowUnderlinedCaption)
{
    const auto picture = png (BinaryData::temp_binary_data_3, BinaryData::temp_binary_data_3Size);
    ASSERT_TRUE (picture.isValid());
    EXPECT_EQ (picture.getBounds(), juce::Rectangle<int> (0, 0, 600, 280));
    EXPECT_TRUE (picture.hasAlphaChannel());
    EXPECT_EQ (picture.getPixelAt (0, 0).getAlpha(), 0);

    const auto shown = onBlack (picture);
    keepForViewing (shown, "update-picture");
    EXPECT_GT (count (shown, { 150, 0, 300, 180 }, isWhite), 3000);    // arrows
    EXPECT_EQ (count (shown, { 0, 0, 600, 180 }, isYellow), 0);
    EXPECT_GT (count (shown, { 0, 190, 600, 50 }, isYellow), 3000);    // caption

    int underlineRows = 0;
    for (int y = 235; y < 280; ++y)
        underlineRows += count (shown, { 0, y, 600, 1 }, isYellow) > 400 ? 1 : 0;
    EXPECT_GE (underlineRows, 2);
}

TEST (Artwork, OverlayPictureIsWhiteLettering)
{
    const auto picture = png (BinaryData::temp_binary_data_4, BinaryData::temp_binary_data_4Size);
    ASSERT_TRUE (picture.isValid());
    EXPECT_EQ (picture.getBounds(), juce::Rectangle<int> (0, 0, 600, 148));
    EXPECT_TRUE (picture.hasAlphaChannel());
    EXPECT_EQ (picture.getPixelAt (0, 0).getAlpha(), 0);

    const auto shown = onBlack (picture);
    keepForViewing (shown, "overlay-picture");
    EXPECT_GT (count (shown, shown.getBounds(), isWhite), 4000);
    EXPECT_EQ (count (shown, shown.getBounds(), isYellow), 0);
}

TEST (Artwork, ComponentsShowTheirPictures)
{
    CustomLookAndFeel lookAndFeel;

    LogoImage logo;
    logo.setSize (150, 50);
    const auto logoShown = onBlack (150, 50, [&] (juce::Graphics& g) { logo.paintEntireComponent (g, true); });
    keepForViewing (logoShown, "logo-150x50");
    EXPECT_GT (count (logoShown, logoShown.getBounds(), isWhite), 300);

    DrawImage overlayPicture (png (BinaryData::temp_binary_data_4, BinaryData::temp_binary_data_4Size));
    overlayPicture.setSize (200, 50);
    const auto overlayShown = snapshot (overlayPicture);
    keepForViewing (overlayShown, "overlay-200x50");
    EXPECT_GT (count (overlayShown, overlayShown.getBounds(), isWhite), 300);

    DialogImageOk notice (png (BinaryData::temp_binary_data_3, BinaryData::temp_binary_data_3Size));
    notice.setLookAndFeel (&lookAndFeel);
    notice.setSize (600, 280);
    const auto noticeShown = snapshot (notice);
    keepForViewing (noticeShown, "update-dialog-600x280");
    EXPECT_GT (count (noticeShown, { 45, 0, 510, 238 }, isYellow), 2000);
    EXPECT_EQ (count (noticeShown, { 0, 0, 40, 280 }, isYellow), 0);
    notice.setLookAndFeel (nullptr);
}
