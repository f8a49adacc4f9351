// Shader programs on the real GL: the loading report, byte for byte, and the
// uniform setters.
#include "render/Shader.h"
#include "render/Texture.h"
#include "tests/render/RenderTestSupport.h"
#include "tests/support/TestWindow.h"

#include <GL/glew.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <string>

namespace {

const std::string kRule(75, '=');

const char* const kVertexSource =
    "void main()\n"
    "{\n"
    "    gl_Position = gl_Vertex;\n"
    "}\n";
const char* const kFragmentSource =
    "uniform sampler2D picture;\n"
    "uniform float gain;\n"
    "void main()\n"
    "{\n"
    "    gl_FragColor = texture2D(picture, vec2(0.5)) * gain;\n"
    "}\n";
const char* const kBrokenSource =
    "void main()\n"
    "{\n"
    "    gl_FragColor = undeclared_name;\n"
    "}\n";

struct ShaderProgram : testing::Test {
    void SetUp() override { sharedTestWindow(); }
    ScratchDir dir;
    std::string vertexPath = dir.write("v_plain.glsl", kVertexSource);
    std::string fragmentPath = dir.write("f_picture.glsl", kFragmentSource);
    std::string brokenPath = dir.write("f_broken.glsl", kBrokenSource);

    std::string loadReport(TGLShader& shader, const std::string& vertex, const std::string& fragment)
    {
        return capturedStdout([&] { shader.Load(vertex, fragment); });
    }
};

std::string infoLog(GLuint shader)
{
    char buffer[3000] = {};
    glGetShaderInfoLog(shader, sizeof buffer, nullptr, buffer);
    return buffer;
}

// What the report shows of a fragment log: the lines that end with a line feed.
std::string completeLines(const std::string& log)
{
    return log.substr(0, log.rfind('\n') + 1);
}

GLint linkStatus(GLuint program)
{
    GLint status = GL_FALSE;
    glGetProgramiv(program, GL_LINK_STATUS, &status);
    return status;
}

TEST_F(ShaderProgram, CleanLoadReportsBannersAndLogsInTheirColours)
{
    for (const console::ColourMode mode : {console::ColourMode::Force, console::ColourMode::Off}) {
        ColourModeScope colour(mode);
        const bool on = mode == console::ColourMode::Force;
        TGLShader shader;
        const std::string report = loadReport(shader, vertexPath, fragmentPath);
        ASSERT_EQ(infoLog(shader.vertexShader), "");
        ASSERT_EQ(infoLog(shader.fragmentShader), "");
        EXPECT_EQ(report,
            (on ? kCyan : "") + "\n\n\nVertex loading: " + vertexPath + "\n" + kRule + "\n" +
            (on ? kWhite : "") + "\n" + "\n" +   // the empty vertex log and its line end
            (on ? kGreen : "") + "\nFragment loading: " + fragmentPath + "\n" + kRule + "\n" +
            (on ? kWhite : "") + "\n" +          // the empty fragment log has no lines
            (on ? kWhite : "") + "\n");
        EXPECT_EQ(linkStatus(shader.program), GL_TRUE);
        EXPECT_TRUE(glIsProgram(shader.program));
    }
}

TEST_F(ShaderProgram, FailedFragmentCompileTurnsTheReportRed)
{
    ColourModeScope colour(console::ColourMode::Force);
    TGLShader shader;
    const std::string report = loadReport(shader, vertexPath, brokenPath);
    const std::string log = infoLog(shader.fragmentShader);
    ASSERT_NE(log.find("error"), std::string::npos) << log;

    const std::string fragmentPart = kGreen + "\nFragment loading: " + brokenPath + "\n" + kRule + "\n";
    const size_t at = report.find(fragmentPart);
    ASSERT_NE(at, std::string::npos) << report;
    EXPECT_EQ(report.substr(at + fragmentPart.size()), kWhite + "\n" + kRed + "\n" + completeLines(log) + kWhite + "\n");
    // The program is still created and linked; it just does not link well.
    EXPECT_TRUE(glIsProgram(shader.program));
    EXPECT_EQ(linkStatus(shader.program), GL_FALSE);
}

TEST_F(ShaderProgram, QuietLoadStillTurnsRedOnAFailedCompile)
{
    for (const bool vertexFails : {false, true}) {
        TGLShader shader;
        shader.verbose = false;
        {
            ColourModeScope colour(console::ColourMode::Force);
            const std::string report = vertexFails ? loadReport(shader, brokenPath, fragmentPath)
                                                   : loadReport(shader, vertexPath, brokenPath);
            EXPECT_EQ(report, kRed + "\n") << (vertexFails ? "vertex" : "fragment");
        }
        ColourModeScope colour(console::ColourMode::Off);
        TGLShader again;
        again.verbose = false;
        EXPECT_EQ(loadReport(again, vertexPath, brokenPath), "\n");
        EXPECT_EQ(loadReport(again, vertexPath, fragmentPath), "");
    }
}

TEST_F(ShaderProgram, MissingSourceIsReportedAndTheLoadGoesOn)
{
    ColourModeScope colour(console::ColourMode::Off);
    TGLShader shader;
    shader.verbose = false;
    const std::string report = loadReport(shader, dir.path("absent.glsl"), fragmentPath);
    // Not found, then whatever the compiler says about the empty source.
    EXPECT_EQ(report.rfind("\nERROR FILE NOT FOUND !\n", 0), 0u) << report;
    EXPECT_TRUE(glIsProgram(shader.program));
}

TEST(ShaderLog, FragmentLogsPrintOnlyTheirCompleteLines)
{
    ColourModeScope colour(console::ColourMode::Force);
    TGLShader shader;
    const std::string log = "0(3) : error C0000: first\n0(4) : error C0001: second";
    // Vertex logs print whole; fragment logs drop the unterminated last line. A
    // line naming a source line writes cyan and red before it: no visible change.
    EXPECT_EQ(capturedStdout([&] { shader.PrintVertexLog(log); }),
              kWhite + "\n" + kRed + "\n" + log + "\n");
    EXPECT_EQ(capturedStdout([&] { shader.PrintFragmentLog(log); }),
              kWhite + "\n" + kRed + "\n" + kCyan + kRed + "0(3) : error C0000: first\n");
    EXPECT_EQ(capturedStdout([&] { shader.PrintFragmentLog("0:1(5): error: x\nwarning\n\n"); }),
              kWhite + "\n" + kRed + "\n0:1(5): error: x\nwarning\n\n");

    ColourModeScope off(console::ColourMode::Off);
    EXPECT_EQ(capturedStdout([&] { shader.PrintFragmentLog(log); }), "\n\n0(3) : error C0000: first\n");
}

TEST(ShaderLog, OnlyLowerCaseErrorCountsAsAFailure)
{
    ColourModeScope colour(console::ColourMode::Force);
    TGLShader shader;
    const std::string log = "ERROR: 0:1: 'x' : undeclared identifier\n";
    EXPECT_EQ(capturedStdout([&] { shader.PrintVertexLog(log); }), kWhite + "\n" + log + "\n");
    EXPECT_EQ(capturedStdout([&] { shader.PrintFragmentLog(log); }), kWhite + "\n" + log);
    shader.verbose = false;
    EXPECT_EQ(capturedStdout([&] { shader.PrintFragmentLog(log); }), "");
    EXPECT_EQ(capturedStdout([&] { shader.PrintFragmentLog("0:1(5): error: x\n"); }), kRed + "\n");
}

TEST(ShaderLog, AutomaticColourStaysOffWhenOutputIsNotATerminal)
{
    if (isatty(STDOUT_FILENO)) GTEST_SKIP() << "standard output is a terminal here";
    ColourModeScope colour(console::ColourMode::Auto);
    TGLShader shader;
    EXPECT_EQ(capturedStdout([&] { shader.PrintVertexLog("error\n"); }), "\n\nerror\n\n");
}

// Draws a quad over the whole window with the shader's program and reads the middle.
Pixel drawWith(const TGLShader& shader)
{
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    glViewport(0, 0, 64, 64);
    glDisable(GL_DEPTH_TEST);
    glUseProgram(shader.program);
    glBegin(GL_QUADS);
    glVertex2f(-1, -1);
    glVertex2f(1, -1);
    glVertex2f(1, 1);
    glVertex2f(-1, 1);
    glEnd();
    glUseProgram(0);
    glFinish();
    glReadBuffer(GL_BACK);
    return readPixel(32, 32);
}

TEST_F(ShaderProgram, SettersFeedTheProgramAndLeaveUnitZeroAndTheTextureMatrix)
{
    ColourModeScope colour(console::ColourMode::Off);
    TGLShader shader;
    shader.verbose = false;
    loadReport(shader, vertexPath, fragmentPath);

    TGLTexture picture;
    picture.CreateRGB(1, 1);
    const unsigned char orange[3] = {255, 128, 0};
    picture.Upload(orange);

    glMatrixMode(GL_MODELVIEW);
    glUseProgram(shader.program);
    shader.SetTexture(4, "picture", picture.texture);
    shader.SetFloat("gain", 1.0f);
    glUseProgram(0);

    GLint activeUnit = 0, matrixMode = 0, boundOnUnit4 = 0, samplerUnit = -1;
    glGetIntegerv(GL_ACTIVE_TEXTURE, &activeUnit);
    glGetIntegerv(GL_MATRIX_MODE, &matrixMode);
    EXPECT_EQ(activeUnit, GL_TEXTURE0);
    EXPECT_EQ(matrixMode, GL_TEXTURE);
    glActiveTexture(GL_TEXTURE4);
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &boundOnUnit4);
    glActiveTexture(GL_TEXTURE0);
    EXPECT_EQ(static_cast<GLuint>(boundOnUnit4), picture.texture);
    glGetUniformiv(shader.program, glGetUniformLocation(shader.program, "picture"), &samplerUnit);
    EXPECT_EQ(samplerUnit, 4);
    glMatrixMode(GL_MODELVIEW);

