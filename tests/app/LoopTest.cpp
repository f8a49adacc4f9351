#include "app/TDemoApp.h"
#include "parts/Part.h"
#include "tests/support/TestWindow.h"

#include <GL/glew.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

bool isIdentity(GLenum matrix)
{
    GLfloat m[16];
    glGetFloatv(matrix, m);
    for (int i = 0; i < 16; ++i)
        if (m[i] != ((i % 5 == 0) ? 1.0f : 0.0f)) return false;
    return true;
}

// What a part sees of the GL state when its update starts.
struct StateSeen {
    GLint framebuffer, program, matrixMode;
    bool identity, texture2d, blend, depthTest, cullFace;
};

StateSeen currentState()
{
    StateSeen s{};
    glGetIntegerv(GL_FRAMEBUFFER_BINDING, &s.framebuffer);
    glGetIntegerv(GL_CURRENT_PROGRAM, &s.program);
    glGetIntegerv(GL_MATRIX_MODE, &s.matrixMode);
    s.identity = isIdentity(GL_MODELVIEW_MATRIX) && isIdentity(GL_PROJECTION_MATRIX) && isIdentity(GL_TEXTURE_MATRIX);
    s.texture2d = glIsEnabled(GL_TEXTURE_2D);
    s.blend = glIsEnabled(GL_BLEND);
    s.depthTest = glIsEnabled(GL_DEPTH_TEST);
    s.cullFace = glIsEnabled(GL_CULL_FACE);
    return s;
}

// A part that records its calls and leaves the GL state dirty after drawing.
struct RecordingPart : Part {
    RecordingPart(std::string name, std::vector<std::string>& log, GLuint program, GLuint framebuffer)
        : name(std::move(name)), log(log), program(program), framebuffer(framebuffer) {}
    std::string name;
    std::vector<std::string>& log;
    GLuint program, framebuffer;
    std::vector<TDemoApp*> appsSeen;
    std::vector<TLiveControls*> ctrlsSeen;
    std::vector<StateSeen> statesSeen;

    void load() override { log.push_back(name + ".load"); }
    void update() override
    {
        log.push_back(name + ".update");
        appsSeen.push_back(app);
        ctrlsSeen.push_back(ctrl);
        statesSeen.push_back(currentState());
    }
    void render() override
    {
        log.push_back(name + ".render");
        glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);
        glUseProgram(program);
        glMatrixMode(GL_PROJECTION);
        glTranslatef(1, 2, 3);
        glMatrixMode(GL_TEXTURE);
        glScalef(2, 2, 2);
        glEnable(GL_TEXTURE_2D);
        glEnable(GL_BLEND);
        glEnable(GL_DEPTH_TEST);
        glEnable(GL_CULL_FACE);
    }
};

GLuint makeProgram()
{
    const char* source = "void main() { gl_FragColor = vec4(1.0); }";
    GLuint shader = glCreateShader(GL_FRAGMENT_SHADER);
    glShaderSource(shader, 1, &source, nullptr);
    glCompileShader(shader);
    GLuint program = glCreateProgram();
    glAttachShader(program, shader);
    glLinkProgram(program);
    return program;
}

}  // namespace

TEST(Loop, PartsRunInListOrderWithTheirContextAndACleanGLStateEachTime)
{
    TDemoApp app;
    app.window = sharedTestWindow();
    const GLuint program = makeProgram();
    GLuint framebuffer = 0;
    glGenFramebuffers(1, &framebuffer);

    std::vector<std::string> log;
    RecordingPart first("first", log, program, framebuffer);
    RecordingPart second("second", log, program, framebuffer);
    app.parts = {&first, &second};

    app.Start();  // no camera file, no MIDI service: both are reported and skipped
    app.RunFrame();
    app.RunFrame();

    const std::vector<std::string> expected = {
        "first.load", "second.load",
        "first.update", "first.render", "second.update", "second.render",
        "first.update", "first.render", "second.update", "second.render"};
    EXPECT_EQ(log, expected);

    for (RecordingPart* part : {&first, &second}) {
        ASSERT_EQ(part->appsSeen.size(), 2u);
        for (size_t i = 0; i < 2; ++i) {
            EXPECT_EQ(part->appsSeen[i], &app);
            EXPECT_EQ(part->ctrlsSeen[i], &app.controls);
            const StateSeen& s = part->statesSeen[i];
            EXPECT_EQ(s.framebuffer, 0);
            EXPECT_EQ(s.program, 0);
            EXPECT_EQ(s.matrixMode, GL_MODELVIEW);
            EXPECT_TRUE(s.identity);
            EXPECT_FALSE(s.texture2d);
            EXPECT_FALSE(s.blend);
            EXPECT_FALSE(s.depthTest);
            EXPECT_FALSE(s.cullFace);
        }
    }
    // The controller block is wired to the app's controller by Start.
    EXPECT_EQ(app.controls._nano, &app.nano_kontrol2);
    // The scene target is full size with four samples.
    EXPECT_EQ(app.sceneTarget().width, app.window.width);
    EXPECT_EQ(app.renderTargets[TDemoApp::kQuarter].width, app.window.width / 4);
}

TEST(Loop, AFreshPartStartsWithItsClockAtRest)
{
    struct Empty : Part {
        void render() override {}
        void update() override {}
        void load() override {}
    } part;
    EXPECT_EQ(part.speed, 1.0f);
    EXPECT_EQ(part.ttime, 0.0f);
    EXPECT_EQ(part.timeStep, 0.0f);
    EXPECT_EQ(part.app, nullptr);
    EXPECT_EQ(part.ctrl, nullptr);
}
