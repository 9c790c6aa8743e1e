#pragma once

#include <juce_core/juce_core.h>

namespace testsupport
{
// The local blob storage and sign-in backend (tests/server/mosaire_server.py), listening on the
// port this build's configured hosts point at, serving a fresh folder.
class LocalServer
{
public:
    // Accounts as mail -> password.
    explicit LocalServer (const juce::StringPairArray& accounts = {});

    // The same server on another local port, e.g. one of the reachability probe's addresses.
    explicit LocalServer (int portToListenOn, const juce::StringPairArray& accounts = {});
    ~LocalServer();

    // The folder served as blob storage: request path /a/b is root()/a/b.
    juce::File root() const  { return folder; }

    // Writes a file that the server then serves at the given path ("/installer/x/y.zip").
    juce::File serve (const juce::String& path, const juce::MemoryBlock& contents);
    juce::File serve (const juce::String& path, const juce::String& text);

    // Makes the server misbehave for one path; see the server's documentation for the modes.
    void setRule (const juce::String& path, const juce::String& mode, const juce::String& arg = {});
    void clearRules();

    // Every request so far (control requests excluded), oldest first, as the server logged it.
    juce::Array<juce::var> requests();
    juce::StringArray requestedPaths();

    static int port();
    static juce::String baseUrl();

private:
    juce::String control (const juce::String& what, const juce::StringPairArray& parameters = {});

    juce::File folder;
    int listenPort = 0;
    int pid = 0;

    JUCE_DECLARE_NON_COPYABLE (LocalServer)
};
}
