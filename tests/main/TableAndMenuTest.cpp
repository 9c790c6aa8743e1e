#include <gtest/gtest.h>
#include "app/ImagesBinaryData.h"
#include "catalogue/Products.h"
#include "main/ListProductView.h"
#include "main/Toolbar.h"
#include "support/TestEnvironment.h"

using namespace testsupport;

TEST (ProductTable, SortsInTheExchangeSortsOrderEvenForEqualKeys)
{
    // Each row gets its key as name, category and version (state: 1 missing, 2 old, 3 latest); expected: the rows' order after.
    struct Case { int column; bool forwards; juce::StringArray keys; const char* expected; };
    const Case cases[] = {
        { 2, true, { "alpha", "Zeta", "Synth 2", "Synth" }, "3 2 1 0" },
        { 2, false, { "alpha", "Zeta", "Synth 2", "Synth" }, "0 1 2 3" },
        { 2, true, { "B", "B", "A" }, "2 1 0" },
        { 3, false, { "A", "A", "B" }, "2 1 0" },
        { 9, true, { "b", "a" }, "0 1" },
        { 4, true, { "1.9.0", "", "1.10.0" }, "1 2 0" },
        { 4, false, { "1.9.0", "", "1.10.0" }, "0 2 1" },
        { 5, true, { "3", "1", "2", "1" }, "1 3 2 0" },
        { 5, false, { "3", "1", "2", "1" }, "0 2 1 3" },
    };

    for (const auto& c : cases)
    {
        juce::OwnedArray<ProductBase> owned;
        for (const auto& key : c.keys)
        {
            auto* p = owned.add (new Plugin());
            p->nameView = p->category = p->installedVersion = key;
            p->installed = key != "1";
            p->version = "3";
        }

        juce::Array<ProductBase*> rows (owned.begin(), owned.size());
        ListProductView view;
        view.products = &rows;
        view.sortOrderChanged (c.column, c.forwards);
        juce::StringArray order;
        for (auto* p : rows)
            order.add (juce::String (owned.indexOf (p)));
        EXPECT_EQ (order.joinIntoString (" "), c.expected) << c.column << (c.forwards ? " up: " : " down: ") << c.keys.joinIntoString (",");
    }
}

class SettingsMenu : public AppTest {};

TEST_F (SettingsMenu, HoldsItsEntriesInOrderAndEachStoresWhatItShould)
{
    // A zenity on PATH, which the folder chooser runs here: it answers with the text of "answer".
    const auto answer = ScopedTestHome::root().getChildFile ("answer"), zenity = ScopedTestHome::binFolder().getChildFile ("zenity");
    zenity.replaceWithText ("#!/bin/sh\ncat '" + answer.getFullPathName() + "'\n", false, false, "\n");
    ASSERT_TRUE (zenity.setExecutePermission (true) && juce::FileChooser::isPlatformDialogAvailable());

    appSettings().setValue ("installerAutoLaunch", false);
    AppToolbar toolbar;
    const auto menu = toolbar.createSettingsMenu();
    juce::Array<const juce::PopupMenu::Item*> items;
    juce::StringArray lines;
    for (juce::PopupMenu::MenuItemIterator it (menu); it.next(); items.add (&it.getItem()))
        lines.add (it.getItem().isSeparator ? "--" : it.getItem().customComponent != nullptr ? "[" + it.getItem().customComponent->getChildComponent (0)->getName() + "]"
                                                   : (it.getItem().isSectionHeader ? "# " : "") + it.getItem().text);
    EXPECT_EQ (lines.joinIntoString ("|"), "VST3 Installation Folder|App Installation Folder|--|[Installer Auto Launch]|--|# Version "
                                           + app().getApplicationVersion() + "|Mosaire Download Page|--|Log Out");

    // The auto-launch switch shows the stored value, and a click flips and stores it, leaving the menu open.
    auto& toggle = dynamic_cast<juce::ToggleButton&> (*items[3]->customComponent->getChildComponent (0));
    EXPECT_FALSE (items[3]->customComponent->isTriggeredAutomatically() || toggle.getToggleState());
    for (auto stored : { "1", "0" })
    {
        toggle.triggerClick();
        EXPECT_TRUE (pumpUntil ([&] { return appSettings().getValue ("installerAutoLaunch") == stored; })) << stored;
    }

    for (auto [index, key] : { std::pair (0, "vst3Path"), { 1, "exePath" } })     // the two folder items
    {
        answer.replaceWithText (ScopedTestHome::root().getChildFile (key).getFullPathName());
        items[index]->action();
        EXPECT_TRUE (pumpUntil ([&] { return appSettings().getValue (key) == answer.loadFileAsString(); }, 20000)) << key;
    }

    // A cancelled chooser answers nothing; an answer that is not a local file keeps its whole address.
    AppToolbar::storeChosenFolder ({}, "exePath");
    EXPECT_EQ (appSettings().getValue ("exePath"), answer.loadFileAsString());
    AppToolbar::storeChosenFolder (juce::URL ("https://host/share/Apps?x=1"), "exePath");
    EXPECT_EQ (appSettings().getValue ("exePath"), "https://host/share/Apps?x=1");
}

TEST (Artwork, EveryEmbeddedPictureStillDecodesToSomethingVisible)
{
    const auto visible = [] (const char* data, int size)
    { auto d = juce::Drawable::createFromImageData (data, (size_t) size); return d != nullptr && ! d->getDrawableBounds().isEmpty(); };
    for (auto [data, size] : { std::pair (temp_binary_data_1, temp_binary_data_1Size),
                               { temp_binary_data_28, temp_binary_data_28Size },
                               { temp_binary_data_29, temp_binary_data_29Size },
                               { BinaryData::temp_binary_data_2, BinaryData::temp_binary_data_2Size },
                               { BinaryData::temp_binary_data_3, BinaryData::temp_binary_data_3Size },
                               { BinaryData::temp_binary_data_4, BinaryData::temp_binary_data_4Size } })
        EXPECT_TRUE (visible (data, size)) << "picture of " << size << " bytes";
}
