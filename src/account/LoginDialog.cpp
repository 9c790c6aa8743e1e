#include "account/LoginDialog.h"
#include "account/AnalyticsUtilities.h"
#include "app/Main.h"
#include "app/WebAddresses.h"
#include "platform/AbortOnThreadExit.h"
#include "platform/Platform.h"
#include "MosaireConfig.h"

namespace
{
juce::PropertiesFile& loginSettings()
{
    return *MosaireApplication::getApp().globalSettings->getUserSettings();
}

// Only the presence of data.customerAccessTokenCreate.customerAccessToken.accessToken counts.
bool holdsAccessToken (const juce::var& answer)
{
    juce::var level = answer;

    for (auto* key : { "data", "customerAccessTokenCreate", "customerAccessToken" })
    {
        auto* object = level.getDynamicObject();
        if (object == nullptr)
            return false;

        level = object->getProperty (key);
    }

    auto* token = level.getDynamicObject();
    return token != nullptr && ! token->getProperty ("accessToken").isVoid();
}
}

LoginDialog::LoginDialog()
    : juce::Thread ("Login")
{
    panel.setColour (juce::Label::backgroundColourId, juce::Colours::black);
    panel.setColour (juce::Label::outlineColourId, juce::Colours::grey);
    panel.setLookAndFeel (&MosaireApplication::getApp().customLookAndFeel);
    addAndMakeVisible (panel);

    panel.addAndMakeVisible (logo);

    infoLabel.setText ("use " + juce::URL (MosaireConfig::websiteUrl).getDomain() + " login mail/password",
                       juce::dontSendNotification);
    infoLabel.setJustificationType (juce::Justification::centred);

    forgotPasswordLink.setButtonText ("Forgot password?");
    forgotPasswordLink.setURL (juce::URL (WebAddresses::sitePage ("/account/login")));
    forgotPasswordLink.setFont (infoLabel.getFont(), false, juce::Justification::centredLeft);

    createAccountLink.setButtonText ("Create account");
    createAccountLink.setURL (juce::URL (WebAddresses::sitePage ("/account/register")));
    createAccountLink.setFont (infoLabel.getFont(), false, juce::Justification::centred);

    loginButton.setButtonText ("LOGIN");
    loginButton.addListener (this);

    const auto storedMail = loginSettings().getValue (KV::persistLoginMail);
    const auto storedPassword = loginSettings().getValue (KV::persistLoginPassword);
    const auto hintColour = findColour (juce::TextEditor::backgroundColourId).contrasting (0.5f);

    if (storedMail.isNotEmpty())
        mailEditor.setText (storedMail, false);
    else
        mailEditor.setTextToShowWhenEmpty ("name@example.com", hintColour);

    passwordEditor.setPasswordCharacter ((juce::juce_wchar) 0x25cf);

    if (storedPassword.isNotEmpty())
        passwordEditor.setText (storedPassword, false);
    else
        passwordEditor.setTextToShowWhenEmpty ("password", hintColour);

    for (auto* child : std::initializer_list<juce::Component*> { &forgotPasswordLink, &createAccountLink, &infoLabel,
                                                                 &mailEditor, &passwordEditor, &loginButton })
        panel.addAndMakeVisible (child);
}

LoginDialog::~LoginDialog()
{
    // The thread's exit request also cancels a transfer it is waiting on, so this returns promptly.
    stopThread (10000);
    bubble.reset();
}

void LoginDialog::paint (juce::Graphics& g)
{
    g.fillAll (juce::Colours::black.withAlpha ((juce::uint8) 0xb2));
}

void LoginDialog::resized()
{
    panel.setBounds (getWidth() / 2 - 200, getHeight() / 2 - 150, 400, 300);

    const auto panelWidth = panel.getWidth();
    logo.setBounds (0, 18, panelWidth, 50);

    const auto margin = (int) ((float) panelWidth * 0.18f);
    const auto rowWidth = juce::jmax (0, panelWidth - 2 * margin);

    infoLabel.setBounds (margin, 74, rowWidth, 30);
    mailEditor.setBounds (margin, 110, rowWidth, 30);
    passwordEditor.setBounds (margin, 146, rowWidth, 30);
    forgotPasswordLink.setBounds (margin, 182, rowWidth, 30);
    loginButton.setBounds (margin, 218, rowWidth, 30);
    createAccountLink.setBounds (margin, 254, rowWidth, 30);
}

