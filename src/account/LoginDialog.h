#pragma once

#include <juce_gui_extra/juce_gui_extra.h>
#include <atomic>
#include "app/KV.h"
#include "app/LogoImage.h"
#include "platform/Platform.h"

// The sign-in overlay: dims the whole window and holds the sign-in box until a sign-in succeeds.
// The sign-in itself runs on the overlay's own "Login" thread; its result comes back to the
// message thread through a one-shot timer.
class LoginDialog : public juce::Component,
                    public juce::Button::Listener,
                    public juce::ChangeBroadcaster,
                    private juce::Thread,
                    private juce::Timer
{
public:
    LoginDialog();
    ~LoginDialog() override;

    void paint (juce::Graphics& g) override;
    void resized() override;
    void buttonClicked (juce::Button* button) override;

    // Starts a sign-in with the editors' texts, or says that one is still running.
    void verify();

private:
    void run() override;
    void timerCallback() override;

    void showBubbleMessage (const juce::String& text, juce::Component* target);

    // -1 no connection (also while a sign-in runs), 0 server not available,
    // 1 refused, 2 signed in.
    std::atomic<int> status { -1 };

    platform::LinkButton forgotPasswordLink;
    platform::LinkButton createAccountLink;
    juce::Label infoLabel;
    juce::Label panel;
    LogoImage logo;
    juce::TextEditor mailEditor;
    juce::TextEditor passwordEditor;
    juce::TextButton loginButton;
    std::unique_ptr<juce::BubbleMessageComponent> bubble;

    // The texts the "Login" thread signs in with, copied from the editors on the message thread.
    juce::CriticalSection credentialsLock;
    juce::String requestMail;
    juce::String requestPassword;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (LoginDialog)
};
