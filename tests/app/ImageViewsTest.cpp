#include <gtest/gtest.h>
#include "app/DialogImage.h"
#include "app/LogoImage.h"
#include "app/WebAddresses.h"
#include "support/TestEnvironment.h"

using namespace testsupport;

namespace juce
{
// Readable failure messages.
static void PrintTo (const StringArray& strings, std::ostream* out)  { *out << "[" << strings.joinIntoString (" | ") << "]"; }
}

namespace
{
juce::Image solid (int width, int height, juce::Colour colour)
{
    juce::Image image (juce::Image::ARGB, width, height, false);
    image.clear (image.getBounds(), colour);
    return image;
}

juce::Image render (juce::Component& component)
{
    return component.createComponentSnapshot (component.getLocalBounds(), true, 1.0f);
}

// The smallest rectangle holding every pixel that passes the test.
juce::Rectangle<int> boundsWhere (const juce::Image& image, const std::function<bool (juce::Colour)>& test)
{
    int left = image.getWidth(), top = image.getHeight(), right = -1, bottom = -1;
    for (int y = 0; y < image.getHeight(); ++y)
        for (int x = 0; x < image.getWidth(); ++x)
            if (test (image.getPixelAt (x, y)))
            {
                left = juce::jmin (left, x);    top = juce::jmin (top, y);
                right = juce::jmax (right, x);  bottom = juce::jmax (bottom, y);
            }
    return right < 0 ? juce::Rectangle<int>() : juce::Rectangle<int>::leftTopRightBottom (left, top, right + 1, bottom + 1);
}

// More than half covered by a red picture drawn on black; resampling may shift colours a step.
bool mostlyRed (juce::Colour c)  { return c.getRed() > 128 && c.getGreen() < 8 && c.getAlpha() == 255; }
bool black (juce::Colour c)      { return c == juce::Colour (0xff000000); }
bool visible (juce::Colour c)    { return c.getAlpha() > 0; }

juce::MouseEvent mouseEvent (juce::Component& target, juce::ModifierKeys modifiers, int clicks)
{
    const juce::Point<float> where (10.0f, 10.0f);
    const auto now = juce::Time::getCurrentTime();
    return { juce::Desktop::getInstance().getMainMouseSource(), where, modifiers,
             juce::MouseInputSource::defaultPressure, juce::MouseInputSource::defaultOrientation,
             juce::MouseInputSource::defaultRotation, juce::MouseInputSource::defaultTiltX,
             juce::MouseInputSource::defaultTiltY, &target, &target, now, where, now, clicks, false };
}

const juce::ModifierKeys leftButton (juce::ModifierKeys::leftButtonModifier);
}

//==============================================================================
TEST (DrawImage, FitsThePictureCentredOnBlack)
{
    struct Case { const char* name; int pw, ph, w, h; juce::Rectangle<int> drawn; };
    const Case cases[] = {
        { "wide picture enlarged", 60, 30, 200, 200, { 0, 50, 200, 100 } },
        { "tall picture enlarged", 30, 60, 200, 100, { 75, 0, 50, 100 } },
        { "picture reduced", 800, 400, 100, 100, { 0, 25, 100, 50 } },
        { "same shape", 40, 20, 80, 40, { 0, 0, 80, 40 } },
        { "overlay picture", 600, 148, 200, 50, { 0, 0, 200, 50 } } };   // 200 x 49.33 at y 0.33

    for (auto& c : cases)
    {
        SCOPED_TRACE (c.name);
        DrawImage view (solid (c.pw, c.ph, juce::Colours::red));
        view.setSize (c.w, c.h);
        const auto picture = render (view);

        EXPECT_EQ (boundsWhere (picture, mostlyRed), c.drawn);
        for (auto corner : { juce::Point<int> (0, 0), juce::Point<int> (c.w - 1, c.h - 1) })
            EXPECT_TRUE (c.drawn.contains (corner) ? mostlyRed (picture.getPixelAt (corner.x, corner.y))
                                                   : black (picture.getPixelAt (corner.x, corner.y))) << corner.toString();
    }
}

TEST (DrawImage, NullPictureLeavesOnlyBlack)
{
    DrawImage view ({});
    view.setSize (40, 30);
    const auto picture = render (view);
    EXPECT_TRUE (boundsWhere (picture, [] (juce::Colour c) { return ! black (c); }).isEmpty());
}

TEST (DrawImage, ShowsTheHandEvenWithoutAddressAndPressesOpenOnlyAnAddress)
{
    StubOpener opener;
    DrawImage view (solid (10, 10, juce::Colours::red));
    view.setSize (100, 100);

    view.mouseEnter (mouseEvent (view, {}, 0));
    EXPECT_TRUE (view.getMouseCursor() == juce::MouseCursor::PointingHandCursor);
    view.mouseDown (mouseEvent (view, leftButton, 1));
    view.mouseExit (mouseEvent (view, {}, 0));
    EXPECT_TRUE (view.getMouseCursor() == juce::MouseCursor::NormalCursor);

    view.url = juce::URL (WebAddresses::downloadPage());
    view.mouseDown (mouseEvent (view, juce::ModifierKeys (juce::ModifierKeys::rightButtonModifier), 1));
    ASSERT_TRUE (opener.waitForCalls (1));   // the stub opener records one call at a time
    view.mouseDown (mouseEvent (view, leftButton, 2));   // each press of a double-click opens again

    ASSERT_TRUE (opener.waitForCalls (2));
    pumpFor (200);
    const auto calls = opener.calls();
    ASSERT_EQ (calls.size(), 2);
    EXPECT_EQ (calls[0], juce::StringArray (WebAddresses::downloadPage()));
    EXPECT_EQ (calls[1], juce::StringArray (WebAddresses::downloadPage()));
}

