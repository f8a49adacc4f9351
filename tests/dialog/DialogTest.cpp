#include "app/DialogClickLatch.h"
#include "app/TDemoApp.h"
#include "tests/dialog/RealMouse.h"
#include "tests/support/TestWindow.h"

#include <GL/glew.h>
#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace {

// Middle of a row's band, y = 30 * row - 26 .. 30 * row + 4.
int rowMiddle(int row) { return 30 * row - 11; }

struct Dialog : ::testing::Test {
    TDemoApp app;
    std::unique_ptr<RealMouse> mouse;

    void SetUp() override
    {
        app.window = sharedTestWindow(380, 210);
        mouse = std::make_unique<RealMouse>(app.window.window);
        ASSERT_TRUE(mouse->ready()) << "no X11 window to point at";
        if (SDL_GetMouseState(nullptr, nullptr) & SDL_BUTTON_LMASK) mouse->release();
        mouse->moveTo(190, 200);
        // SDL ignores a click that comes within 10 ms of the window taking focus.
        SDL_Delay(30);
        SDL_PumpEvents();
        SDL_FlushEvents(SDL_FIRSTEVENT, SDL_LASTEVENT);
        frame();
    }
    void TearDown() override
    {
        if (SDL_GetMouseState(nullptr, nullptr) & SDL_BUTTON_LMASK) mouse->release();
    }

    // One dialog frame as main runs it, less the sleep and the swap.
    void frame()
    {
        app.PollInput();
        app.DrawMenu();
    }
    void clickAt(int y)
    {
        mouse->moveTo(190, y);
        frame();
        mouse->press();
        frame();
        mouse->release();
        frame();
    }
    const TMenuItem& item(int index) const { return app.menu.items[static_cast<size_t>(index)]; }
};

// Pixels of the title's band drawn in pure red.
int redTitlePixels(int width, int height)
{
    std::vector<unsigned char> rgba(static_cast<size_t>(width) * height * 4);
    glReadBuffer(GL_BACK);
    glReadPixels(0, 0, width, height, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
    int red = 0;
    for (int top = 4; top < 34; ++top)
        for (int x = 0; x < width; ++x) {
            const unsigned char* p = &rgba[(static_cast<size_t>(height - 1 - top) * width + x) * 4];
            if (p[0] > 200 && p[1] < 40 && p[2] < 40) ++red;
        }
    return red;
}

}  // namespace

TEST_F(Dialog, ARowIsHitOnlyStrictlyInsideItsBandAndAcrossTheWholeWidth)
{
    for (int y : {64, 65, 93, 94}) {
        mouse->moveTo(190, y);
        frame();
        const bool inside = y == 65 || y == 93;
        EXPECT_EQ(item(TStartupMenu::kResolution).hover, inside) << "y = " << y;
        EXPECT_FALSE(item(TStartupMenu::kMode).hover) << "y = " << y;  // its band starts above 94
    }
    for (int x : {1, 378}) {
        mouse->moveTo(x, rowMiddle(4));
        frame();
        EXPECT_TRUE(item(TStartupMenu::kMode).hover) << "x = " << x;
    }

    clickAt(64);
    EXPECT_EQ(item(TStartupMenu::kResolution).clicks, 0);
    clickAt(65);
    EXPECT_EQ(item(TStartupMenu::kResolution).clicks, 1);
}

TEST_F(Dialog, AClickIsTheFrameInWhichTheButtonGoesDown)
{
    mouse->moveTo(190, rowMiddle(3));
    frame();
    mouse->press();
    for (int i = 0; i < 5; ++i) frame();
    EXPECT_EQ(item(TStartupMenu::kResolution).clicks, 1);
    EXPECT_TRUE(app.menu.mouse_was_down);

    mouse->release();
    frame();
    EXPECT_FALSE(app.menu.mouse_was_down);
    mouse->press();
    frame();
    EXPECT_EQ(item(TStartupMenu::kResolution).clicks, 2);
}

TEST_F(Dialog, FiveClicksOnTheResolutionRowComeRoundToTheSecondOption)
{
    for (int i = 0; i < 5; ++i) clickAt(rowMiddle(3));
    const TMenuItem& resolution = item(TStartupMenu::kResolution);
    EXPECT_EQ(resolution.clicks, 1);
    EXPECT_EQ(resolution.options[static_cast<size_t>(resolution.clicks)], " >       1920 x 1200");
    EXPECT_EQ(item(TStartupMenu::kMode).clicks, 0);
    EXPECT_FALSE(app.menu.done);
}

TEST_F(Dialog, APressBetweenRowsClicksNothingEvenWhenDraggedOntoARow)
{
    mouse->moveTo(190, 50);  // between the title (4, 34) and the resolution row (64, 94)
    frame();
    mouse->press();
    frame();
    EXPECT_TRUE(app.menu.mouse_was_down);

    mouse->moveTo(190, rowMiddle(3));
    frame();
    frame();
    EXPECT_TRUE(item(TStartupMenu::kResolution).hover);
    for (const TMenuItem& row : app.menu.items) EXPECT_EQ(row.clicks, 0);
}

TEST_F(Dialog, HoldingTheTitleForMoreThanAHundredFramesTurnsItRed)
{
    mouse->moveTo(190, rowMiddle(1));
    frame();
    mouse->press();
    for (int i = 0; i < 100; ++i) frame();
    EXPECT_EQ(app.menu.title_clicks, 100);
    EXPECT_GT(item(TStartupMenu::kTitle).g, 0.0f);  // still animated
    EXPECT_EQ(redTitlePixels(app.window.width, app.window.height), 0);

    frame();
    EXPECT_EQ(app.menu.title_clicks, 101);
    const TMenuItem& title = item(TStartupMenu::kTitle);
    EXPECT_EQ(title.r, 1.0f);
    EXPECT_EQ(title.g, 0.0f);
    EXPECT_EQ(title.b, 0.0f);
    EXPECT_GT(redTitlePixels(app.window.width, app.window.height), 50);
    EXPECT_EQ(item(TStartupMenu::kResolution).clicks, 0);
    EXPECT_EQ(item(TStartupMenu::kMode).clicks, 0);
}

TEST_F(Dialog, ClickingRunEndsTheDialog)
{
    clickAt(rowMiddle(4));
    EXPECT_FALSE(app.menu.done);
    mouse->moveTo(190, rowMiddle(6));
    frame();
    mouse->press();
    frame();
    EXPECT_TRUE(app.menu.done);
    EXPECT_EQ(item(TStartupMenu::kMode).clicks, 1);  // Windowed
}

TEST_F(Dialog, AQuickClickBetweenTwoFramesCountsThroughTheLatch)
{
    mouse->moveTo(190, rowMiddle(3));
    frame();
    // Down and up between two samples of the button state: the poll alone
    // never sees it.
    mouse->quickClick();
    frame();
    frame();
    EXPECT_EQ(item(TStartupMenu::kResolution).clicks, 0);

    DialogClickLatch latch;
    mouse->moveTo(190, rowMiddle(4));  // the press is taken where it happened
    mouse->quickClick();
    mouse->moveTo(190, rowMiddle(3));
    app.PollInput();
    latch.apply(app.controls);
    app.DrawMenu();
    frame();
    EXPECT_EQ(item(TStartupMenu::kMode).clicks, 1);
    EXPECT_EQ(item(TStartupMenu::kResolution).clicks, 0);
}
