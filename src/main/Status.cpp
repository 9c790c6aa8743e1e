#include "main/Status.h"

Status::Status()
{
    label.setJustificationType (juce::Justification::centred);
    addAndMakeVisible (label);
}

Status::~Status() = default;

void Status::resized()
{
    const auto labelWidth = (int) ((float) getWidth() * 0.8f);

    if (progressBar != nullptr && progressBar->isVisible())
    {
        const auto half = juce::roundToInt (getHeight() * 0.5);
        label.setBounds (0, 0, labelWidth, half);
        progressBar->setBounds (0, half, labelWidth, (int) ((float) half * 0.5f));
    }
    else
    {
        label.setBounds (0, 0, labelWidth, getHeight());
    }
}

void Status::bindProgress (double* progress)
{
    if (progressBar != nullptr)
        removeChildComponent (progressBar.get());

    if (progress == nullptr)
    {
        progressBar.reset();
        return;
    }

    progressBar = std::make_unique<juce::ProgressBar> (*progress);
    addChildComponent (*progressBar);
}

void Status::showState (int state)
{
    if (state == 0)
    {
        label.setText ("Downloading...", juce::dontSendNotification);
        label.setColour (juce::Label::textColourId, juce::Colours::white);

        if (progressBar != nullptr)
            progressBar->setVisible (true);

        return;
    }

    if (progressBar != nullptr)
        progressBar->setVisible (false);

    switch (state)
    {
        case 1:
            label.setText ("Not installed", juce::dontSendNotification);
            label.setColour (juce::Label::textColourId, juce::Colours::red);
            break;
        case 2:
            label.setText ("Update available", juce::dontSendNotification);
            label.setColour (juce::Label::textColourId, juce::Colours::yellow);
            break;
        default:
            label.setText ("Latest version", juce::dontSendNotification);
            label.setColour (juce::Label::textColourId, juce::Colours::white);
            break;
    }
}