//==============================================================================
TEST (DialogImageOk, LaysOutThePictureAboveA42PixelBand)
{
    struct Case { int w, h; juce::Rectangle<int> picture, button; };
    const Case cases[] = { { 600, 280, { 0, 0, 600, 238 }, { 225, 244, 150, 30 } },
                           { 601, 280, { 0, 0, 601, 238 }, { 225, 244, 150, 30 } },
                           { 600, 42, { 0, 0, 600, 0 }, { 225, 6, 150, 30 } },
                           { 100, 20, { 0, 0, 100, 0 }, { -25, -16, 150, 30 } } };

    for (auto& c : cases)
    {
        SCOPED_TRACE (juce::String (c.w) + " x " + juce::String (c.h));
        DialogImageOk content (solid (6, 2, juce::Colours::red));
        EXPECT_EQ (content.okButton.getButtonText(), "OK");
        content.setSize (c.w, c.h);
        EXPECT_EQ (content.picture.getBounds(), c.picture);
        EXPECT_EQ (content.okButton.getBounds(), c.button);
    }
}

TEST (DialogImageOk, UpdatePictureShapeIsLimitedByTheHeight)
{
    // 600 x 280 into the 600 x 238 picture area: drawn 510 x 238 at x 45.
    DialogImageOk content (solid (600, 280, juce::Colours::red));
    content.setSize (600, 280);
    EXPECT_EQ (boundsWhere (render (content.picture), mostlyRed), juce::Rectangle<int> (45, 0, 510, 238));
}

TEST (DialogImageOk, OkClosesItsWindowAndThePictureOpensItsAddress)
{
    StubOpener opener;
    DialogImageOk content (solid (600, 280, juce::Colours::red));
    content.setSize (600, 280);
    content.picture.url = juce::URL (WebAddresses::downloadPage());

    juce::DialogWindow::LaunchOptions options;
    options.content.setNonOwned (&content);
    options.dialogTitle = "New version available";
    juce::Component::SafePointer<juce::DialogWindow> window (options.launchAsync());
    ASSERT_NE (window.getComponent(), nullptr);

    content.okButton.triggerClick();   // no window stored yet: nothing happens
    pumpFor (100);
    ASSERT_NE (window.getComponent(), nullptr);
    content.dialog = window.getComponent();

    content.picture.mouseDown (mouseEvent (content.picture, leftButton, 1));
    ASSERT_TRUE (opener.waitForCalls (1));
    EXPECT_EQ (opener.calls()[0], juce::StringArray (WebAddresses::downloadPage()));
    EXPECT_NE (window.getComponent(), nullptr);

    content.okButton.triggerClick();
    EXPECT_TRUE (pumpUntil ([&] { return window == nullptr; }, 3000));
    EXPECT_EQ (content.getParentComponent(), nullptr);   // the content stays with its owner
}

//==============================================================================
TEST (LogoImage, FillsTheWidthAndIsCentredVertically)
{
    struct Case { int w, h; };
    for (auto c : { Case { 150, 50 }, Case { 50, 150 } })
    {
        SCOPED_TRACE (juce::String (c.w) + " x " + juce::String (c.h));
        LogoImage logo;
        ASSERT_NE (logo.drawable, nullptr);
        logo.setSize (c.w, c.h);
        const auto picture = render (logo);

        // The logo is about 5 : 1 and has a narrow margin of its own inside its frame.
        const auto drawn = boundsWhere (picture, visible).toFloat();
        EXPECT_GT (drawn.getWidth(), c.w * 0.9f);
        EXPECT_NEAR (drawn.getCentreX(), c.w / 2.0f, 1.5f);
        EXPECT_NEAR (drawn.getCentreY(), c.h / 2.0f, 1.5f);
        EXPECT_NEAR (drawn.getHeight(), c.w / 5.05f, c.w * 0.04f);
        EXPECT_EQ (picture.getPixelAt (0, 0).getAlpha(), 0);   // no background of its own
    }
}

TEST (LogoImage, AnyDoubleClickOpensTheHomePageAndASingleClickNothing)
{
    StubOpener opener;
    LogoImage logo;
    logo.setSize (150, 50);

    logo.mouseDown (mouseEvent (logo, leftButton, 1));
    logo.mouseUp (mouseEvent (logo, leftButton, 1));
    pumpFor (300);
    EXPECT_TRUE (opener.calls().isEmpty());

    logo.mouseDoubleClick (mouseEvent (logo, juce::ModifierKeys (juce::ModifierKeys::rightButtonModifier), 2));
    ASSERT_TRUE (opener.waitForCalls (1));   // the stub opener records one call at a time
    logo.mouseDoubleClick (mouseEvent (logo, juce::ModifierKeys (juce::ModifierKeys::leftButtonModifier
                                                                 | juce::ModifierKeys::shiftModifier
                                                                 | juce::ModifierKeys::commandModifier), 2));
    ASSERT_TRUE (opener.waitForCalls (2));
    EXPECT_EQ (opener.calls()[0], juce::StringArray (WebAddresses::homePage()));
    EXPECT_EQ (opener.calls()[1], juce::StringArray (WebAddresses::homePage()));
    EXPECT_TRUE (logo.getMouseCursor() == juce::MouseCursor::NormalCursor);
}
