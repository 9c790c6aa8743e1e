#pragma once

#include <juce_core/juce_core.h>

namespace testsupport
{
// tests/server/mosaire_server.py serving a fresh folder, by default on the port the configured hosts use.
class LocalServer
{
public:
    explicit LocalServer (const juce::StringPairArray& accountsMailToPassword = {})  : LocalServer (port(), accountsMailToPassword) {}
    explicit LocalServer (int portToListenOn, const juce::StringPairArray& accountsMailToPassword = {});
    ~LocalServer();

    juce::File root() const  { return folder; }   // request path /a/b is root()/a/b
    juce::File serve (const juce::String& path, const juce::MemoryBlock& contents);
    juce::File serve (const juce::String& path, const juce::String& text)  { return serve (path, juce::MemoryBlock (text.toRawUTF8(), text.getNumBytesAsUTF8())); }

    // Makes the server misbehave for one path (modes: see the server); clearRules() also forgets the requests.
    void setRule (const juce::String& path, const juce::String& mode, const juce::String& arg = {});
    void clearRules()  { control ("clear"); }

    // Every request so far, oldest first: "method", "path" (decoded), "raw_path", "query", "params", "headers".
    juce::Array<juce::var> requests();
    juce::StringArray requestedPaths();

    static int port();
    static juce::String baseUrl()  { return "http://127.0.0.1:" + juce::String (port()); }

private:
    juce::String control (const juce::String& request);

    juce::File folder;
    int listenPort = 0;
    pid_t pid = 0;

    JUCE_DECLARE_NON_COPYABLE (LocalServer)
};
}
