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

private:
    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (FastMemoryOutputStream)
};
