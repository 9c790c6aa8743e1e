#include <gtest/gtest.h>
#include <climits>
#include "app/CustomLookAndFeel.h"

namespace
{
struct AlertRender
{
    juce::Image image;
    juce::Rectangle<int> textArea;
};

// Paints an alert through drawAlertBox with white text filling the given text area.
AlertRender renderAlert (CustomLookAndFeel& lnf, juce::MessageBoxIconType type, int width, int height,
                         int buttons, juce::Rectangle<int> textArea)
{
    juce::AlertWindow alert ("Server busy", "", type);
    for (int i = 0; i < buttons; ++i)
        alert.addButton ("B" + juce::String (i), i);
    alert.setLookAndFeel (&lnf);
    alert.setBounds (0, 0, width, height);

    juce::AttributedString text;
    text.append (juce::String::repeatedString ("MMMM ", 10), juce::Font (20.0f), juce::Colours::white);
    juce::TextLayout layout;
    layout.createLayout (text, 150.0f);

    // The image is taller than a low alert, so that an icon reaching below it can be measured.
    AlertRender render { juce::Image (juce::Image::ARGB, width, juce::jmax (height, 150), true), textArea };
    juce::Graphics g (render.image);
    lnf.drawAlertBox (g, alert, textArea, layout);
    alert.setLookAndFeel (nullptr);
    return render;
}

bool isRed (juce::Colour c)    { return c.getRed() > 150 && c.getGreen() < 110 && c.getBlue() < 110; }
bool isWhite (juce::Colour c)  { return c.getRed() > 200 && c.getGreen() > 200 && c.getBlue() > 200; }

// The bounding box of the pixels that match, inside the given area.
juce::Rectangle<int> boundsOf (const juce::Image& image, juce::Rectangle<int> area, bool (*match) (juce::Colour))
{
    int left = INT_MAX, top = INT_MAX, right = -1, bottom = -1;
    for (int y = area.getY(); y < area.getBottom(); ++y)
        for (int x = area.getX(); x < area.getRight(); ++x)
            if (match (image.getPixelAt (x, y)))
            {
                left = juce::jmin (left, x); top = juce::jmin (top, y);
                right = juce::jmax (right, x); bottom = juce::jmax (bottom, y);
            }
    return right < 0 ? juce::Rectangle<int>() : juce::Rectangle<int> (left, top, right - left + 1, bottom - top + 1);
}
}

TEST (LookAndFeel, WarningBoxDrawsItsIconInAHundredPixelSquareAndShiftsTheText)
{
    CustomLookAndFeel lnf;
    const auto r = renderAlert (lnf, juce::MessageBoxIconType::WarningIcon, 420, 150, 1, { 10, 10, 400, 60 });

    const auto icon = boundsOf (r.image, { 0, 0, 130, 150 }, isRed);
    ASSERT_FALSE (icon.isEmpty());
    EXPECT_GE (icon.getX(), 20);
    EXPECT_GE (icon.getY(), 20);
    EXPECT_LE (icon.getRight(), 120);
    EXPECT_LE (icon.getBottom(), 120);
    EXPECT_GE (icon.getWidth(), 75);     // scaled up from its 60 pixels to fill the square

    const auto text = boundsOf (r.image, juce::Rectangle<int> (130, 1, 289, 148), isWhite);
    ASSERT_FALSE (text.isEmpty());
    EXPECT_GE (text.getX(), 10 + 120);
    EXPECT_GE (text.getY(), 10 + 30);

    EXPECT_EQ (r.image.getPixelAt (0, 75), juce::Colour (0xffd3d3d3));   // outline
    EXPECT_EQ (r.image.getPixelAt (200, 5), juce::Colour (0xff000000));   // background
}

