// The part's render on the real GL with shader sources of the test's own:
// what reaches the window, which inputs each pass gets, where the dancers
// stand and which points a dancer takes from the one before.
#include "app/TDemoApp.h"
#include "parts/dancers/Part_Dancers.h"
#include "tests/show/AllocationCounter.h"
#include "tests/show/ShowTestSupport.h"
#include "tests/support/TestWindow.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>
#include <new>
#include <string>

namespace {

constexpr int kWidth = 160;
constexpr int kHeight = 120;
constexpr float kCloseup = 105.0f;  // one dancer of slot 1 at the origin, every point

const char* const kVertex = R"(#version 130
out vec2 uv;
out vec3 colour;
void main() { gl_Position = ftransform(); uv = gl_MultiTexCoord0.xy; colour = gl_Color.rgb; }
)";

// The scene in its own colour on output 0 and pure green on output 1.
const char* const kCloud = R"(#version 130
in vec3 colour;
void main() { gl_FragData[0] = vec4(colour, 1.0); gl_FragData[1] = vec4(0.0, 1.0, 0.0, 1.0); }
)";

std::string pass(const std::string& body)
{
    return "#version 130\nuniform sampler2D texture2d;\nuniform sampler2D texture2ddepth;\n"
           "uniform sampler2D texture2d2;\nuniform float k0;\nuniform float ttime;\nin vec2 uv;\n"
           "void main() { " + body + " }\n";
}

const std::string kCopy = pass("gl_FragColor = texture(texture2d, uv);");

struct PartRender : testing::Test {
    void SetUp() override
    {
        TGLWindow& window = sharedTestWindow(kWidth, kHeight);
        app = std::make_unique<TDemoApp>();
        app->window.width = window.width;
        app->window.height = window.height;
        app->sceneTarget().Create(kWidth, kHeight, 4);
        app->controls._k0 = -1.0f;

        // Zeroed storage, as the player builds its part.
        void* storage = ::operator new(sizeof(Part_Dancers));
        std::memset(storage, 0, sizeof(Part_Dancers));
        part = new (storage) Part_Dancers();
        part->app = app.get();
        part->ctrl = &app->controls;
        part->sequences[1].frames.resize(1);
        // A small square of points around model height 0.667 (world 0.2).
        for (int i = 0; i < 100; ++i) {
            DancePoint p;
            p.colour = 0x0000FF00u;
            p.position[0] = static_cast<float>(i % 10 - 5) * 0.01f;
            p.position[1] = 0.667f + static_cast<float>(i / 10 - 5) * 0.01f;
            part->sequences[1].frames[0].points.push_back(p);
        }
    }
    void TearDown() override
    {
        part->~Part_Dancers();
        ::operator delete(part);
    }

    void loadPrograms(const std::string& pass1, const std::string& pass2, const std::string& pass3)
    {
        folder.write("shaders/v_trace.glsl", kVertex);
        folder.write("shaders/f_cloud.glsl", kCloud);
        folder.write("shaders/f_thatch_intro.glsl", pass1);
        folder.write("shaders/f_final_intro.glsl", pass2);
        folder.write("shaders/f_final_intro2.glsl", pass3);
        for (TGLShader* shader : {&part->progThatch, &part->progFinal, &part->progFinal2, &part->progCloud})
            shader->verbose = false;
        part->loadShaderPrograms();
    }

    void renderAt(float t)
    {
        part->ttime = t;
        part->render();
        ResetGLState();
    }

    // Where the middle of the dancer's square lands in the window.
    Pixel dancerPixel()
    {
        const LookAt look = cameraFor(part->ttime, -1.0f, part->closeupStart, part->closeupEnd);
        const Point3 at = projectToWindow(look, kWidth, kHeight, {0.0f, 0.2f, 0.0f});
        glBindFramebuffer(GL_READ_FRAMEBUFFER, 0);
        glReadBuffer(GL_BACK);
        return readPixel(static_cast<int>(at[0]), static_cast<int>(at[1]));
    }

    Pixel windowPixel(int x, int y)
    {
        glBindFramebuffer(GL_READ_FRAMEBUFFER, 0);
        glReadBuffer(GL_BACK);
        return readPixel(x, y);
    }

    WorkingFolder folder;
    std::unique_ptr<TDemoApp> app;
    Part_Dancers* part = nullptr;
};

TEST_F(PartRender, PassesThatCopyShowTheSceneWithTheDancerInRed)
{
    loadPrograms(kCopy, kCopy, kCopy);
    renderAt(kCloseup);

    const Pixel dancer = dancerPixel();
    EXPECT_GT(dancer.r, 200);
    EXPECT_LT(dancer.g, 30);
    EXPECT_LT(dancer.b, 30);
    const Pixel corner = windowPixel(2, 2);
    EXPECT_EQ(corner.r, 0);

    // Drawn at a third of its size whatever the scale was before: model
    // (0.05, 0.667 + 0.05) turned by -168.66 degrees, then scaled by 0.3.
    EXPECT_EQ(part->dancerScale, 0.3f);
    ASSERT_EQ(part->prevPoints.size(), 100u);
    const double a = -168.66 * 3.14159265358979 / 180.0;
    const Point3 last = part->prevPoints.back();
    EXPECT_NEAR(last[0], 0.3 * 0.04 * std::cos(a), 1e-5);
    EXPECT_NEAR(last[1], 0.3 * (0.667 + 0.04), 1e-5);
    EXPECT_NEAR(last[2], -0.3 * 0.04 * std::sin(a), 1e-5);
}

