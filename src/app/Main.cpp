#include "app/Main.h"
#include "main/MainComponent.h"
#include "platform/Platform.h"

namespace
{
juce::PropertiesFile::Options settingsOptions (const juce::String& applicationName)
{
    juce::PropertiesFile::Options options;
    options.applicationName = applicationName;
    options.filenameSuffix = "settings";
    options.folderName = platform::settingsFolderName ("Solvanti Audio");
    options.osxLibrarySubFolder = "Application Support";
    options.commonToAllUsers = false;
    options.ignoreCaseOfKeyNames = false;
    options.doNotSave = false;
    options.millisecondsBeforeSaving = 3000;
    options.storageFormat = juce::PropertiesFile::storeAsXML;
    options.processLock = nullptr;
    return options;
}

std::unique_ptr<juce::ApplicationProperties> openSettings (const juce::String& applicationName)
{
    auto options = settingsOptions (applicationName);

    // The password is stored in plain text.
    platform::restrictSettingsToOwner (options.getDefaultFile());

    auto settings = std::make_unique<juce::ApplicationProperties>();
    settings->setStorageParameters (options);
    return settings;
}
}

MosaireApplication::MosaireApplication() = default;
MosaireApplication::~MosaireApplication() = default;

const juce::String MosaireApplication::getApplicationName()     { return "Solvanti Audio Mosaire"; }
const juce::String MosaireApplication::getApplicationVersion()  { return "1.0.10"; }
// Where the framework's lock is shared by every user of the machine, main() holds a per-user one.
bool MosaireApplication::moreThanOneInstanceAllowed()           { return ! platform::frameworkInstanceLockIsPerUser(); }
void MosaireApplication::anotherInstanceStarted (const juce::String&) {}

MosaireApplication& MosaireApplication::getApp()
{
    return *dynamic_cast<MosaireApplication*> (juce::JUCEApplication::getInstance());
}

juce::PropertiesFile& MosaireApplication::ownSettings()
{
    return *getApp().appSettings->getUserSettings();
}

void MosaireApplication::initialise (const juce::String&)
{
    openSettingsAndFolders();
    mainWindow.reset (new MainWindow (getApplicationName()));
}

void MosaireApplication::openSettingsAndFolders()
{
    appSettings = openSettings ("Mosaire");
    globalSettings = openSettings ("Global Plugins");

    // Loads the own settings now, before any worker can reach them.
    imagesFolder = appSettings->getUserSettings()->getFile().getParentDirectory().getChildFile ("Mosaire Images");

    downloadFolder = platform::createPrivateTemporaryFolder (getApplicationName());
}

void MosaireApplication::shutdown()
{
    // The window's workers stop first, so that none writes into the folder once it is gone.
    mainWindow = nullptr;

    if (downloadFolder != juce::File())
        downloadFolder.deleteRecursively();

    globalSettings = nullptr;
    appSettings = nullptr;
}

void MosaireApplication::systemRequestedQuit()
{
    juce::MessageManager::getInstance()->stopDispatchLoop();
}

//==============================================================================
MosaireApplication::MainWindow::MainWindow (juce::String name)
    : DocumentWindow (name, juce::Colours::black,
                      juce::DocumentWindow::minimiseButton | juce::DocumentWindow::closeButton)
{
    // Installed before the content exists, so that everything it builds already draws with it.
    juce::LookAndFeel::setDefaultLookAndFeel (&getApp().customLookAndFeel);
    setUsingNativeTitleBar (false);
    setContentOwned (new MainComponent(), true);
    setResizable (true, true);
    setResizeLimits (800, 600, 1200, 4096);
    centreWithSize (getWidth(), getHeight());
    setVisible (true);
}

MosaireApplication::MainWindow::~MainWindow() = default;

void MosaireApplication::MainWindow::closeButtonPressed()
{
    juce::JUCEApplication::getInstance()->systemRequestedQuit();
}

juce::JUCEApplicationBase* juce_CreateApplication()
{
    return new MosaireApplication();
}
