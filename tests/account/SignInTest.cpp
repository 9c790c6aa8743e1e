#include "account/LoginDialog.h"
#include "support/LocalServer.h"
#include "support/TestEnvironment.h"
#include "MosaireConfig.h"

using namespace testsupport;

const juce::String signInPath ("/shopify/customertoken"), refused ("Not possible login, check mail and password");

struct SignIn : public AppTest
{
    void TearDown() override  { overlay.reset(); AppTest::TearDown(); }

    // Signs in with stored values (with againAfterMs, once more when the first one has ended unseen that long).
    // The result is the bubble shown, the overlay's second child, or "signed in" once the overlay hid itself.
    juce::String signIn (const juce::String& mail, const juce::String& password, int againAfterMs = 0)
    {
        globalSettings().setValue (KV::persistLoginMail, mail);
        globalSettings().setValue (KV::persistLoginPassword, password);
        overlay = std::make_unique<LoginDialog>();
        overlay->setVisible (true);
        overlay->verify();
        if (againAfterMs > 0)
            juce::Thread::sleep (againAfterMs), overlay->verify();

        const auto bubble = [this] { auto* b = overlay->getChildComponent (1); return b != nullptr ? b->getTitle() : ""; };
        pumpUntil ([&] { return ! overlay->isVisible() || bubble().isNotEmpty(); }, 30000);
        return overlay->isVisible() ? bubble() : "signed in";
    }

    std::unique_ptr<LoginDialog> overlay;
};

TEST_F (SignIn, SignsInOnlyWithAnAccessTokenInsideTheThreeObjectsForTheValuesSentIntact)
{
    LocalServer server;
    const juce::String mail (juce::CharPointer_UTF8 ("a+b&c=d e@ex\xc3\xa4mple.com")), password ("p+ss&w=rd %41?#");
    const auto answer = [] (juce::String token) { return R"({"data":{"customerAccessTokenCreate":{"customerAccessToken":)" + token + "}}}"; };
    const std::pair<juce::String, bool> cases[] = { { answer (R"({"accessToken":""})"), true },
        { answer (R"({"accessToken":0})"), true }, { answer (R"({"accessToken":null})"), false },
        { R"({"pad":")" + juce::String::repeatedString ("x", 30000) + "\"," + answer (R"({"accessToken":1})").substring (1), true },
        { answer ("{}"), false }, { answer ("null"), false }, { answer (R"("t")"), false },
        { "[" + answer (R"({"accessToken":1})") + "]", false }, { "<html>", false } };

    for (auto& [body, signsIn] : cases)
    {
        SCOPED_TRACE (body.substring (0, 90));
        server.setRule (signInPath, "body", body);
        EXPECT_EQ (signIn (mail, password), signsIn ? "signed in" : refused);
    }
    EXPECT_EQ (server.requests()[0]["params"]["mail"][0].toString(), mail);
    EXPECT_EQ (server.requests()[0]["params"]["password"][0].toString(), password);
}

TEST_F (SignIn, WithoutAnAnswerInTimeTheFirstProbeSiteThatAnswersDecides)
{
    platform::requestTimeoutMs = 1500;
    LocalServer backend;
    backend.setRule (signInPath, "stall");
    EXPECT_EQ (signIn ("who@where", "pw"), "Check internet connection");   // no probe site listens yet

    LocalServer secondSite (juce::String (MosaireConfig::probeSites[1]).getTrailingIntValue()),
                thirdSite (juce::String (MosaireConfig::probeSites[2]).getTrailingIntValue());
    EXPECT_EQ (signIn ("who@where", "pw"), "Server not available");
    EXPECT_EQ (secondSite.requestedPaths(), juce::StringArray ("/"));
    EXPECT_TRUE (thirdSite.requestedPaths().isEmpty());
}

TEST_F (SignIn, ANewSignInDiscardsAResultNotYetShown)
{
    LocalServer server;
    server.setRule (signInPath, "slow", "64,200");   // each answer takes a while, well beyond the shown result's delay
    EXPECT_EQ (signIn ("who@where", "pw", 2000), refused);
}
