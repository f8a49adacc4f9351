// The part's load step on a small show made in a private folder, and with
// nothing there at all.
#include "app/TDemoApp.h"
#include "parts/dancers/Part_Dancers.h"
#include "render/ImageFile.h"
#include "tests/dancers/TestFiles.h"
#include "tests/support/TestWindow.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>

namespace {

namespace fs = std::filesystem;

// Runs in `dir` as the working directory, going back afterwards.
struct InFolder {
    explicit InFolder(const fs::path& dir) : previous(fs::current_path()) { fs::current_path(dir); }
    ~InFolder() { fs::current_path(previous); }
    fs::path previous;
};

std::vector<uint8_t> frameWithPoints(int count)
{
    Bytes bytes;
    bytes.identity().identity().i32(count);
    for (int i = 0; i < count; ++i) bytes.u32(static_cast<uint32_t>(i)).f32(0).f32(0).f32(0).f32(0).f32(0).f32(0);
    bytes.i32(0).i32(0);
    return bytes.data;
}

// A recording of `frames` frames, each with as many points as `tag`.
void writeRecording(const fs::path& folder, int frames, int tag)
{
    fs::create_directories(folder);
    for (int i = 0; i < frames; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "f%d.processed", i);
        writeFile((folder / name).string(), frameWithPoints(tag));
    }
}

struct PartLoad : testing::Test {
    void SetUp() override
    {
        sharedTestWindow();
        ensureTestAudio();
        part.ctrl = &ctrl;
        ctrl._nano = &nano;
    }
    TempDir dir;
    TLiveControls ctrl;
    MyNanoKONTROL2 nano;
    Part_Dancers part;
};

TEST_F(PartLoad, FillsSlotsKeyframesPointsPictureAndStartsTheMusic)
{
    const fs::path res = dir.path() / "newresources";
    writeRecording(res / "danceexport" / "006", 3, 6);
    writeRecording(res / "danceexport" / "009", 1, 9);
    writeRecording(res / "danceexport" / "011", 2, 11);
    writeText((res / "Storage1.txt").string(), "0 1\n10 2\n");
    writeText((res / "quellin.xyz").string(), "1 2 3\n");
    ASSERT_TRUE(WritePng((res / "velisse.png").string(), RgbImage{7, 5, std::vector<unsigned char>(7 * 5 * 3, 20)}));
    writeSineMp3((res / "11_velisse_and_the_norrows_-_quellin_and_vessary.mp3").string(), 2.0, 440.0);
    for (float& bin : part.fftSmooth) bin = 3.0f;

    testing::internal::CaptureStdout();
    {
        InFolder here(dir.path());
        part.load();
    }
    const std::string out = testing::internal::GetCapturedStdout();
    // The four programs are built before the recordings are read.
    const size_t programs = out.find("Fragment loading: shaders/f_cloud.glsl");
    EXPECT_NE(programs, std::string::npos) << out;
    EXPECT_TRUE(out.ends_with("Adding.. 1\nParsedSize: 3\nAdding.. 1\nParsedSize: 1\nAdding.. 1\nParsedSize: 2\n1")) << out;
    EXPECT_LT(programs, out.find("Adding.. 1"));

    const size_t expectedFrames[] = {1, 2, 3};
    const size_t expectedPoints[] = {9, 11, 6};
    for (int slot = 0; slot < 3; ++slot) {
        EXPECT_EQ(part.sequences[slot].name, "1");
        ASSERT_EQ(part.sequences[slot].frames.size(), expectedFrames[slot]) << slot;
        EXPECT_EQ(part.sequences[slot].frames[0].points.size(), expectedPoints[slot]) << slot;
    }
    for (int slot = 3; slot < Part_Dancers::kSequenceSlots; ++slot) EXPECT_TRUE(part.sequences[slot].frames.empty());
    EXPECT_EQ(part.keyframes.times, (std::vector<float>{0, 10}));
    ASSERT_EQ(part.cloudPoints.size(), 10000u);
    EXPECT_EQ(part.cloudPoints[0], (Point3{1, 2, 3}));
    EXPECT_EQ(part.textTexture.width, 7);
    EXPECT_EQ(part.textTexture.height, 5);
    EXPECT_NE(part.sample, 0u);
    EXPECT_NE(part.channel, 0u);
    for (float bin : part.fftSmooth) ASSERT_EQ(bin, 0.0f);
    const int64_t start = platform::ChannelGetPosition(part.channel);
    usleep(200000);
    EXPECT_GT(platform::ChannelGetPosition(part.channel), start);
}

TEST_F(PartLoad, WithNoFilesTheShowStillRunsOnTheClock)
{
    testing::internal::CaptureStdout();
    {
        InFolder here(dir.path());
        part.load();
    }
    const std::string out = testing::internal::GetCapturedStdout();
    EXPECT_NE(out.find("Adding.. 1\nParsedSize: 0\nAdding.. 1\nParsedSize: 0\nAdding.. 1\nParsedSize: 0\n"), std::string::npos) << out;
    EXPECT_TRUE(out.ends_with("0")) << out;
    EXPECT_EQ(part.sample, 0u);
    EXPECT_EQ(part.channel, 0u);
    EXPECT_TRUE(part.keyframes.times.empty());
    EXPECT_EQ(part.cloudPoints.size(), 10000u);
    EXPECT_EQ(part.textTexture.width, 1);  // the black stand-in picture

    ctrl._dt = 0.5f;
    part.ttime = 1.0f;
    part.update();
    EXPECT_EQ(part.ttime, static_cast<float>(1.0 + 0.97f * 0.5f));
    EXPECT_EQ(part.fftRaw[0], 0.0f);
}

TEST_F(PartLoad, FilesSavedWhileTheShowRunsAreTakenUpBeforeTheNextFrame)
{
    InFolder here(dir.path());
    testing::internal::CaptureStdout();
    part.load();
    // Nothing to build from: the overlay is told, once per distinct line.
    part.reloadChangedFiles();
    EXPECT_FALSE(ctrl._errors.empty());
    const std::vector<std::string> shown = ctrl._errors;
    part.reloadChangedFiles();
    EXPECT_EQ(ctrl._errors, shown);

    // The keyframes saved: the k0 track follows.
    fs::create_directories("newresources");
    writeText("newresources/Storage1.txt", "0 0.25\n5 0.75\n");
    part.reloadChangedFiles();
    EXPECT_EQ(part.keyframes.times, (std::vector<float>{0, 5}));
    part.ttime = 6.0f;
    EXPECT_EQ(part.keyframeValue(), 0.75f);

    // The shaders saved: every program builds, and the red lines go.
    fs::create_directories("shaders");
    writeText("shaders/v_trace.glsl", "void main()\n{\n    gl_Position = gl_Vertex;\n}\n");
    for (const char* name : {"f_thatch_intro", "f_final_intro", "f_final_intro2", "f_cloud"})
        writeText(std::string("shaders/") + name + ".glsl", "void main()\n{\n    gl_FragColor = vec4(1.0);\n}\n");
    part.reloadChangedFiles();
    EXPECT_TRUE(ctrl._errors.empty()) << ctrl._errors.front();
    const std::string out = testing::internal::GetCapturedStdout();
    EXPECT_NE(out.find("Part_Dancers::reloadChangedFiles() : newresources//Storage1.txt, 2 keyframes\n"),
              std::string::npos) << out;
    EXPECT_NE(out.find("TGLShader::ReloadIfChanged() : rebuilt shaders/f_cloud.glsl\n"), std::string::npos) << out;
}

}  // namespace
