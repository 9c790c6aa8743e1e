#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

// What differs between macOS, where the product ships, and the Linux build used for development.
namespace platform
{
    // Folder name handed to juce::PropertiesFile::Options: macOS puts it in
    // ~/Library/Application Support, Linux under ~/.config.
    juce::String settingsFolderName (const juce::String& folderName);

    // Files this process creates (settings holding the password, unpacked installers in the
    // shared temporary folder) are readable by their owner only.
    void restrictNewFilesToOwner();

    // Makes an existing file readable and writable by its owner only; a missing file is left alone.
    void restrictToOwner (const juce::File& file);

    // The running application's bundle folder (the one holding Contents/Info.plist).
    juce::File runningApplicationBundle();

    // The machine-wide Library folder that holds the Audio Unit and AAX plug-in folders.
    juce::File machineLibraryFolder();

    // JUCE unloads Xlib at exit while Xlib still holds memory for the windows that were shown;
    // sanitizer builds keep it loaded, so that the leak checker reports only real leaks.
    void keepDisplayLibraryForLeakChecks();

    // Opens a file or a web address with the system's default handler, without waiting for it.
    // On Linux the target reaches xdg-open as one argument and no shell ever sees it.
    bool openWithDefaultHandler (const juce::String& fileOrUrl);

    // A hyperlink whose click goes through openWithDefaultHandler.
    class LinkButton : public juce::HyperlinkButton
    {
    public:
        using juce::HyperlinkButton::HyperlinkButton;

    protected:
        void clicked() override;
        void clicked (const juce::ModifierKeys&) override  { clicked(); }

    private:
        JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (LinkButton)
    };
}
