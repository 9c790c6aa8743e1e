#include "main/Toolbar.h"
#include "app/ImagesBinaryData.h"
#include "app/Main.h"
#include "app/WebAddresses.h"
#include "platform/Platform.h"

AppToolbar::AppToolbar()
{
    settingsIcon = juce::Drawable::createFromImageData (BinaryData::temp_binary_data_2,
                                                        (size_t) BinaryData::temp_binary_data_2Size);
    settingsButton.setImages (settingsIcon.get());

    // A black button with an invisible outline: only the white gear shows.
    settingsButton.setColour (juce::TextButton::buttonColourId, juce::Colours::black);
    settingsButton.setColour (juce::TextButton::buttonOnColourId, juce::Colours::black.withBrightness (1.0f));
    settingsButton.setColour (juce::ComboBox::outlineColourId, juce::Colours::black);
    settingsButton.addListener (this);

    mailLabel.setJustificationType (juce::Justification::centredLeft);
    update();

    addAndMakeVisible (settingsButton);
    addAndMakeVisible (mailLabel);
    addAndMakeVisible (logo);
}

AppToolbar::~AppToolbar() = default;

void AppToolbar::paint (juce::Graphics& g)
{
    g.fillAll (juce::Colours::black);
}

void AppToolbar::resized()
{
    const auto size = juce::jmax (getHeight(), 16) - 16;
    settingsButton.setBounds (8, 8, size, size);
    mailLabel.setBounds (settingsButton.getRight(), 0, 200, getHeight());
    logo.setBounds (getWidth() - 158, 0, 150, getHeight());
}

void AppToolbar::buttonClicked (juce::Button*)
{
    createSettingsMenu().showMenuAsync (juce::PopupMenu::Options().withTargetComponent (&settingsButton));
}

juce::PopupMenu AppToolbar::createSettingsMenu()
{
    // The auto-launch switch lives inside the menu: a click flips and stores it while the
    // menu stays open, so it neither chooses an item nor closes the menu.
    class CheckAutoInstallerLaunch : public juce::PopupMenu::CustomComponent,
                                     public juce::Button::Listener
    {
    public:
        CheckAutoInstallerLaunch()
            : juce::PopupMenu::CustomComponent (false)
        {
            toggle.setToggleState (MosaireApplication::ownSettings().getBoolValue ("installerAutoLaunch", true), juce::dontSendNotification);
            addAndMakeVisible (toggle);
            // Listening only now, so that setting up stores nothing.
            toggle.addListener (this);
        }

        ~CheckAutoInstallerLaunch() override = default;

        void resized() override
        {
            toggle.setBounds (0, 0, getWidth(), getHeight());
        }

        void getIdealSize (int& width, int& height) override
        {
            width = idealWidth;
            height = idealHeight;
        }

        void buttonClicked (juce::Button* button) override
        {
            MosaireApplication::ownSettings().setValue ("installerAutoLaunch", button->getToggleState());
        }

    private:
        int idealWidth = 100;
        int idealHeight = 20;
        juce::ToggleButton toggle { "Installer Auto Launch" };

        JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (CheckAutoInstallerLaunch)
    };

    // Item actions run after the menu has closed, when the toolbar may already be gone.
    juce::Component::SafePointer<AppToolbar> toolbar (this);

    juce::PopupMenu menu;
    menu.addItem ("VST3 Installation Folder", [toolbar] { if (toolbar != nullptr) toolbar->setVst3Folder(); });
    menu.addItem ("App Installation Folder", [toolbar] { if (toolbar != nullptr) toolbar->setAppFolder(); });
    menu.addSeparator();
    menu.addCustomItem (-1, std::make_unique<CheckAutoInstallerLaunch>(), nullptr, {});
    menu.addSeparator();
    menu.addSectionHeader ("Version " + MosaireApplication::getApp().getApplicationVersion());
    menu.addItem ("Mosaire Download Page", [] { platform::openWithDefaultHandler (WebAddresses::downloadPage()); });
    menu.addSeparator();
    menu.addItem ("Log Out", [toolbar] { if (toolbar != nullptr) toolbar->sendChangeMessage(); });
    return menu;
}

void AppToolbar::update()
{
    auto& globalSettings = *MosaireApplication::getApp().globalSettings->getUserSettings();
    mailLabel.setText (globalSettings.getValue (KV::persistLoginMail), juce::dontSendNotification);
}

void AppToolbar::setVst3Folder()
{
    chooseFolder ("VST3 Installation Folder", "vst3Path", "/Library/Audio/Plug-Ins/VST3");
}

void AppToolbar::setAppFolder()
{
    chooseFolder ("App Installation Folder", "exePath", "/Applications");
}

void AppToolbar::chooseFolder (const juce::String& title, const juce::String& settingsKey, const juce::String& defaultFolder)
{
    const juce::File start (MosaireApplication::ownSettings().getValue (settingsKey, defaultFolder));
    folderChooser = std::make_unique<juce::FileChooser> (title, start, "*", true, false, nullptr);

    folderChooser->launchAsync (juce::FileBrowserComponent::openMode | juce::FileBrowserComponent::canSelectDirectories,
                                [settingsKey] (const juce::FileChooser& chooser)
                                {
                                    storeChosenFolder (chooser.getURLResult(), settingsKey);
                                });
}

void AppToolbar::storeChosenFolder (const juce::URL& chosen, const juce::String& settingsKey)
{
    const auto folder = chosen.isLocalFile() ? chosen.getLocalFile().getFullPathName()
                                             : chosen.toString (true);
    if (folder.isNotEmpty())
        MosaireApplication::ownSettings().setValue (settingsKey, folder);
}
