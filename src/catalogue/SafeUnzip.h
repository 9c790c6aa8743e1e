#pragma once

#include <juce_core/juce_core.h>
#include "app/KV.h"

// Unpacking downloaded archives without letting an entry land outside the target folder.
// juce::ZipFile refuses entries whose path leads out, but stops the whole unpack at the first
// one, and it creates symbolic-link entries as stored: such a link may point anywhere, and a
// later entry of the same name would be written through it. It also reports an entry whose data
// ends early, or whose write failed, as unpacked, and cannot be interrupted inside a large entry.
namespace SafeUnzip
{
    // Whether the entry may be written into the folder: no link, and a path that stays inside.
    bool staysInside (const juce::ZipFile::ZipEntry& entry, const juce::File& folder);

    // Unpacks, overwriting, every entry that stays inside the folder and skips the others. An
    // entry counts as unpacked only when every byte of it was written; one that was not, or an
    // exit request of the calling thread (looked at between blocks), removes that entry's file,
    // ends the unpack and returns false.
    bool unpackInside (juce::ZipFile& archive, const juce::File& folder);
}
