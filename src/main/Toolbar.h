#pragma once

#include <juce_gui_basics/juce_gui_basics.h>
#include "app/KV.h"
#include "app/LogoImage.h"

// The strip across the top of the window: the settings button with its menu, the signed-in
// mail and the logo. "Log Out" is its only change message.
class AppToolbar : public juce::Component,
                   public juce::Button::Listener,
                   public juce::ChangeBroadcaster
{
public:
    AppToolbar();
    ~AppToolbar() override;

    void paint (juce::Graphics& g) override;
    void resized() override;
    void buttonClicked (juce::Button* button) override;

    // Shows the mail stored at the last sign-in.
    void update();

    // The folder choosers of the settings menu.
    void setVst3Folder();
    void setAppFolder();

    // The settings menu, built afresh so that it always shows the stored values.
    juce::PopupMenu createSettingsMenu();

    // What a folder chooser's answer stores: the chosen folder under the key; a cancelled
    // chooser (an empty answer) changes nothing.
    static void storeChosenFolder (const juce::URL& chosen, const juce::String& settingsKey);

private:
    void chooseFolder (const juce::String& title, const juce::String& settingsKey, const juce::String& defaultFolder);

    juce::DrawableButton settingsButton { "SETTINGS", juce::DrawableButton::ImageOnButtonBackground };
    std::unique_ptr<juce::Drawable> settingsIcon;
    juce::Label mailLabel;
    LogoImage logo;
    std::unique_ptr<juce::FileChooser> folderChooser;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (AppToolbar)
};
