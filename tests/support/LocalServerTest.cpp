#include <gtest/gtest.h>
#include "support/LocalServer.h"

using namespace testsupport;

// The harness itself: files served at their path, rules applied, requests logged.
TEST (LocalServerHarness, ServesFilesAppliesRulesAndLogsRequests)
{
    LocalServer server;
    server.serve ("/installer/Mosaire/AppPlugins.xml", "<INSTALLATION_MANAGER/>");

    auto text = juce::URL (LocalServer::baseUrl() + "/installer/Mosaire/AppPlugins.xml").readEntireTextStream();
    EXPECT_EQ (text, "<INSTALLATION_MANAGER/>");

    server.setRule ("/installer/Mosaire/AppPlugins.xml", "status", "404");
    int status = 0;
    auto stream = juce::URL (LocalServer::baseUrl() + "/installer/Mosaire/AppPlugins.xml")
                      .createInputStream (juce::URL::InputStreamOptions (juce::URL::ParameterHandling::inAddress)
                                              .withStatusCode (&status));
    EXPECT_EQ (status, 404);

    EXPECT_EQ (server.requestedPaths(), juce::StringArray ("/installer/Mosaire/AppPlugins.xml",
                                                           "/installer/Mosaire/AppPlugins.xml"));
}
