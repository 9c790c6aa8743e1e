#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

// What differs between macOS, where the product ships, and the Linux build used for development.
namespace platform
{
    // Folder name handed to juce::PropertiesFile::Options: macOS puts it in
    // ~/Library/Application Support, Linux under ~/.config.
    juce::String settingsFolderName (const juce::String& folderName);

    // A settings file may hold the password: its folder is created, or narrowed, to its owner
    // only, and the file, if older runs left it readable by others, is narrowed likewise.
    void restrictSettingsToOwner (const juce::File& settingsFile);

    // Creates the named folder in the temporary directory for this user alone. macOS gives every
    // user a temporary directory of their own; elsewhere it is shared, so the folder of that name
    // is used only when it is a real directory of this user's with mode 0700, and otherwise a
    // fresh private folder beside it is.
    juce::File createPrivateTemporaryFolder (const juce::String& name);

    // Whether the framework's single-instance lock is kept per user, as on macOS. Elsewhere it
    // is shared by every user of the machine, so claimInstanceLock stands in for it.
    bool frameworkInstanceLockIsPerUser();

    // Takes this user's lock of the named application for the rest of the process; false when
    // another process of this user holds it. Always true where the framework's lock is per user.
    bool claimInstanceLock (const juce::String& name);

    // The limit for a request that sets no time-out of its own: macOS ends it after 60 s, while
    // JUCE's curl code elsewhere would wait for ever. Tests shorten it.
    inline int requestTimeoutMs = 60000;

    // Applies requestTimeoutMs where the system gives no limit of its own.
    void limitToRequestTimeout (juce::WebInputStream& stream);

    // The running application's bundle folder (the one holding Contents/Info.plist).
    juce::File runningApplicationBundle();

    // The machine-wide Library folder that holds the Audio Unit and AAX plug-in folders.
    juce::File machineLibraryFolder();

    // JUCE unloads Xlib at exit while Xlib still holds memory for the windows that were shown;
    // sanitizer builds keep it loaded, so that the leak checker reports only real leaks.
    void keepDisplayLibraryForLeakChecks();

    // Opens a file or a web address with the system's default handler, without waiting for it;
    // any other target opens nothing. On Linux the target reaches xdg-open as one argument and no
    // shell ever sees it.
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
