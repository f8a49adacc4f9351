// Frames of the real show rendered by the offline renderer at a small size:
// not blank, the dancers red where they stand, the title card where the
// keyframes say. Needs the generated show data (scripts/make-show-data.sh).
#include "app/TDemoApp.h"
#include "parts/dancers/Part_Dancers.h"
#include "tests/show/ShowTestSupport.h"
#include "tools/capture/CaptureSession.h"

#include <gtest/gtest.h>
#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <vector>

namespace {

constexpr int kWidth = 320;
constexpr int kHeight = 180;

struct Capture : testing::Test {
    void SetUp() override
    {
        if (!std::filesystem::is_directory("newresources/danceexport/009") ||
            !std::filesystem::is_regular_file("newresources/velisse.png"))
            GTEST_SKIP() << "no generated show data (run scripts/make-show-data.sh)";
        std::string error;
        testing::internal::CaptureStdout();
        const bool opened = session.open(kWidth, kHeight, error);
        testing::internal::GetCapturedStdout();
        ASSERT_TRUE(opened) << error;
    }

    const uint8_t* at(const std::vector<uint8_t>& rgb, int x, int row) const
    {
        return &rgb[(static_cast<size_t>(row) * kWidth + static_cast<size_t>(x)) * 3];
    }

    CaptureSession session;
};

TEST_F(Capture, DancersStandInRedOnADarkGround)
{
    std::vector<uint8_t> frame;
    session.renderFrame(30.0, frame);
    ASSERT_EQ(frame.size(), static_cast<size_t>(kWidth * kHeight * 3));

    // Not blank: part of the frame is lit, most of it is dark ground.
    size_t lit = 0;
    size_t dark = 0;
    for (size_t i = 0; i < frame.size(); i += 3) {
        const int brightest = std::max({frame[i], frame[i + 1], frame[i + 2]});
        lit += brightest > 120;
        dark += brightest < 40;
    }
    EXPECT_GT(lit, 300u);
    EXPECT_GT(dark, frame.size() / 3 / 2);

    // Where the dancer drawn last stands, the frame is red.
    Part_Dancers& part = session.part();
    ASSERT_GT(part.prevPoints.size(), 1000u);
    const LookAt look = cameraFor(part.ttime, -1.0f, part.closeupStart, part.closeupEnd);
    double r = 0, g = 0, b = 0;
    int counted = 0;
    for (size_t i = 0; i < part.prevPoints.size(); i += 7) {
        const Point3 p = projectToWindow(look, kWidth, kHeight, part.prevPoints[i]);
        const int x = static_cast<int>(p[0]);
        const int row = kHeight - 1 - static_cast<int>(p[1]);
        if (x < 0 || x >= kWidth || row < 0 || row >= kHeight) continue;
        const uint8_t* px = at(frame, x, row);
        r += px[0];
        g += px[1];
        b += px[2];
        ++counted;
    }
    ASSERT_GT(counted, 100);
    r /= counted;
    g /= counted;
    b /= counted;
    EXPECT_GT(r, 90.0);
    EXPECT_GT(r, 3.0 * g);
    EXPECT_GT(r, 3.0 * b);
}

TEST_F(Capture, TheTitleCardShowsWhereTheKeyframesSay)
{
    Part_Dancers& part = session.part();
    ASSERT_FALSE(part.keyframes.values.empty());
    cv::Mat card = cv::imread("newresources/velisse.png", cv::IMREAD_GRAYSCALE);
    ASSERT_FALSE(card.empty());
    cv::resize(card, card, cv::Size(kWidth, kHeight), 0, 0, cv::INTER_AREA);

    const std::vector<float> track = part.keyframes.values;
    for (double t : {8.0, 30.0}) {
        const float k0 = part.keyframes.valueAt(static_cast<float>(t));
        std::vector<uint8_t> withTrack;
        std::vector<uint8_t> withoutCard;
        part.keyframes.values = track;
        session.renderFrame(t, withTrack);
        std::fill(part.keyframes.values.begin(), part.keyframes.values.end(), 0.0f);
        session.renderFrame(t, withoutCard);

        double inkDifference = 0;
        double inkBrightness = 0;
        int ink = 0;
        double groundDifference = 0;
        int ground = 0;
        for (int row = 0; row < kHeight; ++row)
            for (int x = 0; x < kWidth; ++x) {
                const uint8_t* a = at(withTrack, x, row);
                const uint8_t* b = at(withoutCard, x, row);
                const double d = std::abs(a[0] - b[0]) + std::abs(a[1] - b[1]) + std::abs(a[2] - b[2]);
                if (card.at<uint8_t>(row, x) > 160) {
                    inkDifference += d;
                    inkBrightness += std::min({a[0], a[1], a[2]});
                    ++ink;
                } else if (card.at<uint8_t>(row, x) < 3) {
                    groundDifference += d;
                    ++ground;
                }
            }
        ASSERT_GT(ink, 50) << "the card should have letters";
        if (k0 >= 1.0f) {
            // The letters are there, near white, and only the letters changed.
            EXPECT_GT(inkBrightness / ink, 170.0) << t;
            EXPECT_GT(inkDifference / ink, 60.0) << t;
            EXPECT_LT(groundDifference / ground, 6.0) << t;
        } else if (k0 <= 0.0f) {
            EXPECT_EQ(inkDifference + groundDifference, 0.0) << t;
        } else {
            ADD_FAILURE() << "pick times where the card is fully shown or hidden; k0 is " << k0 << " at " << t;
        }
    }
}

// The capture reads the window, and the window holds the last pass alone:
// with a last pass that paints one colour, every pixel is that colour.
TEST(CaptureWindow, HoldsOnlyTheLastPass)
{
    namespace fs = std::filesystem;
    const fs::path repository = fs::current_path();
    if (!fs::is_directory(repository / "newresources/danceexport/009"))
        GTEST_SKIP() << "no generated show data (run scripts/make-show-data.sh)";
    WorkingFolder folder;
    fs::create_directory_symlink(repository / "newresources", "newresources");
    fs::create_directories("shaders");
    for (const char* name : {"v_trace", "f_cloud", "f_thatch_intro", "f_final_intro"})
        fs::copy_file(repository / "shaders" / (std::string(name) + ".glsl"), fs::path("shaders") / (std::string(name) + ".glsl"));
    folder.write("shaders/f_final_intro2.glsl", "#version 130\nvoid main() { gl_FragColor = vec4(0.25, 0.5, 0.75, 1.0); }\n");

    CaptureSession session;
    std::string error;
    testing::internal::CaptureStdout();
    const bool opened = session.open(kWidth, kHeight, error);
    testing::internal::GetCapturedStdout();
    ASSERT_TRUE(opened) << error;
    std::vector<uint8_t> frame;
    session.renderFrame(30.0, frame);
    ASSERT_FALSE(session.part().prevPoints.empty()) << "the scene should have dancers";
    size_t other = 0;
    for (size_t i = 0; i < frame.size(); i += 3)
        other += std::abs(frame[i] - 64) > 1 || std::abs(frame[i + 1] - 128) > 1 || std::abs(frame[i + 2] - 191) > 1;
    EXPECT_EQ(other, 0u);
}

}  // namespace
