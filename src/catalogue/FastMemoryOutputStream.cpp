#include "catalogue/FastMemoryOutputStream.h"

juce::int64 FastMemoryOutputStream::writeFromInputStream (juce::InputStream& source, juce::int64 maxNumBytesToWrite)
{
    // A negative limit means no limit.
    auto remaining = juce::jmin ((juce::uint64) maxNumBytesToWrite, (juce::uint64) std::numeric_limits<juce::int64>::max());

    if (remaining == 0)
        return 0;

    char buffer[8192];
    juce::int64 total = 0;

    do
    {
        const auto numRead = source.read (buffer, (int) juce::jmin ((juce::uint64) sizeof (buffer), remaining));

        if (numRead < 1)
            break;

        write (buffer, (size_t) numRead);
        total += numRead;
        remaining -= (juce::uint64) numRead;
    }
    while (remaining > 0);

    return total;
}

void FastMemoryOutputStream::preallocateFor (juce::int64 expectedTotal)
{
    preallocate ((size_t) juce::jlimit ((juce::int64) 0, maxPreallocation, expectedTotal));
}
