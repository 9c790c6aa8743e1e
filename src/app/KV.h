#pragma once

#include <juce_core/juce_core.h>

// Keys of the sign-in mail and password in the global settings file.
namespace KV
{
    static const juce::String persistLoginMail = "loginMail";
    static const juce::String persistLoginPassword = "loginPassword";
}