    Pixel p = drawWith(shader);
    EXPECT_EQ(p.r, 255);
    EXPECT_EQ(p.g, 128);
    EXPECT_EQ(p.b, 0);

    // A uniform the program lacks changes nothing and raises no GL error.
    while (glGetError() != GL_NO_ERROR) {}
    glUseProgram(shader.program);
    shader.SetFloat("gain", 0.5f);
    shader.SetFloat("absent", 3.0f);
    glUseProgram(0);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    p = drawWith(shader);
    EXPECT_NEAR(p.r, 128, 1);
    EXPECT_NEAR(p.g, 64, 1);
    EXPECT_EQ(p.b, 0);
}

}  // namespace

TEST_F(ShaderProgram, AChangedIncludeRebuildsAndABrokenOneLeavesTheRunningProgramSayingWhere)
{
    const auto includeText = [](const char* body) { return std::string("float gainOf(float g)\n{\n") + body + "\n}\n"; };
    const std::string include = dir.write("gain.glsl", includeText("    return g;"));
    const std::string fragment = dir.write(
        "f_gain.glsl", "uniform float gain;\n#include \"" + include + "\"\nvoid main()\n{\n    gl_FragColor = vec4(gainOf(gain));\n}\n");
    TGLShader shader;
    loadReport(shader, vertexPath, fragment);
    const GLuint first = shader.program;
    ASSERT_EQ(linkStatus(first), GL_TRUE);
    EXPECT_TRUE(shader.errorLines.empty());
    EXPECT_FALSE(shader.ReloadIfChanged()) << "nothing changed";

    // Broken on the include's third line: the running program stays, and the
    // error names that file and line.
    dir.write("gain.glsl", includeText("    return undeclared_name;"));
    std::string report = capturedStdout([&] { EXPECT_TRUE(shader.ReloadIfChanged()); });
    EXPECT_EQ(shader.program, first);
    EXPECT_TRUE(glIsProgram(first));
    ASSERT_FALSE(shader.errorLines.empty());
    EXPECT_EQ(shader.errorLines[0].rfind(include + ":3: ", 0), 0u) << shader.errorLines[0];
    EXPECT_NE(shader.errorLines[0].find("error"), std::string::npos) << shader.errorLines[0];
    EXPECT_NE(report.find("Fragment loading: " + fragment), std::string::npos) << "the usual report";
    EXPECT_NE(report.find(fragment + " does not build; the running program stays"), std::string::npos) << report;
    EXPECT_FALSE(shader.ReloadIfChanged()) << "a broken file is built once, not every frame";

    // Fixed: the new program takes over and the old one goes.
    dir.write("gain.glsl", includeText("    return g * 2.0;"));
    report = capturedStdout([&] { EXPECT_TRUE(shader.ReloadIfChanged()); });
    EXPECT_NE(shader.program, first);
    EXPECT_EQ(linkStatus(shader.program), GL_TRUE);
    EXPECT_FALSE(glIsProgram(first));
    EXPECT_TRUE(shader.errorLines.empty());
}
