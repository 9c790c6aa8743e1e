#pragma once

#include <juce_core/juce_core.h>
#include "app/KV.h"

// Unpacking downloaded archives without letting an entry land outside the target folder.
// juce::ZipFile refuses entries whose path leads out, but stops the whole unpack at the first
// one, and it creates symbolic-link entries as stored: such a link may point anywhere, and a
// later entry of the same name would be written through it.
namespace SafeUnzip
{
    // Whether the entry may be written into the folder: no link, and a path that stays inside.
    bool staysInside (const juce::ZipFile::ZipEntry& entry, const juce::File& folder);

    // Unpacks, overwriting, every entry that stays inside the folder and skips the others; like
    // juce::ZipFile::uncompressTo it stops at the first entry that fails to unpack, and then
    // returns false.
    bool unpackInside (juce::ZipFile& archive, const juce::File& folder);
}
