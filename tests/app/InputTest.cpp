#include "app/TDemoApp.h"
#include "platform/Platform.h"
#include "tests/support/TestWindow.h"

#include <gtest/gtest.h>

#include <unistd.h>

namespace {

void pushKey(Uint32 type, SDL_Scancode scancode, SDL_Keycode sym)
{
    SDL_Event event{};
    event.type = type;
    event.key.keysym.scancode = scancode;
    event.key.keysym.sym = sym;
    event.key.state = type == SDL_KEYDOWN ? SDL_PRESSED : SDL_RELEASED;
    ASSERT_EQ(SDL_PushEvent(&event), 1) << SDL_GetError();
}

void pushWheel(int y)
{
    SDL_Event event{};
    event.type = SDL_MOUSEWHEEL;
    event.wheel.y = y;
    ASSERT_EQ(SDL_PushEvent(&event), 1) << SDL_GetError();
}

struct Input : ::testing::Test {
    TDemoApp app;
    void SetUp() override
    {
        app.window = sharedTestWindow();
        SDL_PumpEvents();
        SDL_FlushEvents(SDL_FIRSTEVENT, SDL_LASTEVENT);
    }
};

}  // namespace

TEST_F(Input, KeysFollowTheirEventsAndEveryKeyDownIsEchoed)
{
    pushKey(SDL_KEYDOWN, SDL_SCANCODE_A, SDLK_a);
    pushKey(SDL_KEYUP, SDL_SCANCODE_A, SDLK_a);
    pushKey(SDL_KEYDOWN, SDL_SCANCODE_B, SDLK_b);
    testing::internal::CaptureStdout();
    app.PollInput();
    const std::string out = testing::internal::GetCapturedStdout();
    EXPECT_EQ(out, "KEY: 4\nKEY: 5\n");
    EXPECT_FALSE(app.controls._keys[SDL_SCANCODE_A]);  // pressed and released in one poll
    EXPECT_TRUE(app.controls._keys[SDL_SCANCODE_B]);

    pushKey(SDL_KEYUP, SDL_SCANCODE_B, SDLK_b);
    app.PollInput();
    EXPECT_FALSE(app.controls._keys[SDL_SCANCODE_B]);
}

TEST_F(Input, WheelStepsAddUpWithinAPollAndTheStepClearsAfterwards)
{
    pushWheel(1);
    pushWheel(1);
    app.PollInput();
    EXPECT_FLOAT_EQ(app.controls._wheel, 0.4f);
    EXPECT_EQ(app.controls._wheel_step, 1.0f);

    app.PollInput();
    EXPECT_EQ(app.controls._wheel_step, 0.0f);
    EXPECT_FLOAT_EQ(app.controls._wheel, 0.4f);

    pushWheel(1);
    pushWheel(-1);
    app.PollInput();
    EXPECT_EQ(app.controls._wheel_step, -1.0f);  // the last event's direction
    EXPECT_FLOAT_EQ(app.controls._wheel, 0.4f);
}

TEST_F(Input, FrameTimeIsMeasuredFromThePreviousPoll)
{
    app.last_ticks = platform::TicksNow() - 2'500'000;  // 0.25 s ago
    app.PollInput();
    EXPECT_GE(app.controls._dt, 0.25f);
    EXPECT_LT(app.controls._dt, 0.35f);

    platform::Sleep(20);
    app.PollInput();
    EXPECT_GE(app.controls._dt, 0.019f);
    EXPECT_LT(app.controls._dt, 0.2f);
}

TEST_F(Input, MousePositionIsStoredInPixelsAndFractions)
{
    SDL_WarpMouseInWindow(app.window.window, 320, 120);
    SDL_PumpEvents();
    app.PollInput();
    // The pointer of a window that is not focused may not follow the warp on
    // every X server; when it did, both forms must agree.
    if (app.controls._mouse_x == 320) {
        EXPECT_FLOAT_EQ(app.controls._mouse_fx, 0.5f);
        EXPECT_FLOAT_EQ(app.controls._mouse_fy, 0.25f);
    }
    EXPECT_FLOAT_EQ(app.controls._mouse_fx, app.controls._mouse_x / 640.0f);
}

// Escape and the close request end the process at once with status 0. The
// child's standard output is joined to its error stream so the death test can
// read the echoed key.
TEST(InputExit, EscapeEndsTheProcessAfterEchoingItsKey)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            dup2(STDERR_FILENO, STDOUT_FILENO);
            TDemoApp app;
            app.window = sharedTestWindow();
            pushKey(SDL_KEYDOWN, SDL_SCANCODE_ESCAPE, SDLK_ESCAPE);
            app.PollInput();
            std::printf("still running\n");
            std::fflush(stdout);
        },
        ::testing::ExitedWithCode(0), "KEY: 41\n$");
}

TEST(InputExit, CloseRequestEndsTheProcess)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            TDemoApp app;
            app.window = sharedTestWindow();
            SDL_Event event{};
            event.type = SDL_WINDOWEVENT;
            event.window.event = SDL_WINDOWEVENT_CLOSE;
            event.window.windowID = SDL_GetWindowID(app.window.window);
            SDL_PushEvent(&event);
            app.PollInput();
            std::fprintf(stderr, "still running\n");
        },
        ::testing::ExitedWithCode(0), "^$");
}
