#pragma once

#include <juce_core/juce_core.h>

namespace platform
{
// Held on a worker thread's stack while it waits on a web transfer: the thread's exit request
// (as sent by juce::Thread::stopThread) cancels the transfer at once, wherever it blocks, so the
// thread ends well before stopThread would kill it by force.
class AbortOnThreadExit : private juce::Thread::Listener
{
public:
    AbortOnThreadExit (juce::Thread& worker, juce::WebInputStream& transfer);
    ~AbortOnThreadExit() override;

private:
    void exitSignalSent() override;

    juce::Thread& worker;
    juce::WebInputStream& transfer;
    juce::Thread::ThreadID workerId;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (AbortOnThreadExit)
};
}
