#pragma once

#include "account/LoginDialog.h"
#include "support/TestEnvironment.h"

namespace logintest
{
// The overlay as the main window holds it, recording its change messages and, in order, the
// texts of the bubbles it shows.
class LoginOverlayTest : public testsupport::AppTest,
                         private juce::ComponentListener,
                         private juce::ChangeListener
{
protected:
    void SetUp() override
    {
        AppTest::SetUp();
        juce::LookAndFeel::setDefaultLookAndFeel (&app().customLookAndFeel);
    }

    void TearDown() override
    {
        destroyOverlay();
        juce::LookAndFeel::setDefaultLookAndFeel (nullptr);
        AppTest::TearDown();
    }

    void store (const juce::String& mail, const juce::String& password)
    {
        globalSettings().setValue (KV::persistLoginMail, mail);
        globalSettings().setValue (KV::persistLoginPassword, password);
    }

    void makeOverlay (int width = 1200, int height = 628)
    {
        destroyOverlay();
        bubbles.clear();
        lastBubble = nullptr;
        changeMessages = 0;
        overlay = std::make_unique<LoginDialog>();
        overlay->setBounds (0, 0, width, height);
        overlay->setVisible (true);
        overlay->addChangeListener (this);
        overlay->addComponentListener (this);
    }

    void destroyOverlay()
    {
        if (overlay != nullptr)
            overlay->removeComponentListener (this);
        overlay.reset();
    }

    // The panel and its children, in the order they are added.
    juce::Component& panel()                { return *overlay->getChildComponent (0); }
    juce::Component& logo()                 { return *panel().getChildComponent (0); }
    juce::HyperlinkButton& forgotPassword() { return child<juce::HyperlinkButton> (1); }
    juce::HyperlinkButton& createAccount()  { return child<juce::HyperlinkButton> (2); }
    juce::Label& infoLabel()                { return child<juce::Label> (3); }
    juce::TextEditor& mailEditor()          { return child<juce::TextEditor> (4); }
    juce::TextEditor& passwordEditor()      { return child<juce::TextEditor> (5); }
    juce::TextButton& loginButton()         { return child<juce::TextButton> (6); }

    void pressLogin (const juce::String& mail, const juce::String& password)
    {
        mailEditor().setText (mail, false);
        passwordEditor().setText (password, false);
        overlay->buttonClicked (&loginButton());
    }

    juce::Component* currentBubble() const
    {
        for (auto* c : overlay->getChildren())
            if (dynamic_cast<juce::BubbleMessageComponent*> (c) != nullptr)
                return c;
        return nullptr;
    }

    // The bubble sits above its target, the tip of its arrow on the target's top edge.
    void expectBubbleAt (juce::Component& target)
    {
        ASSERT_NE (currentBubble(), nullptr);
        const auto targetArea = overlay->getLocalArea (&target, target.getLocalBounds());
        EXPECT_NEAR (currentBubble()->getBottom(), targetArea.getY(), 5);
        EXPECT_NEAR (currentBubble()->getBounds().getCentreX(), targetArea.getCentreX(), 2);
    }

    bool waitingCursor()  { return loginButton().getMouseCursor() == juce::MouseCursor (juce::MouseCursor::WaitCursor); }

    // The result is shown (a bubble, or the overlay gone) when LOGIN's cursor returns to normal.
    bool waitForResult()  { return testsupport::pumpUntil ([this] { return ! waitingCursor(); }, 8000); }

    juce::String shownBubbles() const  { return bubbles.joinIntoString (" | "); }

    std::unique_ptr<LoginDialog> overlay;
    int changeMessages = 0;

private:
    template <typename Type>
    Type& child (int index)
    {
        auto* c = dynamic_cast<Type*> (panel().getChildComponent (index));
        if (c == nullptr)
            throw std::runtime_error ("unexpected panel child");
        return *c;
    }

    void changeListenerCallback (juce::ChangeBroadcaster*) override  { ++changeMessages; }

    // A new bubble is created while the one it replaces still exists, so a new address is a new bubble.
    void componentChildrenChanged (juce::Component&) override
    {
        if (auto* bubble = currentBubble(); bubble != nullptr && bubble != lastBubble)
        {
            lastBubble = bubble;
            bubbles.add (bubble->getTitle());
        }
    }

    juce::StringArray bubbles;
    juce::Component* lastBubble = nullptr;
};
}