void LoginDialog::buttonClicked (juce::Button* button)
{
    if (button != &loginButton)
        return;

    const auto mail = mailEditor.getText();

    if (! mail.containsChar ('@'))
    {
        showBubbleMessage ("Please enter a valid email address", &mailEditor);
        return;
    }

    loginSettings().setValue (KV::persistLoginMail, mail);

    const auto password = passwordEditor.getText();

    if (password.isEmpty())
    {
        showBubbleMessage ("Please enter a valid password", &passwordEditor);
        return;
    }

    loginSettings().setValue (KV::persistLoginPassword, password);
    verify();
}

void LoginDialog::verify()
{
    loginButton.setMouseCursor (juce::MouseCursor::WaitCursor);

    if (isThreadRunning())
    {
        // The running sign-in alone decides the result, so status is left to it.
        showBubbleMessage ("Server is loading...", &loginButton);
        return;
    }

    // A result still waiting to be shown belongs to the sign-in this one replaces.
    stopTimer();
    status = -1;

    {
        const juce::ScopedLock lock (credentialsLock);
        requestMail = mailEditor.getText();
        requestPassword = passwordEditor.getText();
    }

    startThread (juce::Thread::Priority::normal);
}

void LoginDialog::run()
{
    juce::String mail, password;

    {
        const juce::ScopedLock lock (credentialsLock);
        mail = requestMail;
        password = requestPassword;
    }

    bool backendAnswered = false;

    if (mail.isNotEmpty() && password.isNotEmpty())
    {
        // Carries the password: never log this address.
        const auto address = juce::URL (MosaireConfig::backendUrl).getChildURL ("shopify")
                                                                  .getChildURL ("customertoken")
                                                                  .withParameter ("mail", mail)
                                                                  .withParameter ("password", password);

        juce::WebInputStream stream (address, false);
        platform::AbortOnThreadExit abortOnExit (*this, stream);
        platform::limitToRequestTimeout (stream);

        // A failed connection leaves status at -1 for the probe to decide.
        if (stream.connect (nullptr) && ! stream.isError())
        {
            juce::MemoryOutputStream body (256);

            while (! stream.isExhausted() && ! stream.isError() && ! threadShouldExit())
                if (body.writeFromInputStream (stream, 8192) < 0)
                    break;

            juce::var answer;
            const auto text = juce::String::createStringFromData (body.getData(), (int) body.getDataSize());

            if (juce::JSON::parse (text, answer).failed())
                status = 1;
            else
                status = holdsAccessToken (answer) ? 2 : 1;

            backendAnswered = true;
        }
    }

    if (! backendAnswered && KV::AnalyticsUtilities::areMajorWebsitesAvailable())
        status = 0;

    startTimer (100);
}

void LoginDialog::timerCallback()
{
    stopTimer();

    switch (status)
    {
        case 2:
            setVisible (false);
            sendChangeMessage();
            break;
        case 1:  showBubbleMessage ("Not possible login, check mail and password", &loginButton); break;
        case 0:  showBubbleMessage ("Server not available", &loginButton); break;
        default: showBubbleMessage ("Check internet connection", &loginButton); break;
    }

    loginButton.setMouseCursor (juce::MouseCursor::NormalCursor);
}

void LoginDialog::showBubbleMessage (const juce::String& text, juce::Component* target)
{
    bubble = std::make_unique<juce::BubbleMessageComponent> (500);
    bubble->setAllowedPlacement (juce::BubbleComponent::above);
    bubble->setLookAndFeel (&getLookAndFeel());

    // The bubble's text, for assistive technology.
    bubble->setTitle (text);
    addChildComponent (*bubble);

    juce::AttributedString message;
    message.append (text, juce::Font (20.0f));
    bubble->showAt (target, message, 1500, true, false);
}
