#include "catalogue/DownloadResources.h"
#include "catalogue/SafeUnzip.h"
#include "app/ImagesBinaryData.h"
#include "app/Main.h"
#include "app/WebAddresses.h"
#include "catalogue/FastMemoryOutputStream.h"
#include "platform/AbortOnThreadExit.h"

#include <cstdlib>
#include <limits>

namespace
{
juce::URL resourceFolder()
{
    return WebAddresses::installerBase().getChildURL ("Mosaire");
}

// The catalogue's picture count: its leading digits as the C library's atoi reads them, held to
// the int range instead of overflowing.
int pictureCount (const juce::XmlElement& catalogue)
{
    const auto value = std::strtol (catalogue.getStringAttribute ("productUpdateCount").toRawUTF8(), nullptr, 10);
    return (int) juce::jlimit ((long) std::numeric_limits<int>::min(), (long) std::numeric_limits<int>::max(), value);
}

// No stream error (a dropped connection ends the body with one) and the announced length, if
// any, reached.
bool arrivedWhole (juce::WebInputStream& stream, juce::int64 received)
{
    const auto announced = stream.getTotalLength();
    return ! stream.isError() && (announced < 0 || received == announced);
}
}

//==============================================================================
DownloadResource::DownloadResource()
    : juce::Thread ("Download Resources"),
      picture (juce::ImageCache::getFromMemory (BinaryData::temp_binary_data_4, BinaryData::temp_binary_data_4Size))
{
    // Built here, once `progress` holds its first value: the bar reads it at once.
    progressBar = std::make_unique<juce::ProgressBar> (progress);

    addAndMakeVisible (picture);
    addAndMakeVisible (*progressBar);
}

DownloadResource::~DownloadResource()
{
    stopThread (1000);
    cancelPendingUpdate();
}

void DownloadResource::paint (juce::Graphics& g)
{
    g.fillAll (juce::Colours::black);
}

void DownloadResource::resized()
{
    const auto cx = getWidth() / 2;
    const auto cy = getHeight() / 2;

    picture.setBounds (cx - 100, cy - 95, 200, 50);
    progressBar->setBounds (cx - 200, cy - 12, 400, 25);
}

void DownloadResource::run()
{
    const auto storedCount = MosaireApplication::ownSettings().getIntValue ("productUpdateCount", -1);
    status = 0;

    juce::MemoryOutputStream body;

    if (! readCatalogue (body))
    {
        status = 2;
    }
    else if (! threadShouldExit())
    {
        const auto catalogue = juce::XmlDocument (body.toString()).getDocumentElement();

        // Any other answer (an error page, say) keeps the last good catalogue.
        if (catalogue == nullptr || ! catalogue->getTagName().equalsIgnoreCase ("INSTALLATION_MANAGER"))
        {
            status = 1;
        }
        else
        {
            MosaireApplication::ownSettings().setValue ("xmlAppProducts", catalogue.get());

            // A renewal that failed is tried again at the next start.
            if (const auto count = pictureCount (*catalogue); count > storedCount && renewPictures())
                MosaireApplication::ownSettings().setValue ("productUpdateCount", count);
        }
    }

    triggerAsyncUpdate();
}

bool DownloadResource::readCatalogue (juce::MemoryOutputStream& body)
{
    juce::WebInputStream stream (resourceFolder().getChildURL ("AppPlugins.xml"), false);
    platform::AbortOnThreadExit abortOnExit (*this, stream);
    stream.withConnectionTimeout (2000);

    if (! stream.connect (nullptr) || stream.isError())
        return false;

    // Whatever body arrives is the answer; its HTTP status is not looked at.
    while (! stream.isExhausted() && ! stream.isError() && ! threadShouldExit())
        body.writeFromInputStream (stream, 8192);

    return arrivedWhole (stream, (juce::int64) body.getDataSize());
}

bool DownloadResource::renewPictures()
{
    juce::WebInputStream stream (resourceFolder().getChildURL ("Images.zip"), false);
    platform::AbortOnThreadExit abortOnExit (*this, stream);
    stream.withExtraHeaders ("Accept: application/octet-stream");
    stream.withConnectionTimeout (10000);
    stream.withNumRedirectsToFollow (1);

    if (! stream.connect (nullptr) || stream.isError() || stream.getStatusCode() != 200)
        return false;

    const auto announced = stream.getTotalLength();
    const auto expected = FastMemoryOutputStream::expectedTotal (announced);

    FastMemoryOutputStream received;
    received.preallocateFor (expected);
    progressRelay.set (0.0);

    juce::int64 total = 0;

    while (! threadShouldExit())
    {
        const auto block = received.writeFromInputStream (stream, 65536);

        if (block <= 0)
            break;

        total += block;
        progressRelay.set ((double) total / (double) expected);
    }

    // An archive cut short, at shutdown or by a dropped connection, is not unpacked.
    if (threadShouldExit() || ! arrivedWhole (stream, total))
        return false;

    juce::MemoryInputStream archive (received.getData(), received.getDataSize(), false);
    juce::ZipFile zip (archive);

    if (zip.getNumEntries() == 0)
        return false;

    // Unpacked beside the pictures in place, which it replaces only once it is complete.
    const auto images = MosaireApplication::getApp().imagesFolder;
    const auto fresh = images.getSiblingFile (images.getFileName() + " new");
    fresh.deleteRecursively();

    if (! fresh.createDirectory() || ! SafeUnzip::unpackInside (zip, fresh))
    {
        fresh.deleteRecursively();
        return false;
    }

    images.deleteRecursively();
    return fresh.moveFileTo (images);
}

void DownloadResource::handleAsyncUpdate()
{
    stopThread (1000);
    progressRelay.flush();

    setVisible (false);
    sendChangeMessage();

    if (status == 2)
        juce::AlertWindow::showMessageBoxAsync (juce::MessageBoxIconType::WarningIcon,
                                                "No Internet connection", "Make sure to be online");
    else if (status == 1)
        juce::AlertWindow::showMessageBoxAsync (juce::MessageBoxIconType::WarningIcon,
                                                "Server busy", "Cloase and reopend Mosaire");
}
