#pragma once

#include <juce_core/juce_core.h>
#include "app/KV.h"

// A juce::MemoryOutputStream that copies its source through a fixed buffer of its own, without
// asking the source for its length: the receive buffer of the archive downloads.
class FastMemoryOutputStream : public juce::MemoryOutputStream
{
public:
    using juce::MemoryOutputStream::MemoryOutputStream;

    juce::int64 writeFromInputStream (juce::InputStream& source, juce::int64 maxNumBytesToWrite) override;

    // The total a download's progress is measured against: the announced length, or 1 MiB when
    // the server announces none (progress may then pass 1.0).
    static juce::int64 expectedTotal (juce::int64 announcedLength)  { return announcedLength > 0 ? announcedLength : 1048576; }

    // Reserves room for the length a server announced. The announcement is only a promise, so
    // no more than maxPreallocation is reserved up front; a larger body grows the buffer as it
    // arrives instead of failing the allocation before the first byte.
    void preallocateFor (juce::int64 expectedTotal);

    static constexpr juce::int64 maxPreallocation = (juce::int64) 512 * 1024 * 1024;

private:
    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (FastMemoryOutputStream)
};
