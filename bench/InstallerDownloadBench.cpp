// Downloads and unpacks one installer archive with DownloadInstaller and prints how long that
// took and how much memory the process needed for it. Started by bench/run-installer-download,
// which gives it a private HOME and TMPDIR and a stand-in xdg-open.
//
// Usage: mosaire_bench_installer_download URL EXPECTED_INSTALLER_BYTES

#include "app/Main.h"
#include "catalogue/DownloadInstaller.h"

#include <cstdio>

namespace
{
// A field of /proc/self/status in KiB ("VmRSS", "VmHWM").
long long statusKiB (const char* field)
{
    juce::StringArray lines;
    lines.addLines (juce::File ("/proc/self/status").loadFileAsString());

    for (auto& line : lines)
        if (line.startsWith (juce::String (field) + ":"))
            return line.fromFirstOccurrenceOf (":", false, false).trim().getLargeIntValue();

    return -1;
}

struct IdleWatch : public juce::ChangeListener
{
    void changeListenerCallback (juce::ChangeBroadcaster*) override  { idle = true; }
    bool idle = false;
};
}

int main (int argc, char** argv)
{
    if (argc != 3)
    {
        std::fprintf (stderr, "usage: %s URL EXPECTED_INSTALLER_BYTES\n", argv[0]);
        return 2;
    }

    const juce::URL url (juce::String::fromUTF8 (argv[1]));
    const auto expectedBytes = juce::String (argv[2]).getLargeIntValue();

    juce::ScopedJuceInitialiser_GUI juceInitialiser;
    MosaireApplication app;
    app.openSettingsAndFolders();

    int exitCode = 0;
    {
        DownloadInstaller worker (url);
        IdleWatch watch;
        worker.addChangeListener (&watch);

        const auto rssBefore = statusKiB ("VmRSS");
        const auto start = juce::Time::getMillisecondCounterHiRes();

        worker.stopRequested = false;
        worker.progress = 0.0;
        worker.startThread (juce::Thread::Priority::low);

        while (! watch.idle)
            juce::MessageManager::getInstance()->runDispatchLoopUntil (1);

        const auto seconds = (juce::Time::getMillisecondCounterHiRes() - start) / 1000.0;
        const auto peak = statusKiB ("VmHWM");
        const auto installer = app.downloadFolder.getChildFile (worker.installerFileName);

        if (worker.installerFileName.isEmpty() || installer.getSize() != expectedBytes)
        {
            std::fprintf (stderr, "download failed: installer \"%s\" has %lld bytes\n",
                          worker.installerFileName.toRawUTF8(), (long long) installer.getSize());
            exitCode = 1;
        }

        std::printf ("seconds %.3f\npeak_kib %lld\nrss_before_kib %lld\n", seconds, peak, rssBefore);
        worker.removeChangeListener (&watch);
    }

    app.shutdown();
    return exitCode;
}
