#include <gtest/gtest.h>
#include "app/Main.h"
#include "platform/Platform.h"
#include "support/TestEnvironment.h"

int main (int argc, char** argv)
{
    testing::InitGoogleTest (&argc, argv);

    // Listing the tests needs no display and no home folder.
    if (testing::GTEST_FLAG (list_tests))
        return RUN_ALL_TESTS();

    platform::keepDisplayLibraryForLeakChecks();
    testsupport::ScopedTestHome home;
    juce::JUCEApplicationBase::createInstance = &juce_CreateApplication;
    juce::ScopedJuceInitialiser_GUI juceInitialiser;
    return RUN_ALL_TESTS();
}
