#include "account/LoginOverlayFixture.h"
#include "account/AnalyticsUtilities.h"
#include "support/LocalServer.h"
#include "MosaireConfig.h"

using namespace testsupport;
using SignInTest = logintest::LoginOverlayTest;

namespace
{
const juce::String signInPath ("/shopify/customertoken");
const juce::String refused ("Not possible login, check mail and password");

int probePort (int index)
{
    return juce::String (MosaireConfig::probeSites[index]).fromLastOccurrenceOf (":", false, false).getIntValue();
}

juce::String tokenAnswer (const juce::String& customerAccessToken)
{
    return R"({"data":{"customerAccessTokenCreate":{"customerAccessToken":)" + customerAccessToken + "}}}";
}
}

TEST_F (SignInTest, SendsTheValuesEscapedAndHidesTheOverlayOnSuccess)
{
    const auto mail = juce::String (juce::CharPointer_UTF8 ("a+b&c=d e@ex\xc3\xa4mple.com"));
    const auto password = juce::String (juce::CharPointer_UTF8 ("p+ss&w=rd \xc3\xbc %41?#"));
    juce::StringPairArray accounts;
    accounts.set (mail, password);
    accounts.set ("typed@mail", "typed pw");
    LocalServer server (accounts);

    store (mail, password);
    makeOverlay();
    overlay->verify();
    EXPECT_TRUE (waitingCursor());
    ASSERT_TRUE (waitForResult());
    EXPECT_FALSE (overlay->isVisible());
    EXPECT_TRUE (pumpUntil ([this] { return changeMessages == 1; }));

    const auto request = server.requests()[0];
    EXPECT_EQ (request["path"].toString(), signInPath);
    EXPECT_EQ (request["params"]["mail"][0].toString(), mail);
    EXPECT_EQ (request["params"]["password"][0].toString(), password);
    EXPECT_EQ (request["query"].toString(), "mail=a%2Bb%26c%3Dd%20e%40ex%C3%A4mple.com"
                                            "&password=p%2Bss%26w%3Drd%20%C3%BC%20%2541%3F%23");

    // Shown again (as "Log Out" does) and signed in with typed values, which are stored as typed.
    overlay->setVisible (true);
    pressLogin ("typed@mail", "typed pw");
    ASSERT_TRUE (waitForResult());
    EXPECT_FALSE (overlay->isVisible());
    EXPECT_TRUE (pumpUntil ([this] { return changeMessages == 2; }));
    EXPECT_EQ (globalSettings().getValue (KV::persistLoginPassword), "typed pw");
    EXPECT_EQ (server.requests().size(), 2);
    EXPECT_EQ (shownBubbles(), "");
}

TEST_F (SignInTest, OnlyAnAccessTokenInsideThreeObjectsSignsIn)
{
    LocalServer server;
    store ("who@where", "pw");

    struct Case { const char* name; const char* mode; juce::String arg; bool signedIn; };
    const Case cases[] = {
        { "empty-string token",   "body",   tokenAnswer (R"({"accessToken":""})"), true },
        { "number token",         "body",   tokenAnswer (R"({"accessToken":0})"), true },
        { "answer of many reads", "body",   R"({"pad":")" + juce::String::repeatedString ("x", 30000) + "\","
                                                + tokenAnswer (R"({"accessToken":"t"})").substring (1), true },
        { "null token",           "body",   tokenAnswer (R"({"accessToken":null})"), false },
        { "no token",             "body",   tokenAnswer ("{}"), false },
        { "null object",          "body",   tokenAnswer ("null"), false },
        { "string object",        "body",   tokenAnswer (R"("t")"), false },
        { "array",                "body",   "[" + tokenAnswer (R"({"accessToken":"t"})") + "]", false },
        { "not JSON",             "body",   "<html>Bad gateway</html>", false },
        { "HTTP 500 with JSON",   "status", "500", false },
    };

    for (auto& c : cases)
    {
        SCOPED_TRACE (c.name);
        server.setRule (signInPath, c.mode, c.arg);
        makeOverlay();
        overlay->verify();
        ASSERT_TRUE (waitForResult());
        EXPECT_EQ (overlay->isVisible(), ! c.signedIn);
        EXPECT_EQ (shownBubbles(), c.signedIn ? juce::String() : refused);
    }
}

