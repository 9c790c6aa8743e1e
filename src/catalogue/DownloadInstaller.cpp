#include "catalogue/DownloadInstaller.h"
#include "catalogue/SafeUnzip.h"
#include "app/Main.h"
#include "platform/AbortOnThreadExit.h"
#include "platform/Platform.h"

namespace
{
constexpr int blockSize = 65536;
}

DownloadInstaller::DownloadInstaller (juce::URL url)
    : juce::Thread ("Download Installer"),
      installerUrl (std::move (url))
{
}

DownloadInstaller::~DownloadInstaller()
{
    stopThread (1000);
}

void DownloadInstaller::run()
{
    setInstallerFileName ({});

    // Built by hand rather than through URL::createInputStream so that an exit request can
    // cancel the transfer wherever it blocks.
    juce::WebInputStream stream (installerUrl, false);
    stream.withExtraHeaders ("Accept: application/octet-stream")
          .withConnectionTimeout (10000)
          .withNumRedirectsToFollow (1);

    platform::AbortOnThreadExit abortOnExit (*this, stream);

    const auto connected = stream.connect (nullptr) && ! stream.isError();

    // Being shut down: nobody is left to report to.
    if (threadShouldExit())
        return;

    if (! connected || stream.getStatusCode() != 200)
    {
        triggerAsyncUpdate();
        return;
    }

    const auto announced = stream.getTotalLength();
    const auto expected = FastMemoryOutputStream::expectedTotal (announced);

    juce::MemoryBlock received;
    FastMemoryOutputStream buffer (received, true);
    buffer.preallocateFor (expected);
    juce::int64 total = 0;

    // JUCE's curl stream shifts its whole receive buffer after every read, so the 8 KiB reads of
    // each block are served from one network read of the block's size.
    juce::BufferedInputStream source (stream, blockSize);

    while (! threadShouldExit())
    {
        const auto numWritten = buffer.writeFromInputStream (source, blockSize);

        if (numWritten <= 0)
            break;

        total += numWritten;
        progressRelay.set ((double) total / (double) expected);

        if (stopRequested)
        {
            triggerAsyncUpdate();
            return;
        }
    }

    // A cancelled transfer also ends with an empty read: that is no archive to unpack.
    if (threadShouldExit())
        return;

    unpack (buffer.getData(), buffer.getDataSize());

    if (! threadShouldExit())
        triggerAsyncUpdate();
}

void DownloadInstaller::unpack (const void* data, size_t size)
{
    const auto folder = MosaireApplication::getApp().downloadFolder;
    juce::MemoryInputStream archiveStream (data, size, false);
    juce::ZipFile archive (archiveStream);

    // A half-written installer must not be opened or offered: an archive that did not unpack
    // whole, or an entry that was not written, is no installer.
    if (SafeUnzip::unpackInside (archive, folder)
         && archive.getNumEntries() > 0 && SafeUnzip::staysInside (*archive.getEntry (0), folder))
        setInstallerFileName (archive.getEntry (0)->filename);
}

void DownloadInstaller::handleAsyncUpdate()
{
    const auto fileName = getInstallerFileName();

    if (fileName.isNotEmpty())
    {
        const auto installer = MosaireApplication::getApp().downloadFolder.getChildFile (fileName);

        if (MosaireApplication::ownSettings().getBoolValue ("installerAutoLaunch", true))
        {
            if (installer.exists())
                platform::openWithDefaultHandler (installer.getFullPathName());
        }
        else
        {
            fileChooser = std::make_unique<juce::FileChooser> (
                "Save installer",
                juce::File::getSpecialLocation (juce::File::userDesktopDirectory).getChildFile (installer.getFileName()),
                juce::String(), true, false, nullptr);

            fileChooser->launchAsync (juce::FileBrowserComponent::saveMode,
                                      [installer] (const juce::FileChooser& chooser)
                                      {
                                          copyInstallerTo (installer, chooser.getURLResult());
                                      });
        }
    }

    // A relay still queued from the transfer must not overwrite the idle value.
    progressRelay.cancel();
    progress = -1.0;
    sendChangeMessage();
}

void DownloadInstaller::copyInstallerTo (const juce::File& installer, const juce::URL& chosen)
{
    // Only a local file can take the copy.
    if (! chosen.isLocalFile())
        return;

    const auto target = chosen.getLocalFile();

    if (target != juce::File())
        installer.copyFileTo (target);
}

void DownloadInstaller::setInstallerFileName (const juce::String& newName)
{
    const juce::ScopedLock lock (installerFileNameLock);
    installerFileName = newName;
}

juce::String DownloadInstaller::getInstallerFileName()
{
    const juce::ScopedLock lock (installerFileNameLock);
    return installerFileName;
}
