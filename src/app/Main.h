#pragma once

#include <juce_gui_extra/juce_gui_extra.h>
#include "app/CustomLookAndFeel.h"
#include "app/KV.h"

// The one application object: settings files, folders, look and feel and the main window.
class MosaireApplication : public juce::JUCEApplication
{
public:
    MosaireApplication();
    ~MosaireApplication() override;

    const juce::String getApplicationName() override;
    const juce::String getApplicationVersion() override;
    bool moreThanOneInstanceAllowed() override;
    void initialise (const juce::String& commandLine) override;
    void shutdown() override;
    void anotherInstanceStarted (const juce::String& commandLine) override;
    void systemRequestedQuit() override;

    // The running application object, as every part of the program reaches it.
    static MosaireApplication& getApp();

    // The per-user file of the own settings, fetched afresh at each use.
    static juce::PropertiesFile& ownSettings();

    // Start-up up to the main window: settings files, images folder and download folder.
    void openSettingsAndFolders();

    class MainWindow : public juce::DocumentWindow
    {
    public:
        explicit MainWindow (juce::String name);
        ~MainWindow() override;

        void closeButtonPressed() override;

    private:
        JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (MainWindow)
    };

    std::unique_ptr<juce::ApplicationProperties> globalSettings;
    std::unique_ptr<juce::ApplicationProperties> appSettings;
    juce::File imagesFolder;
    juce::File downloadFolder;
    CustomLookAndFeel customLookAndFeel;
    std::unique_ptr<MainWindow> mainWindow;

private:
    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (MosaireApplication)
};

juce::JUCEApplicationBase* juce_CreateApplication();
