#include "catalogue/ProductFixture.h"
#include "MosaireConfig.h"

using namespace testsupport;

class CatalogueReading : public ProductTest
{
protected:
    // Reads one product element on its own, as its kind does.
    template <typename Kind = Plugin>
    std::unique_ptr<Kind> read (const juce::String& element)
    {
        auto product = std::make_unique<Kind>();
        EXPECT_TRUE (product->loadFromXml (*juce::parseXML (element)));
        return product;
    }

    static juce::String namesOf (const juce::Array<ProductBase*>& list)
    {
        juce::StringArray names;
        for (auto* product : list)
            names.add (product->name);
        return names.joinIntoString ("|");
    }
};

TEST_F (CatalogueReading, TagsAreReadIgnoringCaseAndOtherElementsAreSkipped)
{
    loadCatalogue ("<plugin name=\"A\"/><Exe name=\"B\"/><SOMETHING name=\"X\"/>some text"
                   "<bundle name=\"C\"><PLUGIN name=\"C1\"/><BUNDLE name=\"Nested\"/><other/><exe name=\"C2\"/></bundle>");

    ASSERT_EQ (namesOf (products), "A|B|C");
    EXPECT_NE (dynamic_cast<Plugin*> (products[0]), nullptr);
    EXPECT_NE (dynamic_cast<Executable*> (products[1]), nullptr);
    auto* bundle = dynamic_cast<Bundle*> (products[2]);
    ASSERT_NE (bundle, nullptr);
    ASSERT_EQ (namesOf (bundle->members), "C1|C2");
    EXPECT_NE (dynamic_cast<Executable*> (bundle->members[1]), nullptr);
    EXPECT_EQ (allProducts.size(), 5);

    Plugin plugin;
    EXPECT_FALSE (plugin.loadFromXml (*juce::parseXML ("<EXE name=\"B\"/>")));
    EXPECT_EQ (plugin.name, "");
}

TEST_F (CatalogueReading, AttributesAreTakenAsWrittenWithTheirDefaults)
{
    auto full = read ("<PLUGIN name=\" Synth One \" nameView=\"Synth One (View)\" category=\"Synth\" version=\"1.2.3\""
                      " folder=\"synths\" pruductPage=\"https://shop.example.com/synth-one\"/>");
    EXPECT_EQ (full->name, " Synth One ");
    EXPECT_EQ (full->nameView, "Synth One (View)");
    EXPECT_EQ (full->category, "Synth");
    EXPECT_EQ (full->version, "1.2.3");
    EXPECT_EQ (full->file, " Synth One ");
    EXPECT_EQ (full->folder, "synths");
    EXPECT_EQ (full->productPage, "https://shop.example.com/synth-one");

    auto wrongCase = read ("<PLUGIN Name=\"A\" NAME=\"B\" productPage=\"x\"/>");
    EXPECT_EQ (wrongCase->name, "");
    EXPECT_EQ (wrongCase->productPage, "");
    EXPECT_EQ (read ("<PLUGIN name=\"Synth\" file=\"\"/>")->file, "");

    for (auto value : { "true", "yes", "1", " Y", "T" })
        EXPECT_TRUE (read ("<PLUGIN isNoBundleAvailable=\"" + juce::String (value) + "\"/>")->isNoBundleAvailable) << value;
    for (auto value : { "false", "no", "0", "on", "" })
        EXPECT_FALSE (read ("<PLUGIN isNoBundleAvailable=\"" + juce::String (value) + "\"/>")->isNoBundleAvailable) << value;
    EXPECT_FALSE (read ("<PLUGIN/>")->isNoBundleAvailable);
}

TEST_F (CatalogueReading, ExecutableTakesItsFileFromFileMacAfterTheFirstCheck)
{
    install (appsFolder(), "Given.app", "2.0.0");

    auto withoutFileMac = read<Executable> ("<EXE name=\"Tool\" file=\"Given.app\" version=\"2.0.0\"/>");
    EXPECT_EQ (withoutFileMac->file, "");
    EXPECT_TRUE (withoutFileMac->installed);      // the check made while reading looked for "file"
    EXPECT_EQ (withoutFileMac->installedVersion, "2.0.0");

    EXPECT_EQ (read<Executable> ("<EXE name=\"Tool\" file=\"Tool.exe\" fileMac=\"Tool.app\"/>")->file, "Tool.app");
}

TEST_F (CatalogueReading, BundleMembersGetAWorkerAndARowOnlyWhenListedOnTheirOwn)
{
    loadCatalogue ("<BUNDLE name=\"Studio Bundle\" folder=\"bundles\">"
                   "  <PLUGIN name=\"Listed One\" folder=\"fx\" isNoBundleAvailable=\"true\"/>"
                   "  <EXE name=\"Hidden\" fileMac=\"Hidden.app\"/>"
                   "  <PLUGIN name=\"Listed  Two\" isNoBundleAvailable=\"yes\"/>"
                   "</BUNDLE>"
                   "<PLUGIN name=\"After\" folder=\"fx\"/>");

    EXPECT_EQ (namesOf (products), "Studio Bundle|Listed One|Listed  Two|After");
    EXPECT_EQ (allProducts.size(), 5);
    EXPECT_EQ (dynamic_cast<Bundle*> (products[0])->members[1]->downloader, nullptr);

    ASSERT_EQ (installers.size(), 4);
    juce::StringArray addresses;
    for (auto* product : products)
        addresses.add (installers.contains (product->downloader) ? product->downloader->installerUrl.toString (false) : "?");

    const juce::String base = juce::String (MosaireConfig::blobStorageUrl) + "/installer/";
    EXPECT_EQ (addresses.joinIntoString ("|"),
               base + "bundles/Studio_Bundle_Mac.zip|" + base + "fx/Listed_One_Mac.zip|"
               + base + "Listed__Two_Mac.zip|" + base + "fx/After_Mac.zip");
}

TEST_F (CatalogueReading, PicturesComeFromTheImagesFolderDecodedByContent)
{
    const auto images = app().imagesFolder;
    images.createDirectory();

    juce::MemoryOutputStream png;
    juce::PNGImageFormat().writeImageToStream (juce::Image (juce::Image::RGB, 12, 7, true), png);
    for (auto name : { "Synth.jpg", "Synth 2.jpg" })
        images.getChildFile (name).replaceWithData (png.getData(), png.getDataSize());
    images.getChildFile ("Broken.jpg").replaceWithText ("not a picture");

    const auto loaded = read ("<PLUGIN name=\"Synth\"/>")->image;
    EXPECT_EQ (loaded.getBounds(), juce::Rectangle<int> (12, 7));
    EXPECT_TRUE (read ("<PLUGIN name=\"Synth 2.0\"/>")->image.isValid());   // the text after the dot gives way
    EXPECT_FALSE (read ("<PLUGIN name=\"Broken\"/>")->image.isValid());
    EXPECT_FALSE (read ("<PLUGIN name=\"Missing\"/>")->image.isValid());
}