TEST_F(PartRender, OnlyTheLastPassReachesTheWindowAndEachPassReadsTheOneBefore)
{
    // Pass 1 makes 0.2 red, pass 2 adds 0.3 green, pass 3 adds 0.4 blue.
    loadPrograms(pass("gl_FragColor = vec4(0.2, 0.0, 0.0, 1.0);"),
                 pass("gl_FragColor = texture(texture2d, uv) + vec4(0.0, 0.3, 0.0, 0.0);"),
                 pass("gl_FragColor = texture(texture2d, uv) + vec4(0.0, 0.0, 0.4, 0.0);"));
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    glClearColor(0, 1, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    renderAt(kCloseup);

    for (const auto& [x, y] : {std::pair{0, 0}, {kWidth - 1, kHeight - 1}, {kWidth / 2, kHeight / 2}, {5, kHeight - 3}}) {
        const Pixel p = windowPixel(x, y);
        EXPECT_NEAR(p.r, 51, 1) << x << "," << y;
        EXPECT_NEAR(p.g, 77, 1) << x << "," << y;
        EXPECT_NEAR(p.b, 102, 1) << x << "," << y;
    }
}

TEST_F(PartRender, TheLastPassSeesTheKeyframeTheGlowAndTheDepth)
{
    part->keyframes.times = {0.0f, 100.0f};
    part->keyframes.values = {0.25f, 0.5f};
    loadPrograms(kCopy, kCopy,
                 pass("gl_FragColor = vec4(k0, texture(texture2d2, uv).g, "
                      "texture(texture2ddepth, uv).r < 1.0 ? 1.0 : 0.0, 1.0);"));
    renderAt(kCloseup);

    const Pixel dancer = dancerPixel();
    EXPECT_NEAR(dancer.r, 128, 1);
    EXPECT_EQ(dancer.g, 255);
    EXPECT_EQ(dancer.b, 255);
    const Pixel corner = windowPixel(2, 2);
    EXPECT_NEAR(corner.r, 128, 1);
    EXPECT_EQ(corner.g, 0);
    EXPECT_EQ(corner.b, 0);
}

TEST_F(PartRender, NoDancerOnTheBoundaryNorWithTheClockBeforeTheStart)
{
    loadPrograms(kCopy, kCopy, kCopy);
    part->sequences[0] = part->sequences[1];
    part->sequences[2] = part->sequences[1];
    for (float t : {33.8f, 67.9f, 110.0f, -100.0f}) {
        renderAt(t);
        EXPECT_TRUE(part->prevPoints.empty()) << t;
    }
    // Slot 0 shows from the start (its frame position is positive at 0 s).
    renderAt(8.0f);
    EXPECT_FALSE(part->prevPoints.empty());
}

TEST_F(PartRender, ADancerTakesPointsOfTheOneDrawnBefore)
{
    loadPrograms(kCopy, kCopy, kCopy);
    app->sceneTarget().BindForDrawing(2);
    part->ttime = 100.0f;
    part->dancerScale = 0.3f;
    part->prevPoints.clear();
    const float left[3] = {-1, 0, 0};
    const float right[3] = {1, 0, 0};
    part->drawDancer(1, 1.0f, 1.0f, 0.0f, left, 0.0f);
    const std::vector<Point3> first = part->prevPoints;
    ASSERT_EQ(first.size(), 100u);

    part->drawDancer(1, 1.0f, 1.0f, 0.0f, right, 0.0f);
    // Point 0 of the second dancer jumped onto one of the first's points ...
    const Point3 jumped = part->dancerLists.displaced[0];
    EXPECT_NE(std::find(first.begin(), first.end(), jumped), first.end());
    // ... and the second's own points are now there for the next dancer.
    ASSERT_EQ(part->prevPoints.size(), 100u);
    EXPECT_NEAR(part->prevPoints[0][0], first[0][0] + 2.0f, 1e-5f);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
}

TEST_F(PartRender, AFrameAllocatesNothingOnceWarm)
{
    loadPrograms(kCopy, kCopy, kCopy);
    part->sequences[0] = part->sequences[1];
    part->sequences[2] = part->sequences[1];
    // Every window once to grow the buffers, then every window again, counted.
    const float times[] = {10.0f, 25.0f, 42.0f, 60.0f, 80.0f, 105.0f, 120.0f, 140.0f};
    for (float t : times) renderAt(t);
    for (float t : times) {
        part->ttime = t + 0.5f;
        CountAllocations counter;
        part->render();
        EXPECT_EQ(counter.made(), 0u) << t;
    }
    ResetGLState();
}

}  // namespace
