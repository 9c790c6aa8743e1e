#include "app/Main.h"
#include "platform/Platform.h"

int main (int argc, char* argv[])
{
    // A second launch by the same user ends here, before start-up; on macOS the framework decides.
    if (! platform::claimInstanceLock (JUCE_APPLICATION_NAME_STRING))
        return 0;

    platform::keepDisplayLibraryForLeakChecks();
    juce::JUCEApplicationBase::createInstance = &juce_CreateApplication;
    return juce::JUCEApplicationBase::main (argc, const_cast<const char**> (argv));
}
