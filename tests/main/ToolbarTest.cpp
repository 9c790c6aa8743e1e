#include <gtest/gtest.h>
#include "main/Toolbar.h"
#include "app/WebAddresses.h"
#include "support/TestEnvironment.h"

using namespace testsupport;

namespace
{
// One line per menu entry: "item:<text>", "separator", "header:<text>" or "custom:<title>".
juce::StringArray describe (const juce::PopupMenu& menu)
{
    juce::StringArray lines;

    for (juce::PopupMenu::MenuItemIterator it (menu); it.next();)
    {
        auto& item = it.getItem();
        lines.add (item.isSeparator ? juce::String ("separator")
                   : item.isSectionHeader ? "header:" + item.text
                   : item.customComponent != nullptr ? "custom:" + item.text
                   : "item:" + item.text);
    }

    return lines;
}

juce::PopupMenu::Item& entryAt (const juce::PopupMenu& menu, int index)
{
    juce::PopupMenu::MenuItemIterator it (menu);
    for (int i = 0; i <= index; ++i)
        it.next();
    return it.getItem();
}

juce::PopupMenu::Item& itemNamed (const juce::PopupMenu& menu, const juce::String& text)
{
    return entryAt (menu, describe (menu).indexOf ("item:" + text));
}

juce::ToggleButton* autoLaunchToggleIn (juce::Component& parent)
{
    for (auto* child : parent.getChildren())
    {
        if (auto* toggle = dynamic_cast<juce::ToggleButton*> (child); toggle != nullptr && toggle->getButtonText() == "Installer Auto Launch")
            return toggle;

        if (auto* found = autoLaunchToggleIn (*child))
            return found;
    }

    return nullptr;
}

juce::Component* openMenuWindow()
{
    auto& desktop = juce::Desktop::getInstance();

    for (int i = 0; i < desktop.getNumComponents(); ++i)
        if (auto* window = desktop.getComponent (i); window->getName() == "menu" && window->isVisible())
            return window;

    return nullptr;
}

// Moves the X pointer there and clicks, as a customer would.
void clickOnScreen (juce::Point<int> point)
{
    juce::ChildProcess xdotool;
    ASSERT_TRUE (xdotool.start (juce::StringArray { "xdotool", "mousemove", juce::String (point.x), juce::String (point.y),
                                                    "sleep", "0.1", "click", "1" }));
    ASSERT_TRUE (pumpUntil ([&] { return ! xdotool.isRunning(); }));
    EXPECT_EQ (xdotool.getExitCode(), 0u);
}

struct ChangeCounter : public juce::ChangeListener
{
    void changeListenerCallback (juce::ChangeBroadcaster*) override  { ++count; }
    int count = 0;
};

// A zenity on PATH, which the folder chooser runs on Linux: it records its arguments and the
// folder it was started in, and answers with the text of `answer` or, when that is empty,
// as a cancelled dialog.
class StubFolderDialog
{
public:
    StubFolderDialog()
    {
        auto script = ScopedTestHome::binFolder().getChildFile ("zenity");
        script.replaceWithText ("#!/bin/sh\n"
                                "pwd > '" + file ("pwd") + "'\n"
                                "for a in \"$@\"; do printf '%s\\n' \"$a\"; done > '" + file ("args") + "'\n"
                                "touch '" + file ("done") + "'\n"
                                "[ -s '" + file ("answer") + "' ] || exit 1\n"
                                "cat '" + file ("answer") + "'\n",
                                false, false, "\n");
        script.setExecutePermission (true);
    }

    ~StubFolderDialog()
    {
        ScopedTestHome::binFolder().getChildFile ("zenity").deleteFile();
    }

    void answerWith (const juce::String& folder)
    {
        for (auto name : { "pwd", "args", "done" })
            juce::File (file (name)).deleteFile();

        juce::File (file ("answer")).replaceWithText (folder, false, false, "\n");
    }

    bool waitUntilShown() const  { return pumpUntil ([this] { return juce::File (file ("done")).exists(); }); }
    juce::StringArray arguments() const  { return juce::StringArray::fromLines (juce::File (file ("args")).loadFileAsString().trimEnd()); }
    juce::File startFolder() const  { return juce::File (juce::File (file ("pwd")).loadFileAsString().trim()); }

private:
    static juce::String file (const juce::String& name)
    {
        return ScopedTestHome::root().getChildFile ("zenity." + name).getFullPathName();
    }

    JUCE_DECLARE_NON_COPYABLE (StubFolderDialog)
};
}

class Toolbar : public AppTest
{
protected:
    void SetUp() override
    {
        AppTest::SetUp();

        // Tests run one after another in one process share the settings files.
        for (auto key : { "vst3Path", "exePath", "installerAutoLaunch" })
            appSettings().removeValue (key);
        globalSettings().removeValue (KV::persistLoginMail);
        globalSettings().removeValue (KV::persistLoginPassword);

        juce::LookAndFeel::setDefaultLookAndFeel (&app().customLookAndFeel);
    }

