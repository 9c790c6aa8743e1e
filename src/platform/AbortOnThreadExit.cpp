#include "platform/AbortOnThreadExit.h"

#if JUCE_LINUX || JUCE_BSD
 #include <pthread.h>
 #include <signal.h>
 #include <mutex>
#endif

namespace platform
{
namespace
{
#if JUCE_LINUX || JUCE_BSD
// Cancelling a curl transfer closes its socket but leaves the reading thread in select() until
// curl's next timer, up to a second later. A signal without SA_RESTART ends that wait at once.
int wakeSignal()
{
    static const int signalNumber = []
    {
        const int number = SIGRTMIN + 3;
        struct sigaction action {};
        action.sa_handler = [] (int) {};
        sigemptyset (&action.sa_mask);
        action.sa_flags = 0;
        ::sigaction (number, &action, nullptr);
        return number;
    }();

    return signalNumber;
}
#endif

void wakeFromBlockingCall (juce::Thread::ThreadID threadId)
{
   #if JUCE_LINUX || JUCE_BSD
    ::pthread_kill ((pthread_t) threadId, wakeSignal());
   #else
    juce::ignoreUnused (threadId);   // macOS cancels its transfers without delay
   #endif
}
}

AbortOnThreadExit::AbortOnThreadExit (juce::Thread& w, juce::WebInputStream& t)
    : worker (w), transfer (t), workerId (juce::Thread::getCurrentThreadId())
{
    jassert (juce::Thread::getCurrentThread() == &worker);

   #if JUCE_LINUX || JUCE_BSD
    wakeSignal();
   #endif

    worker.addListener (this);

    // An exit request that came before the listener was in place.
    if (worker.threadShouldExit())
        transfer.cancel();
}

AbortOnThreadExit::~AbortOnThreadExit()
{
    // Once this returns no exitSignalSent() is running, so the transfer may go.
    worker.removeListener (this);
}

void AbortOnThreadExit::exitSignalSent()
{
    transfer.cancel();
    wakeFromBlockingCall (workerId);
}
}
