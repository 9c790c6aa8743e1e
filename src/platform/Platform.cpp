#include "platform/Platform.h"

#if JUCE_LINUX || JUCE_BSD
 #include <spawn.h>
 #include <sys/wait.h>
 #include <thread>
 extern char** environ;
#endif

#if ! JUCE_WINDOWS
 #include <fcntl.h>
 #include <sys/file.h>
 #include <sys/stat.h>
 #include <unistd.h>
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

void restrictSettingsToOwner (const juce::File& settingsFile)
{
   #if ! JUCE_WINDOWS
    const auto folder = settingsFile.getParentDirectory();
    folder.createDirectory();
    ::chmod (folder.getFullPathName().toRawUTF8(), S_IRWXU);

    if (settingsFile.existsAsFile())
        ::chmod (settingsFile.getFullPathName().toRawUTF8(), S_IRUSR | S_IWUSR);
   #else
    juce::ignoreUnused (settingsFile);
   #endif
}

#if JUCE_LINUX || JUCE_BSD
namespace
{
// A real directory (no link) of this user's that nobody else can enter.
bool isPrivateFolder (const juce::File& folder)
{
    struct stat info {};
    return ::lstat (folder.getFullPathName().toRawUTF8(), &info) == 0
            && S_ISDIR (info.st_mode)
            && info.st_uid == ::geteuid()
            && (info.st_mode & 07777) == S_IRWXU;
}
}
#endif

juce::File createPrivateTemporaryFolder (const juce::String& name)
{
    const auto folder = juce::File::getSpecialLocation (juce::File::tempDirectory).getChildFile (name);

   #if JUCE_LINUX || JUCE_BSD
    ::mkdir (folder.getFullPathName().toRawUTF8(), S_IRWXU);

    if (isPrivateFolder (folder))
        return folder;

    // Someone else's, a link, or open to others: never used. mkdtemp makes a fresh one, 0700.
    auto pattern = (folder.getFullPathName() + "-XXXXXX").toStdString();

    if (::mkdtemp (pattern.data()) == nullptr)
        return {};

    return juce::File (juce::String::fromUTF8 (pattern.c_str()));
   #else
    folder.createDirectory();
    return folder;
   #endif
}

bool frameworkInstanceLockIsPerUser()
{
   #if JUCE_LINUX || JUCE_BSD
    return false;
   #else
    return true;
   #endif
}

bool claimInstanceLock (const juce::String& name)
{
   #if JUCE_LINUX || JUCE_BSD
    // Kept in the user's own cache folder, as macOS keeps it in the user's Library.
    const auto lockFile = juce::File ("~/.cache").getChildFile (name + ".lock");
    lockFile.getParentDirectory().createDirectory();

    // Close-on-exec: an installer still running after the program quits must not hold it.
    const auto handle = ::open (lockFile.getFullPathName().toRawUTF8(),
                                O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, S_IRUSR | S_IWUSR);

    // A lock that cannot even be opened must not keep the customer from starting the program.
    return handle < 0 || ::flock (handle, LOCK_EX | LOCK_NB) == 0;
   #else
    juce::ignoreUnused (name);
    return true;
   #endif
}

void limitToRequestTimeout (juce::WebInputStream& stream)
{
   #if JUCE_LINUX || JUCE_BSD
    stream.withConnectionTimeout (requestTimeoutMs);
   #else
    juce::ignoreUnused (stream);
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

namespace
{
bool isOpenableTarget (const juce::String& fileOrUrl)
{
    return fileOrUrl.startsWithChar ('/')
            || fileOrUrl.startsWithIgnoreCase ("http://")
            || fileOrUrl.startsWithIgnoreCase ("https://");
}
}

bool openWithDefaultHandler (const juce::String& fileOrUrl)
{
    if (! isOpenableTarget (fileOrUrl))
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
