#include "support/LocalServer.h"
#include "support/TestEnvironment.h"
#include "MosaireConfig.h"

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

namespace testsupport
{
int LocalServer::port()  { return juce::URL (MosaireConfig::blobStorageUrl).getPort(); }

LocalServer::LocalServer (int portToListenOn, const juce::StringPairArray& accounts)
    : folder (ScopedTestHome::root().getChildFile ("blob").getNonexistentSibling()), listenPort (portToListenOn)
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

    if (posix_spawnp (&pid, "python3", nullptr, nullptr, argv.getRawDataPointer(), environ) != 0)
        throw std::runtime_error ("cannot start the local server");

    for (int tries = 500; control ("ping") != "pong"; juce::Thread::sleep (20))
        if (--tries == 0)
            throw std::runtime_error ("the local server did not answer");
}

LocalServer::~LocalServer()  { ::kill (pid, SIGTERM); ::waitpid (pid, nullptr, 0); }

juce::File LocalServer::serve (const juce::String& path, const juce::MemoryBlock& contents)
{
    const auto file = folder.getChildFile (path.trimCharactersAtStart ("/"));
    return file.getParentDirectory().createDirectory() && file.replaceWithData (contents.getData(), contents.getSize())
               ? file : juce::File();
}

void LocalServer::setRule (const juce::String& path, const juce::String& mode, const juce::String& arg)
{
    if (control ("rule?path=" + juce::URL::addEscapeChars (path, true) + "&mode=" + mode
                 + "&arg=" + juce::URL::addEscapeChars (arg, true)) != "ok")
        throw std::runtime_error (("rule refused: " + path + " " + mode).toStdString());
}

juce::Array<juce::var> LocalServer::requests()
{
    const auto parsed = juce::JSON::parse (control ("requests"));
    return parsed.isArray() ? *parsed.getArray() : juce::Array<juce::var>();
}

juce::StringArray LocalServer::requestedPaths()
{
    juce::StringArray paths;
    for (auto& request : requests())
        paths.add (request["path"].toString());
    return paths;
}

juce::String LocalServer::control (const juce::String& request)
{
    return juce::URL::createWithoutParsing ("http://127.0.0.1:" + juce::String (listenPort) + "/__control/" + request)
               .readEntireTextStream();
}
}
