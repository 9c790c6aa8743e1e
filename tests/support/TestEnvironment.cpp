#include "support/TestEnvironment.h"

#include <cstdlib>

namespace testsupport
{
namespace
{
juce::File testRoot;
}

ScopedTestHome::ScopedTestHome()
{
    char pattern[] = "/tmp/mosaire-test-XXXXXX";
    testRoot = juce::File (juce::String (::mkdtemp (pattern)));

    home().createDirectory();
    testRoot.getChildFile ("tmp").createDirectory();
    binFolder().createDirectory();

    ::setenv ("HOME", home().getFullPathName().toRawUTF8(), 1);
    ::setenv ("TMPDIR", testRoot.getChildFile ("tmp").getFullPathName().toRawUTF8(), 1);
    ::unsetenv ("XDG_CONFIG_HOME");
    ::unsetenv ("XDG_DESKTOP_DIR");

    const juce::String path (::getenv ("PATH") != nullptr ? ::getenv ("PATH") : "/usr/bin:/bin");
    ::setenv ("PATH", (binFolder().getFullPathName() + ":" + path).toRawUTF8(), 1);
}

ScopedTestHome::~ScopedTestHome()
{
    testRoot.deleteRecursively();
}

juce::File ScopedTestHome::root()       { return testRoot; }
juce::File ScopedTestHome::home()       { return testRoot.getChildFile ("home"); }
juce::File ScopedTestHome::binFolder()  { return testRoot.getChildFile ("bin"); }

//==============================================================================
bool pumpUntil (const std::function<bool()>& condition, int timeoutMs)
{
    const auto end = juce::Time::getMillisecondCounter() + (juce::uint32) timeoutMs;

    while (! condition())
    {
        if (juce::Time::getMillisecondCounter() > end)
            return condition();

        juce::MessageManager::getInstance()->runDispatchLoopUntil (5);
    }

    return true;
}

void pumpFor (int milliseconds)
{
    juce::MessageManager::getInstance()->runDispatchLoopUntil (milliseconds);
}

//==============================================================================
StubOpener::StubOpener()
    : log (ScopedTestHome::root().getChildFile ("opener.log"))
{
    log.deleteFile();
    auto script = ScopedTestHome::binFolder().getChildFile ("xdg-open");
    script.replaceWithText ("#!/bin/sh\n"
                            "umask > '" + log.getFullPathName() + ".umask'\n"
                            "for a in \"$@\"; do printf '%s\\037' \"$a\"; done >> '" + log.getFullPathName() + "'\n"
                            "printf '\\036' >> '" + log.getFullPathName() + "'\n",
                            false, false, "\n");
    script.setExecutePermission (true);
}

StubOpener::~StubOpener()
{
    ScopedTestHome::binFolder().getChildFile ("xdg-open").deleteFile();
    log.deleteFile();
}

juce::Array<juce::StringArray> StubOpener::calls() const
{
    juce::Array<juce::StringArray> result;
    juce::StringArray records;
    records.addTokens (log.loadFileAsString(), juce::String::charToString (0x1e), "");

    for (int i = 0; i < records.size() - 1; ++i)
    {
        juce::StringArray arguments;
        arguments.addTokens (records[i], juce::String::charToString (0x1f), "");
        arguments.removeString ({});  // the trailing separator leaves one empty token
        result.add (arguments);
    }

    return result;
}

juce::String StubOpener::umask() const
{
    return log.withFileExtension ("log.umask").loadFileAsString().trim();
}

bool StubOpener::waitForCalls (int n, int timeoutMs) const
{
    return pumpUntil ([&] { return calls().size() >= n; }, timeoutMs);
}

//==============================================================================
juce::File writeBundle (const juce::File& bundle, const juce::String& infoPlistText)
{
    auto plist = bundle.getChildFile ("Contents").getChildFile ("Info.plist");
    plist.getParentDirectory().createDirectory();
    plist.replaceWithText (infoPlistText);
    return bundle;
}

juce::String infoPlistWithVersion (const juce::String& version)
{
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
           "<!DOCTYPE plist PUBLIC \"-//Apple//DTD PLIST 1.0//EN\" \"http://www.apple.com/DTDs/PropertyList-1.0.dtd\">\n"
           "<plist version=\"1.0\">\n<dict>\n"
           "  <key>CFBundleName</key>\n  <string>Test</string>\n"
           "  <key>CFBundleShortVersionString</key>\n  <string>" + version + "</string>\n"
           "</dict>\n</plist>\n";
}

juce::MemoryBlock makeZip (const juce::StringPairArray& entries)
{
    juce::ZipFile::Builder builder;

    for (auto& path : entries.getAllKeys())
    {
        auto* contents = new juce::MemoryInputStream (juce::MemoryBlock (entries[path].toRawUTF8(),
                                                                         entries[path].getNumBytesAsUTF8()),
                                                      true);
        builder.addEntry (contents, 0, path, juce::Time::getCurrentTime());
    }

    juce::MemoryOutputStream out;
    builder.writeToStream (out, nullptr);
    return out.getMemoryBlock();
}

//==============================================================================
void AppTest::SetUp()     { startApp(); }
void AppTest::TearDown()  { stopApp(); }

void AppTest::restartApp()
{
    stopApp();
    startApp();
}

void AppTest::startApp()
{
    application = std::make_unique<MosaireApplication>();
    application->openSettingsAndFolders();
}

void AppTest::stopApp()
{
    if (application != nullptr)
    {
        application->shutdown();
        application.reset();
    }
}

MosaireApplication& AppTest::app()              { return *application; }
juce::PropertiesFile& AppTest::appSettings()    { return *application->appSettings->getUserSettings(); }
juce::PropertiesFile& AppTest::globalSettings() { return *application->globalSettings->getUserSettings(); }
}