TEST (LookAndFeel, IconShrinksForLowBoxesAndBoxesWithManyButtons)
{
    CustomLookAndFeel lnf;

    const auto low = renderAlert (lnf, juce::MessageBoxIconType::WarningIcon, 420, 50, 1, { 10, 0, 400, 10 });
    auto icon = boundsOf (low.image, { 0, 0, 130, 150 }, isRed);
    ASSERT_FALSE (icon.isEmpty());
    EXPECT_GT (icon.getWidth(), 50);      // 70 pixels square
    EXPECT_LE (icon.getRight(), 90);
    EXPECT_LE (icon.getBottom(), 90);

    const auto many = renderAlert (lnf, juce::MessageBoxIconType::WarningIcon, 420, 150, 3, { 10, 10, 400, 30 });
    icon = boundsOf (many.image, { 0, 0, 130, 150 }, isRed);
    ASSERT_FALSE (icon.isEmpty());
    EXPECT_LE (icon.getRight(), 100);     // 30 + 50 = 80 pixels
    EXPECT_LE (icon.getBottom(), 100);
    EXPECT_GT (icon.getWidth(), 55);
}

TEST (LookAndFeel, BoxWithoutIconUsesTheWholeTextArea)
{
    CustomLookAndFeel lnf;
    const auto r = renderAlert (lnf, juce::MessageBoxIconType::NoIcon, 420, 150, 1, { 10, 10, 400, 60 });

    EXPECT_TRUE (boundsOf (r.image, { 0, 0, 420, 150 }, isRed).isEmpty());
    const auto text = boundsOf (r.image, { 1, 1, 418, 148 }, isWhite);
    ASSERT_FALSE (text.isEmpty());
    EXPECT_LT (text.getX(), 20);
    EXPECT_GE (text.getY(), 40);
}

TEST (LookAndFeel, InformationAndQuestionBoxesShareTheirIcon)
{
    CustomLookAndFeel lnf;
    const auto info = renderAlert (lnf, juce::MessageBoxIconType::InfoIcon, 300, 150, 1, { 10, 10, 100, 60 });
    const auto question = renderAlert (lnf, juce::MessageBoxIconType::QuestionIcon, 300, 150, 1, { 10, 10, 100, 60 });
    const auto warning = renderAlert (lnf, juce::MessageBoxIconType::WarningIcon, 300, 150, 1, { 10, 10, 100, 60 });

    int differences = 0, warningDifferences = 0;
    for (int y = 0; y < 150; ++y)
        for (int x = 0; x < 130; ++x)
        {
            differences += info.image.getPixelAt (x, y) != question.image.getPixelAt (x, y) ? 1 : 0;
            warningDifferences += info.image.getPixelAt (x, y) != warning.image.getPixelAt (x, y) ? 1 : 0;
        }

    EXPECT_EQ (differences, 0);
    EXPECT_GT (warningDifferences, 100);
}

TEST (LookAndFeel, EveryFontComesOutBoldAtTheSameHeight)
{
    CustomLookAndFeel lnf;
    auto plain = lnf.getTypefaceForFont (juce::Font (14.0f));
    auto italic = lnf.getTypefaceForFont (juce::Font (14.0f, juce::Font::italic | juce::Font::underlined));
    auto bold = lnf.getTypefaceForFont (juce::Font (30.0f, juce::Font::bold));

    ASSERT_NE (plain, nullptr);
    EXPECT_TRUE (plain->getStyle().containsIgnoreCase ("bold")) << plain->getStyle();
    EXPECT_EQ (italic->getName(), plain->getName());
    EXPECT_EQ (italic->getStyle(), plain->getStyle());
    EXPECT_EQ (bold->getStyle(), plain->getStyle());
}

TEST (LookAndFeel, ColoursOfTheApplication)
{
    CustomLookAndFeel lnf;
    EXPECT_EQ (lnf.findColour (juce::TextButton::buttonColourId), juce::Colour (0xff8b0000));
    EXPECT_EQ (lnf.findColour (juce::TextButton::buttonOnColourId), juce::Colour (0xffff0000));
    EXPECT_EQ (lnf.findColour (juce::PopupMenu::highlightedTextColourId), juce::Colour (0xffffffff));
    EXPECT_EQ (lnf.findColour (juce::ProgressBar::foregroundColourId), juce::Colour (0xff006400));
    EXPECT_EQ (lnf.findColour (juce::TextEditor::backgroundColourId), juce::Colour (0xffffffff));
    // The title bar keeps the dark scheme's white title on the black widget background.
    EXPECT_EQ (lnf.getCurrentColourScheme().getUIColour (juce::LookAndFeel_V4::ColourScheme::widgetBackground),
               juce::Colour (0xff000000));
    EXPECT_EQ (lnf.findColour (juce::DocumentWindow::textColourId), juce::Colours::white);
}
