#include "app/CustomLookAndFeel.h"
#include "app/ImagesBinaryData.h"

CustomLookAndFeel::CustomLookAndFeel()
{
    alertIcon = juce::Drawable::createFromImageData (temp_binary_data_28, (size_t) temp_binary_data_28Size);
    warningIcon = juce::Drawable::createFromImageData (temp_binary_data_29, (size_t) temp_binary_data_29Size);

    // Changed in place so that the colour table built from the dark scheme is kept.
    auto& scheme = getCurrentColourScheme();
    const juce::Colour yellow (0xffffff00);
    scheme.setUIColour (ColourScheme::windowBackground, yellow);
    scheme.setUIColour (ColourScheme::widgetBackground, juce::Colour (0xff000000));
    scheme.setUIColour (ColourScheme::menuBackground, yellow);
    scheme.setUIColour (ColourScheme::outline, yellow);
    scheme.setUIColour (ColourScheme::defaultText, yellow);
    scheme.setUIColour (ColourScheme::defaultFill, yellow);
    scheme.setUIColour (ColourScheme::highlightedText, yellow);
    scheme.setUIColour (ColourScheme::highlightedFill, yellow);
    scheme.setUIColour (ColourScheme::menuText, yellow);

    const juce::Colour white (0xffffffff), black (0xff000000), grey (0xff808080),
                       lightGrey (0xffd3d3d3), darkRed (0xff8b0000);

    setColour (juce::TextEditor::backgroundColourId, white);
    setColour (juce::TextEditor::outlineColourId, grey);
    setColour (juce::TextEditor::textColourId, black);
    setColour (juce::TextEditor::highlightedTextColourId, juce::Colour (0xff008000));
    setColour (juce::HyperlinkButton::textColourId, white);
    setColour (juce::BubbleComponent::backgroundColourId, lightGrey);
    setColour (juce::BubbleComponent::outlineColourId, lightGrey);
    setColour (juce::ComboBox::outlineColourId, darkRed);
    setColour (juce::TextButton::buttonColourId, darkRed);
    setColour (juce::TextButton::buttonOnColourId, darkRed.withBrightness (1.0f));
    setColour (juce::TextButton::textColourOffId, white);
    setColour (juce::TextButton::textColourOnId, white);
    setColour (juce::ListBox::backgroundColourId, black);
    setColour (juce::ListBox::outlineColourId, lightGrey);
    setColour (juce::ListBox::textColourId, white);
    setColour (juce::AlertWindow::backgroundColourId, black);
    setColour (juce::AlertWindow::outlineColourId, lightGrey);
    setColour (juce::AlertWindow::textColourId, white);
    setColour (juce::ScrollBar::thumbColourId, lightGrey);
    setColour (juce::PopupMenu::backgroundColourId, black);
    setColour (juce::PopupMenu::textColourId, white);
    setColour (juce::PopupMenu::highlightedBackgroundColourId, darkRed);
    setColour (juce::PopupMenu::highlightedTextColourId, black.withBrightness (1.0f));
    setColour (juce::ProgressBar::backgroundColourId, grey);
    setColour (juce::ProgressBar::foregroundColourId, juce::Colour (0xff006400));
}

CustomLookAndFeel::~CustomLookAndFeel()
{
    warningIcon.reset();
    alertIcon.reset();
}

juce::Typeface::Ptr CustomLookAndFeel::getTypefaceForFont (const juce::Font& font)
{
    juce::Font boldFont (font);
    boldFont.setStyleFlags (juce::Font::bold);
    return juce::Font::getDefaultTypefaceForFont (boldFont);
}

void CustomLookAndFeel::drawAlertBox (juce::Graphics& g, juce::AlertWindow& alert,
                                      const juce::Rectangle<int>& textArea, juce::TextLayout& textLayout)
{
    g.fillAll (alert.findColour (juce::AlertWindow::backgroundColourId));

    auto iconSize = juce::jmin ((float) alert.getHeight() + 20.0f, 100.0f);

    if (alert.containsAnyExtraComponents() || alert.getNumButtons() > 2)
        iconSize = juce::jmin ((float) textArea.getHeight() + 50.0f, iconSize);

    int iconSpace = 0;

    if (alert.getAlertType() != juce::MessageBoxIconType::NoIcon)
    {
        iconSpace = 120;
        auto* icon = alert.getAlertType() == juce::MessageBoxIconType::WarningIcon ? warningIcon.get()
                                                                                   : alertIcon.get();
        if (icon != nullptr)
            icon->drawWithin (g, { 20.0f, 20.0f, iconSize, iconSize }, juce::RectanglePlacement::centred, 1.0f);
    }

    g.setColour (alert.findColour (juce::AlertWindow::textColourId));
    textLayout.draw (g, juce::Rectangle<int> (textArea.getX() + iconSpace,
                                              textArea.getY() + 30,
                                              juce::jmax (0, textArea.getWidth() - iconSpace * 2),
                                              juce::jmax (0, textArea.getHeight())).toFloat());

    g.setColour (alert.findColour (juce::AlertWindow::outlineColourId));
    g.drawRect (juce::Rectangle<int> (0, 0, alert.getWidth(), alert.getHeight()).toFloat(), 1.0f);
}
