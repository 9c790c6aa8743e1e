// The smallest JUCE program with one window, built like Mosaire, as the start-up yardstick.
#include <juce_gui_basics/juce_gui_basics.h>

namespace
{
class BlackContent : public juce::Component
{
public:
    BlackContent()                          { setSize (1400, 600); }
    void paint (juce::Graphics& g) override { g.fillAll (juce::Colours::black); }
};

class MinimalWindowApplication : public juce::JUCEApplication
{
public:
    const juce::String getApplicationName() override     { return "Minimal Window"; }
    const juce::String getApplicationVersion() override  { return "1.0"; }

    void initialise (const juce::String&) override
    {
        window = std::make_unique<juce::DocumentWindow> ("Minimal Window", juce::Colours::black,
                                                         juce::DocumentWindow::closeButton);
        window->setUsingNativeTitleBar (false);
        window->setContentOwned (new BlackContent(), true);
        window->setResizeLimits (800, 600, 1200, 4096);
        window->centreWithSize (window->getWidth(), window->getHeight());
        window->setVisible (true);
    }

    void shutdown() override  { window = nullptr; }

private:
    std::unique_ptr<juce::DocumentWindow> window;
};

juce::JUCEApplicationBase* createMinimalWindowApplication()  { return new MinimalWindowApplication(); }
}

int main (int argc, char* argv[])
{
    juce::JUCEApplicationBase::createInstance = &createMinimalWindowApplication;
    return juce::JUCEApplicationBase::main (argc, const_cast<const char**> (argv));
}
