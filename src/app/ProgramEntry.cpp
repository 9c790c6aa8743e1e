#include "app/Main.h"
#include "platform/Platform.h"

int main (int argc, char* argv[])
{
    platform::keepDisplayLibraryForLeakChecks();
    juce::JUCEApplicationBase::createInstance = &juce_CreateApplication;
    return juce::JUCEApplicationBase::main (argc, const_cast<const char**> (argv));
}
