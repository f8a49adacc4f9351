// The offline renderer's command line.
#include "tools/capture/CaptureOptions.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::optional<CaptureOptions> parse(std::vector<std::string> args, std::string& error)
{
    return parseCaptureOptions(args, error);
}

TEST(CaptureOptions, RangesSingleTimesAndDefaults)
{
    std::string error;
    auto o = parse({"--from", "5", "--to", "6", "--fps", "30", "--size", "640x360", "--png", "out"}, error);
    ASSERT_TRUE(o) << error;
    EXPECT_EQ(o->width, 640);
    EXPECT_EQ(o->height, 360);
    const std::vector<double> times = o->frameTimes();
    ASSERT_EQ(times.size(), 30u);
    EXPECT_EQ(times.front(), 5.0);
    EXPECT_NEAR(times.back(), 5.0 + 29.0 / 30.0, 1e-12);

    // A range that is not a whole number of frames ends before --to.
    o = parse({"--from", "0", "--to", "0.25", "--fps", "10", "--mp4", "a.mp4"}, error);
    ASSERT_TRUE(o) << error;
    EXPECT_EQ(o->frameTimes().size(), 3u);
    EXPECT_EQ(o->width, 1280);
    EXPECT_EQ(o->fps, 10.0);

    o = parse({"--at", "5,12.5,150", "--png", "sheet", "--root", "/x", "--quiet"}, error);
    ASSERT_TRUE(o) << error;
    EXPECT_EQ(o->frameTimes(), (std::vector<double>{5, 12.5, 150}));
    EXPECT_EQ(o->root, "/x");
    EXPECT_TRUE(o->quiet);
}

TEST(CaptureOptions, MistakesAreNamed)
{
    const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
        {{"--from", "1", "--to", "2"}, "either --png DIR or --mp4 FILE"},
        {{"--from", "1", "--to", "2", "--png", "d", "--mp4", "f"}, "either --png DIR or --mp4 FILE"},
        {{"--from", "2", "--to", "1", "--png", "d"}, "--to must be after --from"},
        {{"--from", "1", "--png", "d"}, "--from and --to"},
        {{"--from", "x", "--to", "2", "--png", "d"}, "--from wants seconds"},
        {{"--from", "1", "--to", "2", "--fps", "0", "--png", "d"}, "--fps wants"},
        {{"--from", "1", "--to", "2", "--size", "640", "--png", "d"}, "--size wants"},
        {{"--from", "1", "--to", "2", "--size", "8x8", "--png", "d"}, "--size wants"},
        {{"--at", "5,,6", "--png", "d"}, "--at wants"},
        {{"--at", "5", "--mp4", "f"}, "use --png"},
        {{"--at", "5", "--from", "1", "--png", "d"}, "leave out --from"},
        {{"--from", "1", "--to", "2", "--png"}, "--png needs a value"},
        {{"--frobnicate", "1", "--png", "d"}, "unknown option '--frobnicate'"},
        {{"--from", "0", "--to", "1e9", "--png", "d"}, "more frames than one run makes"},
    };
    for (const auto& [args, expected] : cases) {
        std::string error;
        EXPECT_FALSE(parse(args, error)) << expected;
        EXPECT_NE(error.find(expected), std::string::npos) << "got: " << error;
    }
}

}  // namespace
