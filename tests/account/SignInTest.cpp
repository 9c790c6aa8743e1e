#include "account/LoginDialog.h"
#include "support/LocalServer.h"
#include "support/TestEnvironment.h"
#include "MosaireConfig.h"

#include <optional>

using namespace testsupport;

const juce::String signInPath ("/shopify/customertoken"), refused ("Not possible login, check mail and password");

struct SignIn : public AppTest
{
    void TearDown() override  { overlay.reset(); AppTest::TearDown(); }

    // Signs in with stored values (with againAfterMs, once more when the first one has ended unseen that long).
    // The result is the bubble shown, the overlay's second child, or "signed in" once the overlay hid itself.
    juce::String signIn (const juce::String& mail, const juce::String& password, int againAfterMs = 0)
    {
        open (mail, password);
        overlay->verify();
        if (againAfterMs > 0)
            juce::Thread::sleep (againAfterMs), overlay->verify();

        const auto bubble = [this] { auto* b = overlay->getChildComponent (1); return b != nullptr ? b->getTitle() : ""; };
        pumpUntil ([&] { return ! overlay->isVisible() || bubble().isNotEmpty(); }, 30000);
        return overlay->isVisible() ? bubble() : "signed in";
    }

    // A shown overlay built over these stored values, nothing started yet.
    void open (const juce::String& storedMail, const juce::String& storedPassword)
    {
        globalSettings().setValue (KV::persistLoginMail, storedMail);
        globalSettings().setValue (KV::persistLoginPassword, storedPassword);
        overlay = std::make_unique<LoginDialog>();
        overlay->setVisible (true);
    }

    // Types into the mail and password editors (the panel's editors, in that order) and clicks LOGIN.
    void pressLogin (const juce::String& mail, const juce::String& password)
    {
        juce::Array<juce::TextEditor*> editors;
        juce::Button* login = nullptr;
        for (auto* child : overlay->getChildComponent (0)->getChildren())
            if (auto* editor = dynamic_cast<juce::TextEditor*> (child))
                editors.add (editor);
            else if (auto* b = dynamic_cast<juce::TextButton*> (child); b != nullptr && b->getButtonText() == "LOGIN")
                login = b;
        ASSERT_TRUE (editors.size() == 2 && login != nullptr);
        editors[0]->setText (mail), editors[1]->setText (password), login->triggerClick();
    }

    // The texts of the bubbles shown from now on, joined by " | ", once `expected` have appeared and half a second
    // has passed without another; each bubble is marked once counted, so one that repeats the last text counts too.
    juce::String bubblesShown (int expected)
    {
        juce::StringArray shown;
        const auto count = [&] {
            if (auto* b = overlay->getChildComponent (1); b != nullptr && b->getComponentID() != "counted")
                b->setComponentID ("counted"), shown.add (b->getTitle());
            return shown.size();
        };
        pumpUntil ([&] { return count() >= expected; }, 30000);
        pumpUntil ([&] { return count() > expected; }, 500);
        return shown.joinIntoString (" | ");
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

TEST_F (SignIn, LoginStoresAndSendsOnlyAMailWithAnAtSignAndAPasswordAsTyped)
{
    LocalServer server;
    const juce::String badMail ("Please enter a valid email address"), badPassword ("Please enter a valid password");
    struct Case { juce::String mail, password, bubble, storedMail, storedPassword; int requests; };
    const Case cases[] = { { "who.where", "pw", badMail, "old@mail", "old", 0 },
                           { "", "pw", badMail, "old@mail", "old", 0 },
                           { "@", "", badPassword, "@", "old", 0 },
                           { "who@where", "", badPassword, "who@where", "old", 0 },
                           { " who@where ", "p w", refused, " who@where ", "p w", 1 } };
    for (auto& c : cases)
    {
        SCOPED_TRACE (c.mail + " / " + c.password);
        server.clearRules();
        open ("old@mail", "old");
        pressLogin (c.mail, c.password);
        EXPECT_EQ (bubblesShown (1), c.bubble);
        EXPECT_EQ (globalSettings().getValue (KV::persistLoginMail), c.storedMail);
        EXPECT_EQ (globalSettings().getValue (KV::persistLoginPassword), c.storedPassword);
        EXPECT_EQ (server.requests().size(), c.requests);
    }
}

TEST_F (SignIn, LoginWhileASignInRunsOnlySaysSoAndTheRunningOneAloneAnswers)
{
    LocalServer server;
    server.setRule (signInPath, "slow", "16,200");   // the answer trickles in for most of a second
    open ("who@where", "pw"), overlay->verify();
    pumpUntil ([&] { return server.requests().size() == 1; }), pressLogin ("who@where", "pw");
    EXPECT_EQ (bubblesShown (2), "Server is loading... | " + refused);
    EXPECT_EQ (server.requests().size(), 1);
}

TEST_F (SignIn, WithAnEmptyMailOrPasswordNothingIsSentAndTheProbeAloneDecides)
{
    LocalServer backend;
    struct Case { juce::String mail, password; bool siteListens; juce::String bubble; };
    const Case cases[] = { { "", "", false, "Check internet connection" },
                           { "who@where", "", false, "Check internet connection" },
                           { "", "pw", true, "Server not available" },
                           { "who@where", "", true, "Server not available" } };
    for (auto& c : cases)
    {
        SCOPED_TRACE (c.mail + " / " + c.password + (c.siteListens ? " / online" : ""));
        std::optional<LocalServer> site;
        if (c.siteListens)
            site.emplace (juce::String (MosaireConfig::probeSites[0]).getTrailingIntValue());
        EXPECT_EQ (signIn (c.mail, c.password), c.bubble);
    }
    EXPECT_TRUE (backend.requests().isEmpty());
}
