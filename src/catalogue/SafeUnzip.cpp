#include "catalogue/SafeUnzip.h"

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
        if (staysInside (*archive.getEntry (i), folder)
             && archive.uncompressEntry (i, folder, juce::ZipFile::OverwriteFiles::yes,
                                         juce::ZipFile::FollowSymlinks::no).failed())
            return false;

    return true;
}
}
