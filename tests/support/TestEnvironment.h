#pragma once

#include <gtest/gtest.h>
#include <functional>
#include "app/Main.h"

namespace testsupport
{
// A fresh temporary HOME, TMPDIR and a bin folder first on PATH, for the whole test process,
// so that no test touches the real home or the real temporary folder.
class ScopedTestHome
{
public:
    ScopedTestHome();
    ~ScopedTestHome();

    static juce::File root();           // holds home/, tmp/ and bin/
    static juce::File home();
    static juce::File binFolder();

private:
    JUCE_DECLARE_NON_COPYABLE (ScopedTestHome)
};

// Runs the message loop until the condition holds or the time is up; returns the condition.
bool pumpUntil (const std::function<bool()>& condition, int timeoutMs = 5000);

// Runs the message loop for a while.
void pumpFor (int milliseconds);

// Puts an xdg-open on PATH that records its arguments instead of opening anything.
class StubOpener
{
public:
    StubOpener();
    ~StubOpener();

    // One entry per call, each holding that call's arguments.
    juce::Array<juce::StringArray> calls() const;

    // Waits until at least n calls were recorded.
    bool waitForCalls (int n, int timeoutMs = 5000) const;

    // The umask the last call ran with, as the shell prints it ("0022").
    juce::String umask() const;

private:
    juce::File log;
    JUCE_DECLARE_NON_COPYABLE (StubOpener)
};

// Writes a bundle folder whose Contents/Info.plist carries the given text.
juce::File writeBundle (const juce::File& bundle, const juce::String& infoPlistText);

// The usual property list with the given CFBundleShortVersionString.
juce::String infoPlistWithVersion (const juce::String& version);

// Builds a ZIP archive from (path inside the archive, contents) pairs.
juce::MemoryBlock makeZip (const juce::StringPairArray& entries);

// A test that has the running application object with its settings and folders set up, as
// start-up leaves them before the main window is built.
class AppTest : public ::testing::Test
{
protected:
    void SetUp() override;
    void TearDown() override;

    // Shuts the application object down and starts a new one, as a restart of the program does.
    void restartApp();

    MosaireApplication& app();
    juce::PropertiesFile& appSettings();
    juce::PropertiesFile& globalSettings();

private:
    void startApp();
    void stopApp();

    std::unique_ptr<MosaireApplication> application;
};
}
