#include "platform/Platform.h"

#if JUCE_LINUX || JUCE_BSD
 #include <spawn.h>
 #include <sys/wait.h>
 #include <thread>
 extern char** environ;
#endif

#if ! JUCE_WINDOWS
 #include <sys/stat.h>
#endif

#if JUCE_LINUX && defined (__SANITIZE_ADDRESS__)
 #include <dlfcn.h>
#endif

namespace platform
{
juce::String settingsFolderName (const juce::String& folderName)
{
   #if JUCE_MAC
    return folderName;
   #else
    return ".config/" + folderName;
   #endif
}

void restrictNewFilesToOwner()
{
   #if ! JUCE_WINDOWS
    ::umask (077);
   #endif
}

void restrictToOwner (const juce::File& file)
{
   #if ! JUCE_WINDOWS
    if (file.existsAsFile())
        ::chmod (file.getFullPathName().toRawUTF8(), S_IRUSR | S_IWUSR);
   #else
    juce::ignoreUnused (file);
   #endif
}

juce::File runningApplicationBundle()
{
   #if JUCE_MAC
    return juce::File::getSpecialLocation (juce::File::currentApplicationFile);
   #else
    // The build lays the program out as Mosaire.app/Contents/MacOS/<program>.
    return juce::File::getSpecialLocation (juce::File::currentExecutableFile)
               .getParentDirectory().getParentDirectory().getParentDirectory();
   #endif
}

juce::File machineLibraryFolder()
{
   #if JUCE_MAC
    return juce::File::getSpecialLocation (juce::File::commonApplicationDataDirectory);
   #else
    // No Audio Unit or AAX plug-ins exist here; the user's data folder stands in for /Library.
    return juce::File ("~/.local/share");
   #endif
}

void keepDisplayLibraryForLeakChecks()
{
   #if JUCE_LINUX && defined (__SANITIZE_ADDRESS__)
    ::dlopen ("libX11.so.6", RTLD_NOW | RTLD_NODELETE);
   #endif
}

bool openWithDefaultHandler (const juce::String& fileOrUrl)
{
    if (fileOrUrl.isEmpty())
        return false;

   #if JUCE_LINUX || JUCE_BSD
    juce::String program ("xdg-open");
    juce::String argument (fileOrUrl);
    char* argv[] = { const_cast<char*> (program.toRawUTF8()),
                     const_cast<char*> (argument.toRawUTF8()),
                     nullptr };

    pid_t pid = 0;
    if (posix_spawnp (&pid, argv[0], nullptr, nullptr, argv, environ) != 0)
        return false;

    // Reap it in the background so that opening never waits and leaves no zombie.
    std::thread ([pid] { int status = 0; ::waitpid (pid, &status, 0); }).detach();
    return true;
   #else
    return juce::Process::openDocument (fileOrUrl, {});
   #endif
}

void LinkButton::clicked()
{
    openWithDefaultHandler (getURL().toString (true));
}
}