    void TearDown() override
    {
        juce::PopupMenu::dismissAllActiveMenus();
        pumpFor (50);
        juce::LookAndFeel::setDefaultLookAndFeel (nullptr);
        AppTest::TearDown();
    }

    static juce::Button& settingsButtonOf (AppToolbar& toolbar)  { return dynamic_cast<juce::Button&> (*toolbar.getChildComponent (0)); }
    static juce::Label& mailLabelOf (AppToolbar& toolbar)        { return dynamic_cast<juce::Label&> (*toolbar.getChildComponent (1)); }
    static juce::Component& logoOf (AppToolbar& toolbar)         { return dynamic_cast<LogoImage&> (*toolbar.getChildComponent (2)); }
};

TEST_F (Toolbar, LaysOutGearMailAndLogoFromLeftToRight)
{
    AppToolbar toolbar;
    ASSERT_EQ (toolbar.getNumChildComponents(), 3);
    EXPECT_EQ (settingsButtonOf (toolbar).getName(), "SETTINGS");

    toolbar.setSize (1200, 50);
    EXPECT_EQ (settingsButtonOf (toolbar).getBounds(), juce::Rectangle<int> (8, 8, 34, 34));
    EXPECT_EQ (mailLabelOf (toolbar).getBounds(), juce::Rectangle<int> (42, 0, 200, 50));
    EXPECT_EQ (logoOf (toolbar).getBounds(), juce::Rectangle<int> (1042, 0, 150, 50));

    for (auto height : { 16, 10 })
    {
        toolbar.setSize (800, height);
        EXPECT_EQ (settingsButtonOf (toolbar).getBounds(), juce::Rectangle<int> (8, 8, 0, 0)) << height;
        EXPECT_EQ (mailLabelOf (toolbar).getBounds(), juce::Rectangle<int> (8, 0, 200, height)) << height;
        EXPECT_EQ (logoOf (toolbar).getBounds(), juce::Rectangle<int> (642, 0, 150, height)) << height;
    }
}

TEST_F (Toolbar, LabelShowsTheStoredMailAtBuildAndAfterEachUpdate)
{
    AppToolbar toolbar;
    EXPECT_EQ (mailLabelOf (toolbar).getText(), "");

    globalSettings().setValue (KV::persistLoginMail, "first@example.com");
    toolbar.update();
    EXPECT_EQ (mailLabelOf (toolbar).getText(), "first@example.com");

    globalSettings().setValue (KV::persistLoginMail, "second@example.com");
    AppToolbar rebuilt;
    EXPECT_EQ (mailLabelOf (rebuilt).getText(), "second@example.com");
}

TEST_F (Toolbar, MenuHoldsItsEntriesInOrder)
{
    AppToolbar toolbar;
    const auto menu = toolbar.createSettingsMenu();

    ASSERT_EQ (describe (menu), juce::StringArray ({ "item:VST3 Installation Folder", "item:App Installation Folder",
                                                     "separator", "custom:", "separator", "header:Version 1.0.10",
                                                     "item:Mosaire Download Page", "separator", "item:Log Out" }));

    for (auto index : { 0, 1, 6, 8 })
    {
        const auto& item = entryAt (menu, index);
        EXPECT_TRUE (item.isEnabled && ! item.isTicked && item.action != nullptr) << item.text;
        EXPECT_NE (item.itemID, 0) << item.text;  // a zero ID could not be chosen
    }

    EXPECT_EQ (entryAt (menu, 5).itemID, 0);  // the version cannot be chosen

    const auto& custom = entryAt (menu, 3);
    EXPECT_EQ (custom.itemID, -1);
    EXPECT_FALSE (custom.customComponent->isTriggeredAutomatically());

    int width = 0, height = 0;
    custom.customComponent->getIdealSize (width, height);
    EXPECT_EQ (juce::Point<int> (width, height), juce::Point<int> (100, 20));

    custom.customComponent->setSize (180, 24);
    auto* toggle = autoLaunchToggleIn (*custom.customComponent);
    ASSERT_NE (toggle, nullptr);
    EXPECT_TRUE (toggle->isVisible());
    EXPECT_EQ (toggle->getBounds(), juce::Rectangle<int> (0, 0, 180, 24));
}

