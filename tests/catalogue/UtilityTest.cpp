#include <gtest/gtest.h>
#include "catalogue/Utility.h"
#include "support/TestEnvironment.h"

using namespace testsupport;

namespace
{
struct BundleFolder
{
    juce::TemporaryFile folder;

    juce::String versionOf (const juce::String& plistText)
    {
        writeBundle (folder.getFile(), plistText);
        return Utility::getVersion3Number (folder.getFile());
    }

    juce::String versionOfShortVersion (const juce::String& version)
    {
        return versionOf (infoPlistWithVersion (version));
    }

    ~BundleFolder() { folder.getFile().deleteRecursively(); }
};

juce::String plistWithDict (const juce::String& dictContents)
{
    return "<?xml version=\"1.0\"?>\n<plist version=\"1.0\">\n<dict>\n" + dictContents + "</dict>\n</plist>\n";
}
}

TEST (BundleVersion, ReducesTheShortVersionToThreeParts)
{
    BundleFolder bundle;
    EXPECT_EQ (bundle.versionOfShortVersion ("1.2.3"), "1.2.3");
    EXPECT_EQ (bundle.versionOfShortVersion ("1.2"), "1.2.");
    EXPECT_EQ (bundle.versionOfShortVersion ("7"), "7..");
    EXPECT_EQ (bundle.versionOfShortVersion ("1.2.3.4"), "1.2.3");
    EXPECT_EQ (bundle.versionOfShortVersion ("2.0.1."), "2.0.1");
    EXPECT_EQ (bundle.versionOfShortVersion ("1..3"), "1..3");
    EXPECT_EQ (bundle.versionOfShortVersion (" 1.2 "), " 1.2 .");
}

TEST (BundleVersion, GivesNothingWhenTheVersionCannotBeRead)
{
    BundleFolder bundle;
    EXPECT_EQ (Utility::getVersion3Number (bundle.folder.getFile()), "");   // no Contents at all
    EXPECT_EQ (bundle.versionOfShortVersion (""), "");
    EXPECT_EQ (bundle.versionOf ("bplist00\x01\x02 binary property list"), "");
    EXPECT_EQ (bundle.versionOf ("<plist><array/></plist>"), "");
    EXPECT_EQ (bundle.versionOf (plistWithDict ("<key>cfbundleshortversionstring</key><string>1.0.0</string>")), "");
    EXPECT_EQ (bundle.versionOf (plistWithDict ("<key>CFBundleShortVersionString</key>")), "");
    EXPECT_EQ (bundle.versionOf ("<plist><outer><dict><key>CFBundleShortVersionString</key>"
                                 "<string>1.0.0</string></dict></outer></plist>"), "");
    EXPECT_EQ (Utility::getVersion3Number (juce::File()), "");
}

TEST (BundleVersion, ReadsTagsIgnoringCaseAndTakesTheLastMatchingKey)
{
    BundleFolder bundle;
    EXPECT_EQ (bundle.versionOf ("<PLIST><DICT><KEY>CFBundleShortVersionString</KEY><String>4.5.6</String></DICT></PLIST>"),
               "4.5.6");
    EXPECT_EQ (bundle.versionOf (plistWithDict ("<key>CFBundleShortVersionString</key><string>1.0.0</string>"
                                                "<key>CFBundleShortVersionString</key><string>2.0.0</string>")),
               "2.0.0");
    EXPECT_EQ (bundle.versionOf (plistWithDict ("<key>CFBundleShortVersionString</key><date>x</date>"
                                                "<string>3.1.4</string>")),
               "3.1.4");
    // A later key without a value keeps what the earlier one gave.
    EXPECT_EQ (bundle.versionOf (plistWithDict ("<key>CFBundleShortVersionString</key><string>1.1.1</string>"
                                                "<key>CFBundleShortVersionString</key>")),
               "1.1.1");
}

TEST (BundleVersion, SeesAVersionChangedOnDisk)
{
    BundleFolder bundle;
    EXPECT_EQ (bundle.versionOfShortVersion ("1.0.0"), "1.0.0");
    EXPECT_EQ (bundle.versionOfShortVersion ("1.0.1"), "1.0.1");
}

TEST (VersionRanking, ComparesTheDigitsAsOneNumber)
{
    EXPECT_EQ (Utility::compareVersion ("1.10.0", "1.9.9"), 1);
    EXPECT_EQ (Utility::compareVersion ("1.2.10", "1.3.0"), 1);
    EXPECT_EQ (Utility::compareVersion ("1.2.", "1.2.0"), -1);
    EXPECT_EQ (Utility::compareVersion ("1.23", "12.3"), 0);
    EXPECT_EQ (Utility::compareVersion ("1.0.0b2", "1.0.0"), 0);
    EXPECT_EQ (Utility::compareVersion ("", "0"), 0);
    EXPECT_EQ (Utility::compareVersion ("", "1.0.0"), -1);
    EXPECT_EQ (Utility::compareVersion ("beta", "0"), 0);
    EXPECT_EQ (Utility::compareVersion ("2.0.0", "2.0.0"), 0);
    EXPECT_EQ (Utility::compareVersion (" 1.0", "9"), 1);
    EXPECT_EQ (Utility::compareVersion ("-1.0", "0"), -1);
}

TEST (VersionRanking, OverLongVersionsRankWithoutOverflow)
{
    EXPECT_EQ (Utility::compareVersion ("99999.99999.99999", "1.0.0"), 1);
    EXPECT_EQ (Utility::compareVersion ("1.0.0", "99999999999999999999999"), -1);
    EXPECT_EQ (Utility::compareVersion ("2147.483.647", "99999.99999.99999"), 0);
    EXPECT_EQ (Utility::compareVersion ("-99999999999999999999", "0"), -1);
}
