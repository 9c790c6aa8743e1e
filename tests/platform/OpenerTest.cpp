#include <gtest/gtest.h>
#include "platform/Platform.h"
#include "support/TestEnvironment.h"

using namespace testsupport;

TEST (Opener, HandsTheTargetOverAsOneArgumentWithoutAShell)
{
    StubOpener opener;
    auto marker = ScopedTestHome::root().getChildFile ("pwned");

    const juce::String url = "https://www.example.com/a?b=1&c=$(touch " + marker.getFullPathName() + ")";
    const juce::String file = ScopedTestHome::root().getFullPathName()
                              + "/Inst`touch " + marker.getFullPathName() + "`; rm -rf x 'q' \"d\" |$HOME.pkg";

    EXPECT_TRUE (platform::openWithDefaultHandler (url));
    ASSERT_TRUE (opener.waitForCalls (1));
    EXPECT_TRUE (platform::openWithDefaultHandler (file));
    ASSERT_TRUE (opener.waitForCalls (2));

    const auto calls = opener.calls();
    ASSERT_EQ (calls.size(), 2);
    EXPECT_EQ (calls[0], juce::StringArray (url));
    EXPECT_EQ (calls[1], juce::StringArray (file));
    pumpFor (200);
    EXPECT_FALSE (marker.exists());
}

TEST (Opener, RefusesAnEmptyTargetAndReportsAMissingOpener)
{
    EXPECT_FALSE (platform::openWithDefaultHandler ({}));

    const auto path = juce::String (::getenv ("PATH"));
    ::setenv ("PATH", ScopedTestHome::binFolder().getFullPathName().toRawUTF8(), 1);
    EXPECT_FALSE (platform::openWithDefaultHandler ("https://www.example.com/"));
    ::setenv ("PATH", path.toRawUTF8(), 1);
}

TEST (Opener, LinkButtonClicksGoThroughTheOpener)
{
    StubOpener opener;
    platform::LinkButton link ("Link", juce::URL ("https://www.example.com/pages/x?y=$(id)"));
    link.triggerClick();
    ASSERT_TRUE (opener.waitForCalls (1));
    const auto call = opener.calls()[0];
    ASSERT_EQ (call.size(), 1);
    EXPECT_EQ (call[0], juce::URL ("https://www.example.com/pages/x?y=$(id)").toString (true));
}
