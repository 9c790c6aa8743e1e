#include "account/LoginOverlayFixture.h"
#include "support/LocalServer.h"

using namespace testsupport;
using logintest::LoginOverlayTest;

TEST_F (LoginOverlayTest, EditorsShowHintsWhenNothingIsStoredAndTheStoredValuesOtherwise)
{
    makeOverlay();
    EXPECT_TRUE (mailEditor().isEmpty() && passwordEditor().isEmpty());
    EXPECT_TRUE (mailEditor().getTextToShowWhenEmpty().containsChar ('@'));
    EXPECT_EQ (passwordEditor().getTextToShowWhenEmpty(), "password");
    EXPECT_EQ (infoLabel().getText(), "use 127.0.0.1 login mail/password");
    EXPECT_EQ (forgotPassword().getURL().toString (false), LocalServer::baseUrl() + "/account/login");
    EXPECT_EQ (createAccount().getURL().toString (false), LocalServer::baseUrl() + "/account/register");

    store ("a@b.c", "secret pw");
    makeOverlay();
    EXPECT_EQ (mailEditor().getText(), "a@b.c");
    EXPECT_EQ (passwordEditor().getText(), "secret pw");
    EXPECT_EQ (passwordEditor().getPasswordCharacter(), (juce::juce_wchar) 0x25cf);
}

TEST_F (LoginOverlayTest, CentresTheBoxAndLaysOutItsRows)
{
    makeOverlay (1200, 628);
    EXPECT_EQ (overlay->getNumChildComponents(), 1);
    EXPECT_EQ (panel().getBounds(), juce::Rectangle<int> (400, 164, 400, 300));
    EXPECT_EQ (logo().getBounds(), juce::Rectangle<int> (0, 18, 400, 50));

    const std::pair<juce::Component*, int> rows[] = { { &infoLabel(), 74 },       { &mailEditor(), 110 },
                                                      { &passwordEditor(), 146 }, { &forgotPassword(), 182 },
                                                      { &loginButton(), 218 },    { &createAccount(), 254 } };
    for (auto& [row, y] : rows)
        EXPECT_EQ (row->getBounds(), juce::Rectangle<int> (72, y, 256, 30)) << "row at " << y;

    // Halves are truncated; the box keeps its size.
    overlay->setSize (1001, 777);
    EXPECT_EQ (panel().getBounds(), juce::Rectangle<int> (300, 238, 400, 300));
}

TEST_F (LoginOverlayTest, LoginChecksTheMailThenStoresItThenChecksThePassword)
{
    LocalServer server;
    store ("old@mail", "old password");
    makeOverlay();

    for (auto& mail : { juce::String(), juce::String ("name.example.com") })
    {
        pressLogin (mail, "pw");
        expectBubbleAt (mailEditor());
    }
    EXPECT_EQ (globalSettings().getValue (KV::persistLoginMail), "old@mail");

    // The at sign anywhere, even alone, makes a mail; it is stored before the password is looked at.
    for (auto& mail : { juce::String ("@"), juce::String ("@first"), juce::String (" last@") })
    {
        pressLogin (mail, {});
        EXPECT_EQ (globalSettings().getValue (KV::persistLoginMail), mail);
        expectBubbleAt (passwordEditor());
    }
    EXPECT_EQ (globalSettings().getValue (KV::persistLoginPassword), "old password");

    // Every press replaced the bubble before it at once.
    EXPECT_EQ (overlay->getNumChildComponents(), 2);
    const juce::String mailBubble ("Please enter a valid email address"), passwordBubble ("Please enter a valid password");
    EXPECT_EQ (shownBubbles(), juce::StringArray (mailBubble, mailBubble, passwordBubble, passwordBubble, passwordBubble)
                                   .joinIntoString (" | "));

    pumpFor (300);
    EXPECT_FALSE (waitingCursor());
    EXPECT_TRUE (server.requestedPaths().isEmpty());
}
