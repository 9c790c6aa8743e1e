#include "catalogue/SafeUnzip.h"

namespace
{
constexpr int blockSize = 65536;

bool leadsThroughLink (const juce::File& folder, const juce::File& target)
{
    for (auto f = target.getParentDirectory(); f != folder && f.isAChildOf (folder); f = f.getParentDirectory())
        if (f.isSymbolicLink())
            return true;

    return false;
}

// Copies the entry in blocks, so that an exit request ends even a huge entry at once.
bool writeWhole (juce::InputStream& in, const juce::File& target, juce::int64 expectedSize)
{
    juce::FileOutputStream out (target, blockSize);

    if (out.failedToOpen())
        return false;

    juce::HeapBlock<char> buffer (blockSize);
    juce::int64 written = 0;

    while (! juce::Thread::currentThreadShouldExit())
    {
        const auto numRead = in.read (buffer, blockSize);

        if (numRead <= 0)
            break;

        if (! out.write (buffer, (size_t) numRead))
            return false;

        written += numRead;
    }

    out.flush();
    return out.getStatus().wasOk() && written == expectedSize && ! juce::Thread::currentThreadShouldExit();
}

bool unpackEntry (juce::ZipFile& archive, int index, const juce::File& folder)
{
    const auto& entry = *archive.getEntry (index);
    const auto path = entry.filename.replaceCharacter ('\\', '/');

    if (path.isEmpty())
        return true;

    const auto target = folder.getChildFile (path);

    if (path.endsWithChar ('/'))
        return target.createDirectory().wasOk();

    std::unique_ptr<juce::InputStream> in (archive.createStreamForEntry (index));

    if (in == nullptr
         || (target.exists() && ! target.deleteFile())
         || leadsThroughLink (folder, target)
         || target.getParentDirectory().createDirectory().failed())
        return false;

    if (! writeWhole (*in, target, entry.uncompressedSize))
    {
        target.deleteFile();
        return false;
    }

    target.setCreationTime (entry.fileTime);
    target.setLastModificationTime (entry.fileTime);
    target.setLastAccessTime (entry.fileTime);
    return true;
}
}

namespace SafeUnzip
{
bool staysInside (const juce::ZipFile::ZipEntry& entry, const juce::File& folder)
{
    if (entry.isSymbolicLink)
        return false;

    const auto path = entry.filename.replaceCharacter ('\\', '/');
    juce::StringArray segments;
    segments.addTokens (path, "/", {});

    return ! segments.contains ("..") && folder.getChildFile (path).isAChildOf (folder);
}

bool unpackInside (juce::ZipFile& archive, const juce::File& folder)
{
    for (int i = 0; i < archive.getNumEntries(); ++i)
        if (staysInside (*archive.getEntry (i), folder) && ! unpackEntry (archive, i, folder))
            return false;

    return true;
}
}