TEST_F (SignInTest, WithoutAStoredMailAndPasswordOnlyTheProbeDecides)
{
    LocalServer backend;
    store ({}, {});
    makeOverlay();
    overlay->verify();
    ASSERT_TRUE (waitForResult());
    EXPECT_EQ (shownBubbles(), "Check internet connection");
    expectBubbleAt (loginButton());

    store ("who@where", {});
    LocalServer firstSite (probePort (0));
    makeOverlay();
    overlay->verify();
    ASSERT_TRUE (waitForResult());
    EXPECT_EQ (shownBubbles(), "Server not available");
    EXPECT_EQ (firstSite.requestedPaths().joinIntoString (" "), "/");
    EXPECT_TRUE (backend.requestedPaths().isEmpty());
}

TEST_F (SignInTest, BackendDownTheProbeStopsAtTheFirstSiteThatAnswers)
{
    store ("who@where", "pw");
    LocalServer secondSite (probePort (1)), thirdSite (probePort (2));
    makeOverlay();
    overlay->verify();
    ASSERT_TRUE (waitForResult());
    EXPECT_EQ (shownBubbles(), "Server not available");
    EXPECT_EQ (secondSite.requestedPaths().joinIntoString (" "), "/");
    EXPECT_TRUE (thirdSite.requestedPaths().isEmpty());

    LocalServer firstSite (probePort (0));
    secondSite.clearRules();   // also forgets its requests
    EXPECT_TRUE (KV::AnalyticsUtilities::areMajorWebsitesAvailable());
    EXPECT_EQ (firstSite.requestedPaths().joinIntoString (" "), "/");
    EXPECT_TRUE (secondSite.requestedPaths().isEmpty() && thirdSite.requestedPaths().isEmpty());
}

TEST_F (SignInTest, LoginWhileASignInRunsSaysLoadingAndOneResultFollows)
{
    LocalServer server;
    server.setRule (signInPath, "slow", "16,80");
    makeOverlay();

    pressLogin ("who@where", "pw");
    ASSERT_TRUE (pumpUntil ([&] { return server.requests().size() == 1; }));
    pressLogin ("who@where", "pw");
    EXPECT_EQ (shownBubbles(), "Server is loading...");
    EXPECT_TRUE (waitingCursor());

    ASSERT_TRUE (waitForResult());
    pumpFor (400);
    EXPECT_EQ (shownBubbles(), "Server is loading... | " + refused);
    EXPECT_EQ (server.requests().size(), 1);
}

TEST_F (SignInTest, ANewSignInDiscardsAResultNotYetShown)
{
    LocalServer server;
    makeOverlay();

    // The first sign-in ends while the message loop does not run, so its result is still pending.
    pressLogin ("who@where", "pw");
    for (int i = 0; i < 500 && server.requests().isEmpty(); ++i)
        juce::Thread::sleep (10);
    juce::Thread::sleep (500);

    server.setRule (signInPath, "slow", "16,50");
    pressLogin ("who@where", "pw");
    ASSERT_TRUE (waitForResult());
    pumpFor (300);
    EXPECT_EQ (shownBubbles(), refused);
    EXPECT_EQ (server.requests().size(), 2);
}

TEST_F (SignInTest, DestroyingTheOverlayEndsAStalledRequestOrProbeAtOnce)
{
    LocalServer backend, firstSite (probePort (0));
    backend.setRule (signInPath, "stall");
    firstSite.setRule ("/", "stall");

    // The stored values reach the stalled backend; without them the thread waits on the first site.
    for (auto* stalled : { &backend, &firstSite })
    {
        store (stalled == &backend ? "who@where" : "", "pw");
        makeOverlay();
        overlay->verify();
        ASSERT_TRUE (pumpUntil ([&] { return stalled->requests().size() == 1; }));

        const auto start = juce::Time::getMillisecondCounterHiRes();
        destroyOverlay();
        EXPECT_LT (juce::Time::getMillisecondCounterHiRes() - start, 1000.0);
    }
}
