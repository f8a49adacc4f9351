#include "app/TDemoApp.h"
#include "live/FreeCam.h"
#include "parts/dancers/ShowTimes.h"
#include "tests/support/TestWindow.h"

#include <GL/glew.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#ifndef _WIN32
#include <sys/wait.h>
#endif
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

namespace {

// Runs each test in a fresh working directory: the camera file lives there.
struct InScratchDirectory : ::testing::Test {
    fs::path home = fs::current_path();
    fs::path scratch;
    void SetUp() override
    {
        scratch = fs::temp_directory_path() / ("quellin-overlay-" + std::to_string(getpid()) + "-" +
                                               ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::create_directories(scratch);
        fs::current_path(scratch);
    }
    void TearDown() override
    {
        fs::current_path(home);
        fs::remove_all(scratch);
    }
};

using CameraFile = InScratchDirectory;

struct Overlay : InScratchDirectory {
    TDemoApp app;
    void SetUp() override
    {
        InScratchDirectory::SetUp();
        app.window = sharedTestWindow();
        app.controls._mouse_fx = 0.5f;
        app.controls._mouse_fy = 0.25f;
        app.controls._wheel = 0.4f;
        app.controls._dt = 0.016667f;
        app.controls._status = "ttime: 1.000";
    }
    // One overlay over a black window.
    void drawOverlayOnBlack()
    {
        glBindFramebuffer(GL_FRAMEBUFFER, 0);
        glViewport(0, 0, app.window.width, app.window.height);
        glClearColor(0, 0, 0, 1);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        app.DrawOverlay();
    }
};

void controlChange(MidiIn& midi, uint8_t control, uint8_t value)
{
    midi.on_callback(platform::kMidiData, 0xB0u | (control << 8) | (static_cast<uint32_t>(value) << 16), 0);
}

std::vector<unsigned char> fileBytes(const char* path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

float floatAt(const std::vector<unsigned char>& bytes, size_t offset)
{
    float value;
    std::memcpy(&value, bytes.data() + offset, sizeof value);
    return value;
}

// Lit pixels of the back buffer inside and outside a top-left corner box.
std::pair<int, int> litInCorner(int width, int height, int cornerW, int cornerH)
{
    std::vector<unsigned char> rgba(static_cast<size_t>(width) * height * 4);
    glReadBuffer(GL_BACK);
    glReadPixels(0, 0, width, height, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
    int inside = 0, outside = 0;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const unsigned char* p = &rgba[(static_cast<size_t>(y) * width + x) * 4];
            if (p[0] + p[1] + p[2] < 60) continue;
            const int top = height - 1 - y;
            (x < cornerW && top < cornerH ? inside : outside)++;
        }
    return {inside, outside};
}

// The back buffer, rows top down, for counting pixels in boxes.
struct Image {
    int width = 0, height = 0;
    std::vector<Pixel> pixels;
    template <typename Test>
    int count(int x0, int y0, int x1, int y1, Test test) const
    {
        int n = 0;
        for (int y = std::max(y0, 0); y < std::min(y1, height); ++y)
            for (int x = std::max(x0, 0); x < std::min(x1, width); ++x) n += test(pixels[static_cast<size_t>(y) * width + x]);
        return n;
    }
};

Image readImage(int width, int height)
{
    std::vector<Pixel> bottomUp(static_cast<size_t>(width) * height);
    glReadBuffer(GL_BACK);
    glReadPixels(0, 0, width, height, GL_RGBA, GL_UNSIGNED_BYTE, bottomUp.data());
    Image image{width, height, {}};
    for (int y = height - 1; y >= 0; --y)
        image.pixels.insert(image.pixels.end(), bottomUp.begin() + static_cast<ptrdiff_t>(y) * width,
                            bottomUp.begin() + static_cast<ptrdiff_t>(y + 1) * width);
    return image;
}

bool isRed(Pixel p) { return p.r > 180 && p.g < 90 && p.b < 90; }
bool isOrange(Pixel p) { return p.r > 200 && p.g > 90 && p.g < 180 && p.b < 80; }
bool isCyan(Pixel p) { return p.r < 120 && p.g > 150 && p.b > 200; }

}  // namespace

TEST_F(Overlay, WithoutAControllerTheLinesAreTheStatusAndEveryMappedValueIsMinusOne)
{
    app.DrawOverlay();
    const std::vector<std::string> expected = {"X: 0.500", "Y: 0.250", "Z: 0.400", "FPS: 60.00", "ttime: 1.000"};
    EXPECT_EQ(app.overlay_lines, expected);
    for (float mapped : {app.controls._nx, app.controls._ny, app.controls._nz, app.controls._kx, app.controls._ky,
                         app.controls._kz, app.controls._k0, app.controls._k1, app.controls._k2, app.controls._k3,
                         app.controls._k4})
        EXPECT_EQ(mapped, -1.0f);
    EXPECT_EQ(app.controls._ix, 0);
    EXPECT_EQ(app.controls._iy, 0);
    EXPECT_EQ(app.controls._iz, 0);

    // A controller that has sent nothing reads the same.
    MyNanoKONTROL2 silent;
    app.controls._nano = &silent;
    app.DrawOverlay();
    EXPECT_EQ(app.overlay_lines, expected);
}

TEST_F(Overlay, ControllerValuesAddTheirLinesInControlOrder)
{
    MyNanoKONTROL2 nano;
    app.controls._nano = &nano;
    controlChange(nano, NANO_KONTROL2_BUTTON_PLAY, 127);
    controlChange(nano, 22, 64);   // knob 6
    controlChange(nano, 16, 127);  // knob 0
    controlChange(nano, 5, 64);    // fader 5
    controlChange(nano, 3, 0);     // fader 3 at zero still reads 0.0001
    app.DrawOverlay();

    const std::vector<std::string> expected = {
        "X: 0.500",       "Y: 0.250",       "Z: 0.400",        "FPS: 60.00",      "ttime: 1.000",
        "NANO: 3 => 0",   "NANO: 5 => 64",  "_nx: => 0.008",   "_ix: => 64",      "NANO: 16 => 127",
        "_k0: => 1.000",  "NANO: 22 => 64", "_ky: => 0.008",   "NANO: 41 => 127",
    };
    EXPECT_EQ(app.overlay_lines, expected);
    EXPECT_GT(app.controls._k0, 1.0f);  // 127.0001 maps slightly above 1
    EXPECT_FLOAT_EQ(app.controls._k0, static_cast<float>((127.0001f + 127.0001f) / 127.0 - 1.0));
    EXPECT_NEAR(app.controls._ky, 0.008f, 0.0005f);
    EXPECT_EQ(app.controls._ix, 64);
    EXPECT_EQ(app.controls._k1, -1.0f);
}

TEST_F(Overlay, TheCameraIsSavedOnEveryThirtiethFrameOnly)
{
    std::vector<int> saved;
    for (int frame = 1; frame <= 90; ++frame) {
        app.DrawOverlay();
        if (fs::exists("FreeCam.bin")) {
            saved.push_back(frame);
            fs::remove("FreeCam.bin");
        }
    }
    EXPECT_EQ(saved, (std::vector<int>{30, 60, 90}));
}

TEST_F(Overlay, TheFileHoldsTheRecordsBytesAtTheirOffsets)
{
    app.camera.zoom = 1.5f;
    app.camera.walk_mode = 1;
    app.camera.eye = {1.0f, 2.0f, 3.0f};
    ASSERT_TRUE(SaveFreeCam(app.camera, "FreeCam.bin"));
    const std::vector<unsigned char> bytes = fileBytes("FreeCam.bin");
    ASSERT_EQ(bytes.size(), 292u);
    EXPECT_EQ(floatAt(bytes, 16 + 12), 1.0f);  // w of the walk-through orientation
    EXPECT_EQ(floatAt(bytes, 180), 5.0f);      // speed
    EXPECT_EQ(bytes[185], 1);                  // walk-through selected
    EXPECT_EQ(floatAt(bytes, 236), 1.5f);      // zoom
    EXPECT_EQ(floatAt(bytes, 240), 45.0f);     // view angle
    EXPECT_EQ(floatAt(bytes, 268), 1.0f);      // eye
    EXPECT_EQ(floatAt(bytes, 272), 2.0f);
    EXPECT_EQ(floatAt(bytes, 276), 3.0f);
    EXPECT_EQ(floatAt(bytes, 200), app.camera.eye_offset.x);

    EXPECT_FALSE(SaveFreeCam(app.camera, "no-such-folder/FreeCam.bin"));
}

TEST_F(Overlay, StartReadsTheCameraFileAndAShortOneReplacesOnlyWhatItHolds)
{
    // No MIDI system for Start to find.
    setenv("QUELLIN_MIDI_API", "jack", 1);
    setenv("JACK_DEFAULT_SERVER", ("quellin-absent-" + std::to_string(getpid())).c_str(), 1);

    const float head[5] = {0.1f, 0.2f, 0.3f, 0.4f, 9.0f};  // orientation, then x of the walk-through one
    {
        std::ofstream out("FreeCam.bin", std::ios::binary);
        out.write(reinterpret_cast<const char*>(head), sizeof head);
    }
    const TFreeCam defaults;
    testing::internal::CaptureStdout();
    app.Start();
    testing::internal::GetCapturedStdout();
    EXPECT_EQ(app.camera.orientation.x, 0.1f);
    EXPECT_EQ(app.camera.orientation.w, 0.4f);
    EXPECT_EQ(app.camera.walk_orientation.x, 9.0f);
    EXPECT_EQ(app.camera.walk_orientation.w, 1.0f);
    EXPECT_EQ(app.camera.zoom, defaults.zoom);
    EXPECT_EQ(std::memcmp(&app.camera.eye, &defaults.eye, sizeof defaults.eye), 0);

    // A whole file replaces the whole camera.
    TFreeCam saved;
    saved.walk_mode = 1;
    saved.Rotate(3, 4, false, false, true);
    saved.Rotate(30, 40, false, false, true);
    ASSERT_TRUE(SaveFreeCam(saved, "FreeCam.bin"));
    TDemoApp second;
    second.window = app.window;
    testing::internal::CaptureStdout();
    second.Start();
    testing::internal::GetCapturedStdout();
    EXPECT_EQ(std::memcmp(&second.camera, &saved, sizeof saved), 0);

    unsetenv("QUELLIN_MIDI_API");
    unsetenv("JACK_DEFAULT_SERVER");
}

TEST_F(Overlay, StartRefusesACameraFileWithNumbersThatAreNotFiniteAndSaysSo)
{
    setenv("QUELLIN_MIDI_API", "jack", 1);
    setenv("JACK_DEFAULT_SERVER", ("quellin-absent-" + std::to_string(getpid())).c_str(), 1);
    const TFreeCam defaults;
    const float bad[] = {std::nanf(""), INFINITY, -INFINITY};
    const size_t offsets[] = {236, 0, 288};  // zoom, the orientation's x, the centre's z
    for (size_t i = 0; i < std::size(bad); ++i) {
        TFreeCam damaged;
        damaged.walk_mode = 1;
        std::memcpy(reinterpret_cast<unsigned char*>(&damaged) + offsets[i], &bad[i], sizeof(float));
        ASSERT_TRUE(SaveFreeCam(damaged, "FreeCam.bin"));
        TDemoApp started;
        started.window = app.window;
        testing::internal::CaptureStdout();
        started.Start();
        const std::string said = testing::internal::GetCapturedStdout();
        EXPECT_EQ(std::memcmp(&started.camera, &defaults, sizeof defaults), 0) << "offset " << offsets[i];
        EXPECT_NE(said.find("FreeCam.bin holds numbers that are not finite; using the default camera\n"),
                  std::string::npos)
            << said;
    }
    unsetenv("QUELLIN_MIDI_API");
    unsetenv("JACK_DEFAULT_SERVER");
}

TEST_F(CameraFile, ASaveKilledAtAnyMomentLeavesAWholeFile)
{
#ifdef _WIN32
    GTEST_SKIP() << "kills a child process made with fork";
#else
    // Every record the saver writes has its zoom equal to its eye's x.
    TFreeCam first;
    first.eye.x = first.zoom;
    ASSERT_TRUE(SaveFreeCam(first, "FreeCam.bin"));
    for (int round = 0; round < 150; ++round) {
        const pid_t saver = fork();
        if (saver == 0) {
            TFreeCam camera;
            for (float k = 1.0f;; k += 1.0f) {
                camera.zoom = camera.eye.x = k;
                SaveFreeCam(camera, "FreeCam.bin");
            }
        }
        ASSERT_GT(saver, 0);
        usleep(static_cast<useconds_t>(200 + (round * 37) % 1500));
        kill(saver, SIGKILL);
        waitpid(saver, nullptr, 0);
        const std::vector<unsigned char> bytes = fileBytes("FreeCam.bin");
        ASSERT_EQ(bytes.size(), 292u) << "killed in round " << round;
        ASSERT_EQ(floatAt(bytes, 236), floatAt(bytes, 268)) << "a record of two saves, round " << round;
    }
#endif
}

TEST_F(Overlay, DeveloperModeShowsWhatDoesNotBuildInRedAndTheTimelineAtTheShowTime)
{
    const int w = app.window.width, h = app.window.height;
    const float keyTimes[] = {0.0f, 60.0f, 100.0f};
    const float keyValues[] = {0.0f, 1.0f, 0.5f};
    app.developer_mode = true;
    app.controls._errors = {"shaders/f_x.glsl: 0:3(1): error: syntax error"};
    TimelineView& view = app.controls._timeline;
    view.shown = true;
    view.end = 154.0f;
    view.windows = show_times::kWindows;
    view.curveTimes = keyTimes;
    view.curveValues = keyValues;

    // The play head's column, as a fraction of the track from 8 px to w - 92 px.
    auto headColumn = [&](float time) { return static_cast<int>(8.0f + (w - 100.0f) * time / 154.0f); };
    for (float time : {20.0f, 120.0f}) {
        SCOPED_TRACE(time);
        view.time = time;
        drawOverlayOnBlack();
        const Image frame = readImage(w, h);

        // The error below the five status lines, in red.
        EXPECT_EQ(app.overlay_lines.back(), app.controls._errors.front());
        EXPECT_GT(frame.count(0, 8 + 18 * 5, w, 8 + 18 * 6 + 4, isRed), 50);
        EXPECT_EQ(frame.count(0, 0, w, 8 + 18 * 5, isRed), 0);

        // The bar along the bottom: the play head where the time is, not elsewhere.
        const int head = headColumn(time), other = headColumn(time < 100 ? 120.0f : 20.0f);
        EXPECT_GT(frame.count(head - 1, h - 36, head + 2, h - 8, isOrange), 20);
        EXPECT_EQ(frame.count(other - 1, h - 36, other + 2, h - 8, isOrange), 0);
        EXPECT_GT(frame.count(8, h - 40, w - 92, h - 6, isCyan), 40);  // the keyframe curve
        EXPECT_EQ(frame.count(0, 8 + 18 * 6 + 4, w, h - 64, [](Pixel p) { return p.r + p.g + p.b > 60; }), 0);
    }
    EXPECT_FALSE(glIsEnabled(GL_BLEND));
    EXPECT_FALSE(glIsEnabled(GL_DEPTH_TEST));
}

TEST_F(Overlay, OnlyDeveloperModeDrawsTheLinesInTheTopLeftCorner)
{
    const int w = app.window.width, h = app.window.height;
    for (bool developer : {false, true}) {
        SCOPED_TRACE(developer ? "developer mode" : "viewer");
        app.developer_mode = developer;
        drawOverlayOnBlack();
        const auto [inside, outside] = litInCorner(w, h, w / 2, 8 + 18 * 6);
        EXPECT_EQ(inside > 100, developer) << inside;
        EXPECT_EQ(outside, 0);
        EXPECT_EQ(app.overlay_lines.size(), 5u);
        // The frame loop finds the state it expects.
        EXPECT_FALSE(glIsEnabled(GL_DEPTH_TEST));
        EXPECT_FALSE(glIsEnabled(GL_BLEND));
        EXPECT_FALSE(glIsEnabled(GL_POLYGON_SMOOTH));
    }
}