TEST_F (Toolbar, AutoLaunchToggleStartsFromTheStoredValueAndStoresEveryClick)
{
    AppToolbar toolbar;
    auto menu = toolbar.createSettingsMenu();
    auto* toggle = autoLaunchToggleIn (*entryAt (menu, 3).customComponent);
    ASSERT_NE (toggle, nullptr);

    EXPECT_TRUE (toggle->getToggleState());
    pumpFor (50);
    EXPECT_FALSE (appSettings().containsKey ("installerAutoLaunch"));  // setting up stores nothing

    toggle->triggerClick();
    ASSERT_TRUE (pumpUntil ([&] { return appSettings().getValue ("installerAutoLaunch") == "0"; }));
    toggle->triggerClick();
    ASSERT_TRUE (pumpUntil ([&] { return appSettings().getValue ("installerAutoLaunch") == "1"; }));

    appSettings().setValue ("installerAutoLaunch", false);
    auto reopened = toolbar.createSettingsMenu();
    EXPECT_FALSE (autoLaunchToggleIn (*entryAt (reopened, 3).customComponent)->getToggleState());
}

TEST_F (Toolbar, SettingsButtonOpensTheMenuWhichItsToggleKeepsOpen)
{
    AppToolbar toolbar;
    toolbar.setBounds (100, 100, 800, 50);
    toolbar.addToDesktop (0);
    toolbar.setVisible (true);

    // A menu closes itself when none of the program's windows has the focus.
    settingsButtonOf (toolbar).grabKeyboardFocus();
    ASSERT_TRUE (pumpUntil ([&] { return settingsButtonOf (toolbar).hasKeyboardFocus (false); }));

    settingsButtonOf (toolbar).triggerClick();
    ASSERT_TRUE (pumpUntil ([] { return openMenuWindow() != nullptr; }));
    auto* menuWindow = openMenuWindow();

    const auto buttonArea = settingsButtonOf (toolbar).getScreenBounds();
    EXPECT_NEAR (menuWindow->getScreenY(), buttonArea.getBottom(), 10);
    EXPECT_NEAR (menuWindow->getScreenX(), buttonArea.getX(), 10);

    auto* toggle = autoLaunchToggleIn (*menuWindow);
    ASSERT_NE (toggle, nullptr);

    // Real clicks, so that they go through the open menu's own mouse handling.
    clickOnScreen (toggle->getScreenBounds().getCentre());
    ASSERT_TRUE (pumpUntil ([&] { return appSettings().getValue ("installerAutoLaunch") == "0"; }));
    pumpFor (300);
    ASSERT_EQ (openMenuWindow(), menuWindow);

    clickOnScreen (toggle->getScreenBounds().getCentre());
    ASSERT_TRUE (pumpUntil ([&] { return appSettings().getValue ("installerAutoLaunch") == "1"; }));
    pumpFor (300);
    EXPECT_EQ (openMenuWindow(), menuWindow);

    juce::PopupMenu::dismissAllActiveMenus();
    EXPECT_TRUE (pumpUntil ([] { return openMenuWindow() == nullptr; }));
}

TEST_F (Toolbar, LogOutSendsTheChangeMessageAndClearsNothing)
{
    globalSettings().setValue (KV::persistLoginMail, "me@example.com");
    globalSettings().setValue (KV::persistLoginPassword, "secret");
    auto toolbar = std::make_unique<AppToolbar>();
    ChangeCounter listener;
    toolbar->addChangeListener (&listener);

    const auto menu = toolbar->createSettingsMenu();
    itemNamed (menu, "Log Out").action();
    EXPECT_TRUE (pumpUntil ([&] { return listener.count == 1; }));

    EXPECT_EQ (mailLabelOf (*toolbar).getText(), "me@example.com");
    EXPECT_EQ (globalSettings().getValue (KV::persistLoginMail), "me@example.com");
    EXPECT_EQ (globalSettings().getValue (KV::persistLoginPassword), "secret");

    // Item actions run after the menu has closed; by then the toolbar may be gone.
    toolbar->removeChangeListener (&listener);
    toolbar.reset();
    for (auto text : { "VST3 Installation Folder", "App Installation Folder", "Log Out" })
        itemNamed (menu, text).action();
}

TEST_F (Toolbar, DownloadPageOpensInTheDefaultBrowser)
{
    StubOpener opener;
    AppToolbar toolbar;
    itemNamed (toolbar.createSettingsMenu(), "Mosaire Download Page").action();

    ASSERT_TRUE (opener.waitForCalls (1));
    EXPECT_EQ (opener.calls()[0], juce::StringArray (WebAddresses::downloadPage()));
}

