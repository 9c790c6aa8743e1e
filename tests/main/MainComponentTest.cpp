#include "main/MainComponent.h"
#include "support/LocalServer.h"
#include "support/TestEnvironment.h"

using namespace testsupport;

template <typename Child>
static Child& childOf (juce::Component& parent)
{
    for (auto* child : parent.getChildren())
        if (auto* wanted = dynamic_cast<Child*> (child))
            return *wanted;
    throw std::runtime_error ("no such child");
}

class MainContent : public AppTest {};

TEST_F (MainContent, BadStoredCatalogueShowsWhatItCanAndNeverBringsTheProgramDown)
{
    // An error page from the server keeps the stored catalogue, so the products come from it.
    LocalServer server;
    server.setRule ("/installer/Mosaire/AppPlugins.xml", "status", "500");

    // Stored catalogue (null: none), then the table's rows.
    const std::pair<const char*, int> cases[] = {
        { nullptr, 0 },
        { "", 0 },
        { "not XML <", 0 },
        { "<INSTALLATION_MANAGER><PLUGIN name=\"A\"/>", 0 },
        { "<CATALOGUE><PLUGIN name=\"A\"/></CATALOGUE>", 0 },
        { "<INSTALLATION_MANAGER><PLUGIN name=\"A\"/><EXE name=\"B\"/></INSTALLATION_MANAGER>", 2 },
    };
    auto& modal = *juce::ModalComponentManager::getInstance();
    for (const auto& [stored, rows] : cases)
    {
        SCOPED_TRACE (stored == nullptr ? "none" : stored);
        stored == nullptr ? appSettings().removeValue ("xmlAppProducts")
                          : appSettings().setValue ("xmlAppProducts", stored);
        MainComponent content;
        auto& overlay = childOf<DownloadResource> (content);
        auto& table = childOf<ListProductView> (content).table;

        // The catalogue was read once the overlay has gone and the table is sorted by name.
        const auto read = [&] { return ! overlay.isVisible() && table.getHeader().getSortColumnId() == 2; };
        ASSERT_TRUE (pumpUntil (read, 20000));
        EXPECT_EQ (table.getNumRows(), rows);
        EXPECT_EQ (modal.getNumModalComponents(), 1);   // "Server busy" alone: no update notice either
        while (modal.getNumModalComponents() > 0)
            modal.getModalComponent (0)->exitModalState (0);
        pumpUntil ([] { return juce::Desktop::getInstance().getNumComponents() == 0; });   // closed boxes go later
    }
}
