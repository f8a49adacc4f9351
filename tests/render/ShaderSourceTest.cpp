// The shader source preprocessor, on real files.
#include "render/Shader.h"
#include "tests/render/RenderTestSupport.h"

#include <gtest/gtest.h>

#include <string>

namespace {

const std::string kNotFound = "\nERROR FILE NOT FOUND !\n";  // with colour off

struct ShaderSource : testing::Test {
    ScratchDir dir;
    TGLShader shader;
    ColourModeScope colour{console::ColourMode::Off};

    // Expands `path`, returning the text and filling `output` with what was printed.
    std::string load(const std::string& path, std::string& output)
    {
        std::string text;
        output = capturedStdout([&] { text = shader.LoadSource(path); });
        return text;
    }
    std::string loadQuietly(const std::string& path)
    {
        std::string output;
        std::string text = load(path, output);
        EXPECT_EQ(output, "");
        return text;
    }
};

TEST_F(ShaderSource, EveryLineEndsWithOneLineFeed)
{
    EXPECT_EQ(loadQuietly(dir.write("abc.glsl", "a\nb\nc")), "a\nb\nc\n");
    EXPECT_EQ(loadQuietly(dir.write("abc_lf.glsl", "a\nb\nc\n")), "a\nb\nc\n");
    EXPECT_EQ(loadQuietly(dir.write("empty.glsl", "")), "");
    EXPECT_EQ(loadQuietly(dir.write("blank.glsl", "\n\n")), "\n\n");
    // Line ends written as CR LF read as plain line ends.
    EXPECT_EQ(loadQuietly(dir.write("crlf.glsl", "a\r\n\t\tfloat x = 1.0;\r\nb")), "a\nfloat x = 1.0;\nb\n");
}

TEST_F(ShaderSource, LongLinesLoseTabsAndIndentationShortLinesStayAsRead)
{
    const std::string text = loadQuietly(dir.write("indent.glsl",
        "\t\tx = a + b;\n"           // 12 characters: indentation goes
        "\tx;\n"                     // 3 characters: kept, tab included
        "    int a;\n"               // exactly 10: indentation goes
        "    int;\n"                 // 8: kept
        "  \t vec3 p\tq;  \n"        // inner tab becomes a space, trailing spaces stay
        "void main() {}\n"));
    EXPECT_EQ(text,
        "x = a + b;\n"
        "\tx;\n"
        "int a;\n"
        "    int;\n"
        "vec3 p q;  \n"
        "void main() {}\n");
}

TEST_F(ShaderSource, IncludeSplicesTheFileFollowedByAnEmptyLine)
{
    const std::string lib = dir.write("lib.glsl", "float lib();\nfloat lib2();");
    const std::string main = dir.write("main.glsl",
        "first line\n"
        "    #include \"" + lib + "\"\n"      // indented, quoted
        "#include " + lib + "\n"              // unquoted
        "\t#include\t" + lib + "\n"           // tabs around the directive
        "#include " + lib + " // the library\n"  // a comment after the path
        "last line");
    const std::string libText = "float lib();\nfloat lib2();\n";
    EXPECT_EQ(loadQuietly(main), "first line\n" + libText + "\n" + libText + "\n" + libText + "\n" + libText + "\n" + "last line\n");
}

TEST_F(ShaderSource, DirectiveLookalikesReachTheCompilerUnchanged)
{
    const std::string lib = dir.write("lib.glsl", "LIB");
    const std::string text = loadQuietly(dir.write("main.glsl",
        "#include\n"                     // the word alone, 8 characters
        "#Include " + lib + "\n"         // case matters
        "#includes " + lib + "\n"
        "# include " + lib + "\n"));
    EXPECT_EQ(text,
        "#include\n"
        "#Include " + lib + "\n"
        "#includes " + lib + "\n"
        "# include " + lib + "\n");
}

TEST_F(ShaderSource, MissingFilesPrintTheMessageAndGiveEmptyText)
{
    std::string output;
    EXPECT_EQ(load(dir.path("absent.glsl"), output), "");
    EXPECT_EQ(output, kNotFound);

    // A missing include, and two spaces after the directive (the empty path),
    // each leave one empty line and one message.
    const std::string main = dir.write("main.glsl",
        "a\n"
        "#include " + dir.path("absent.glsl") + "\n"
        "#include  " + dir.path("absent.glsl") + "\n"
        "#include " + dir.path("") + "\n"   // a folder is not a source file
        "b\n");
    EXPECT_EQ(load(main, output), "a\n\n\n\nb\n");
    EXPECT_EQ(output, kNotFound + kNotFound + kNotFound);
}

TEST_F(ShaderSource, MissingFileTurnsTheConsoleRed)
{
    ColourModeScope forced(console::ColourMode::Force);
    std::string output;
    load(dir.path("absent.glsl"), output);
    EXPECT_EQ(output, kRed + "\nERROR FILE NOT FOUND !\n");
}

TEST_F(ShaderSource, ReplaceSwapsTheLineForTheTableEntry)
{
    shader.replacements["LIGHTS"] = "const int lights = 4;";
    shader.replacements[""] = "empty key";
    const std::string lib = dir.write("lib.glsl", "  #replace LIGHTS\n");
    const std::string text = loadQuietly(dir.write("main.glsl",
        "#replace LIGHTS\n"
        "\t#replace LIGHTS // comment\n"
        "#replace lights\n"          // keys are case-sensitive
        "#replace ABSENT\n"
        "#replace  LIGHTS\n"         // two spaces: the empty key
        "#include " + lib + "\n"));  // included files use the same table
    EXPECT_EQ(text,
        "const int lights = 4;\n"
        "const int lights = 4;\n"
        " \n"
        " \n"
        "empty key\n"
        "const int lights = 4;\n\n");
    EXPECT_EQ(shader.replacements.size(), 2u);

    TGLShader plain;
    EXPECT_EQ(plain.LoadSource(dir.path("main.glsl")), " \n \n \n \n \n \n\n");
}

TEST_F(ShaderSource, IncludePathsAreTakenFromTheWorkingDirectory)
{
    dir.write("shaders/common.glsl", "COMMON");
    dir.write("shaders/inner.glsl", "#include shaders/common.glsl\nINNER");
    dir.write("shaders/outer.glsl", "#include \"shaders/inner.glsl\"\nOUTER");
    // Resolved against the working directory, not against the including file.
    dir.write("shaders/shaders/common.glsl", "WRONG");

    const std::filesystem::path previous = std::filesystem::current_path();
    std::filesystem::current_path(dir.root());
    const std::string text = loadQuietly("shaders/outer.glsl");
    std::filesystem::current_path(previous);
    EXPECT_EQ(text, "COMMON\n\nINNER\n\nOUTER\n");
}

TEST_F(ShaderSource, IncludeCyclesAreRefusedWithOneMessageNamingTheFile)
{
    const std::string self = dir.path("self.glsl");
    dir.write("self.glsl", "A\n#include " + self + "\n#include " + self + "\nB");
    std::string output;
    EXPECT_EQ(load(self, output), "A\n\n\nB\n");
    const std::string refusal = "\nTGLShader::LoadSource() : include cycle, not including " + self + "\n";
    EXPECT_EQ(output, refusal + refusal);

    // Through another file, which names the first by another spelling.
    const std::string a = dir.write("a.glsl", "A1\n#include " + dir.path("b.glsl") + "\nA2");
    const std::string aSpelling = dir.path("sub/../a.glsl");
    dir.write("sub/keep", "");
    dir.write("b.glsl", "B1\n#include \"" + aSpelling + "\"\nB2");
    EXPECT_EQ(load(a, output), "A1\nB1\n\nB2\n\nA2\n");
    EXPECT_EQ(output, "\nTGLShader::LoadSource() : include cycle, not including " + aSpelling + "\n");
}

TEST_F(ShaderSource, DeepIncludeChainsStopAtTheDepthLimit)
{
    // f0 includes f1 includes f2 ... ; every file is distinct, so only the depth
    // limit stops the chain. File i holds the line "F<i>".
    auto numbered = [](const char* before, int i, const char* after) {
        std::string text = before;
        text += std::to_string(i);
        text += after;
        return text;
    };
    auto fileName = [&](int i) { return numbered("f", i, ".glsl"); };
    auto marker = [&](int i) { return numbered("F", i, "\n"); };
    const int files = TGLShader::kMaxIncludeDepth + 5;
    for (int i = 0; i < files; ++i)
        dir.write(fileName(i), marker(i) + "#include " + dir.path(fileName(i + 1)));
    std::string output;
    const std::string text = load(dir.path(fileName(0)), output);

    const int deepest = TGLShader::kMaxIncludeDepth;  // f0 plus 32 nested files
    EXPECT_NE(text.find(marker(deepest)), std::string::npos);
    EXPECT_EQ(text.find(marker(deepest + 1)), std::string::npos);
    EXPECT_EQ(output, "\nTGLShader::LoadSource() : includes nested too deep, not including " +
                          dir.path(fileName(deepest + 1)) + "\n");
}

}  // namespace
