#include "support/LocalServer.h"
#include "support/TestEnvironment.h"
#include "MosaireConfig.h"

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

extern char** environ;

namespace testsupport
{
namespace
{
juce::String fetch (const juce::String& url)
{
    auto stream = juce::URL (url).createInputStream (juce::URL::InputStreamOptions (juce::URL::ParameterHandling::inAddress)
                                                         .withConnectionTimeoutMs (2000));
    return stream != nullptr ? stream->readEntireStreamAsString() : juce::String();
}
}

int LocalServer::port()
{
    return juce::URL (MosaireConfig::blobStorageUrl).getPort();
}

juce::String LocalServer::baseUrl()
{
    return "http://127.0.0.1:" + juce::String (port());
}

LocalServer::LocalServer (const juce::StringPairArray& accounts)
    : LocalServer (port(), accounts)
{
}

LocalServer::LocalServer (int portToListenOn, const juce::StringPairArray& accounts)
    : folder (ScopedTestHome::root().getChildFile ("blob").getNonexistentSibling()),
      listenPort (portToListenOn)
{
    folder.createDirectory();

    juce::StringArray arguments { "python3", juce::String (MOSAIRE_SOURCE_DIR) + "/tests/server/mosaire_server.py",
                                  "--root", folder.getFullPathName(), "--port", juce::String (listenPort), "--quiet" };

    for (auto& mail : accounts.getAllKeys())
        arguments.addArray ({ "--account", mail + ":" + accounts[mail] });

    juce::Array<char*> argv;
    for (auto& argument : arguments)
        argv.add (const_cast<char*> (argument.toRawUTF8()));
    argv.add (nullptr);

    pid_t child = 0;
    if (posix_spawnp (&child, "python3", nullptr, nullptr, argv.getRawDataPointer(), environ) != 0)
        throw std::runtime_error ("cannot start the local server");

    pid = (int) child;

    const auto end = juce::Time::getMillisecondCounter() + 10000;
    while (control ("ping") != "pong")
    {
        if (juce::Time::getMillisecondCounter() > end)
            throw std::runtime_error ("the local server did not answer");
        juce::Thread::sleep (20);
    }
}

LocalServer::~LocalServer()
{
    ::kill ((pid_t) pid, SIGTERM);
    int status = 0;
    ::waitpid ((pid_t) pid, &status, 0);
}

juce::File LocalServer::serve (const juce::String& path, const juce::MemoryBlock& contents)
{
    auto file = folder.getChildFile (path.trimCharactersAtStart ("/"));
    file.getParentDirectory().createDirectory();
    file.replaceWithData (contents.getData(), contents.getSize());
    return file;
}

juce::File LocalServer::serve (const juce::String& path, const juce::String& text)
{
    return serve (path, juce::MemoryBlock (text.toRawUTF8(), text.getNumBytesAsUTF8()));
}

void LocalServer::setRule (const juce::String& path, const juce::String& mode, const juce::String& arg)
{
    juce::StringPairArray parameters;
    parameters.set ("path", path);
    parameters.set ("mode", mode);
    if (arg.isNotEmpty())
        parameters.set ("arg", arg);

    if (control ("rule", parameters) != "ok")
        throw std::runtime_error (("rule refused: " + path + " " + mode).toStdString());
}

void LocalServer::clearRules()
{
    control ("clear");
}

juce::Array<juce::var> LocalServer::requests()
{
    auto parsed = juce::JSON::parse (control ("requests"));
    juce::Array<juce::var> result;
    if (auto* list = parsed.getArray())
        result.addArray (*list);
    return result;
}

juce::StringArray LocalServer::requestedPaths()
{
    juce::StringArray paths;
    for (auto& request : requests())
        paths.add (request["path"].toString());
    return paths;
}

juce::String LocalServer::control (const juce::String& what, const juce::StringPairArray& parameters)
{
    juce::URL url ("http://127.0.0.1:" + juce::String (listenPort) + "/__control/" + what);
    for (auto& key : parameters.getAllKeys())
        url = url.withParameter (key, parameters[key]);
    return fetch (url.toString (true)).trim();
}
}