TEST_F (Toolbar, ChooserAnswerIsStoredUnderItsKeyAndAnEmptyOneChangesNothing)
{
    AppToolbar::storeChosenFolder ({}, "vst3Path");
    EXPECT_FALSE (appSettings().containsKey ("vst3Path"));

    const auto folder = ScopedTestHome::root().getChildFile ("Plug-Ins with spaces/VST3");
    AppToolbar::storeChosenFolder (juce::URL (folder), "vst3Path");
    AppToolbar::storeChosenFolder ({}, "vst3Path");
    EXPECT_EQ (appSettings().getValue ("vst3Path"), folder.getFullPathName());

    // An answer that is not a local file keeps its whole address.
    AppToolbar::storeChosenFolder (juce::URL ("https://host/share/Apps?x=1"), "exePath");
    EXPECT_EQ (appSettings().getValue ("exePath"), "https://host/share/Apps?x=1");
    EXPECT_EQ (appSettings().getValue ("vst3Path"), folder.getFullPathName());
}

TEST_F (Toolbar, FolderItemsOpenAFolderChooserAndStoreItsAnswer)
{
    StubFolderDialog dialog;

    // Which dialog to use is settled once per process; an earlier test may have settled it.
    if (! juce::FileChooser::isPlatformDialogAvailable())
        GTEST_SKIP() << "the folder dialog was settled without the stub earlier in this process";

    AppToolbar toolbar;
    const auto menu = toolbar.createSettingsMenu();

    // Cancelled with nothing stored: the key stays absent and the next chooser starts at the
    // default again.
    for (int attempt = 0; attempt < 2; ++attempt)
    {
        dialog.answerWith ({});
        itemNamed (menu, "VST3 Installation Folder").action();
        ASSERT_TRUE (dialog.waitUntilShown());
        pumpFor (400);

        const auto arguments = dialog.arguments();
        EXPECT_TRUE (arguments.contains ("--title=VST3 Installation Folder")) << arguments.joinIntoString (" ");
        EXPECT_TRUE (arguments.contains ("--directory"));
        EXPECT_TRUE (arguments.contains ("--filename=VST3"));  // from /Library/Audio/Plug-Ins/VST3
        EXPECT_FALSE (appSettings().containsKey ("vst3Path"));
    }

    const auto chosen = ScopedTestHome::root().getChildFile ("My Plug-Ins");
    dialog.answerWith (chosen.getFullPathName());
    itemNamed (menu, "VST3 Installation Folder").action();
    ASSERT_TRUE (pumpUntil ([&] { return appSettings().containsKey ("vst3Path"); }));
    EXPECT_EQ (appSettings().getValue ("vst3Path"), chosen.getFullPathName());
    EXPECT_FALSE (appSettings().containsKey ("exePath"));

    // The app folder chooser starts at the stored folder; a cancel keeps it.
    const auto apps = ScopedTestHome::root().getChildFile ("Apps");
    apps.createDirectory();
    appSettings().setValue ("exePath", apps.getFullPathName());
    dialog.answerWith ({});
    itemNamed (menu, "App Installation Folder").action();
    ASSERT_TRUE (dialog.waitUntilShown());
    pumpFor (400);
    EXPECT_TRUE (dialog.arguments().contains ("--title=App Installation Folder"));
    EXPECT_EQ (dialog.startFolder(), apps);
    EXPECT_EQ (appSettings().getValue ("exePath"), apps.getFullPathName());
    EXPECT_EQ (appSettings().getValue ("vst3Path"), chosen.getFullPathName());
}

TEST_F (Toolbar, RendersAWhiteGearTheMailAndTheLogoOnBlack)
{
    globalSettings().setValue (KV::persistLoginMail, "customer@example.com");
    AppToolbar toolbar;
    toolbar.setSize (900, 50);

    const auto image = toolbar.createComponentSnapshot (toolbar.getLocalBounds());
    const juce::File shot ("/tmp/mosaire-toolbar.png");
    shot.deleteFile();
    juce::FileOutputStream out (shot);
    juce::PNGImageFormat().writeImageToStream (image, out);

    const auto brightPixels = [&image] (juce::Rectangle<int> area)
    {
        int count = 0;
        for (int y = area.getY(); y < area.getBottom(); ++y)
            for (int x = area.getX(); x < area.getRight(); ++x)
                count += image.getPixelAt (x, y).getBrightness() > 0.5f ? 1 : 0;
        return count;
    };

    EXPECT_GT (brightPixels ({ 8, 8, 34, 34 }), 100);                     // the gear
    EXPECT_EQ (brightPixels ({ 8, 8, 34, 2 }) + brightPixels ({ 8, 40, 34, 2 }), 0);  // no button outline
    EXPECT_GT (brightPixels ({ 42, 0, 200, 50 }), 50);                    // the mail
    EXPECT_EQ (brightPixels ({ 300, 0, 400, 50 }), 0);                    // black between label and logo
    EXPECT_GT (brightPixels ({ 742, 0, 150, 50 }), 200);                  // the logo
    EXPECT_EQ (brightPixels ({ 0, 0, 8, 50 }) + brightPixels ({ 892, 0, 8, 50 }), 0);  // black margins
}
