#pragma once

#include <gtest/gtest.h>
#include <functional>
#include "app/Main.h"

namespace testsupport
{
// A fresh temporary HOME, TMPDIR and a bin folder first on PATH for the whole test process, so
// that no test touches the real home or temporary folder.
struct ScopedTestHome
{
    ScopedTestHome();
    ~ScopedTestHome()  { root().deleteRecursively(); }

    static juce::File root();   // holds home/, tmp/ and bin/
    static juce::File home()       { return root().getChildFile ("home"); }
    static juce::File binFolder()  { return root().getChildFile ("bin"); }
};

// Runs the message loop until the condition holds or the time is up; returns the condition.
bool pumpUntil (const std::function<bool()>& condition, int timeoutMs = 5000);
inline void pumpFor (int milliseconds)  { juce::MessageManager::getInstance()->runDispatchLoopUntil (milliseconds); }

// An xdg-open on PATH that records each call's arguments and umask instead of opening anything.
class StubOpener
{
public:
    StubOpener();
    ~StubOpener()  { ScopedTestHome::binFolder().getChildFile ("xdg-open").deleteFile(); log.deleteFile(); }

    juce::Array<juce::StringArray> calls() const;
    bool waitForCalls (int n, int timeoutMs = 5000) const  { return pumpUntil ([&] { return calls().size() >= n; }, timeoutMs); }
    juce::String umask() const  { return log.withFileExtension ("umask").loadFileAsString().trim(); }   // "0022"

private:
    juce::File log { ScopedTestHome::root().getChildFile ("opener.log") };
};

// Writes a bundle folder whose Contents/Info.plist carries the given text.
juce::File writeBundle (const juce::File& bundle, const juce::String& infoPlistText);

// The usual property list with the given CFBundleShortVersionString.
juce::String infoPlistWithVersion (const juce::String& version);

// A ZIP archive in memory of the given paths and texts, stored (0) or deflated (1 to 9).
juce::MemoryBlock zipOf (std::initializer_list<std::pair<juce::String, juce::String>> entries, int compression = 0);

// The running application object with its settings and folders, as start-up leaves them before
// the main window is built.
class AppTest : public ::testing::Test
{
protected:
    void SetUp() override     { application = std::make_unique<MosaireApplication>(); application->openSettingsAndFolders(); }
    void TearDown() override  { application->shutdown(); application.reset(); }
    void restartApp()         { TearDown(); SetUp(); }   // as a restart of the program does

    MosaireApplication& app()              { return *application; }
    juce::PropertiesFile& appSettings()    { return *application->appSettings->getUserSettings(); }
    juce::PropertiesFile& globalSettings() { return *application->globalSettings->getUserSettings(); }

private:
    std::unique_ptr<MosaireApplication> application;
};
}
