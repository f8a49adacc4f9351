#include "render/Shader.h"

#include "render/ConsoleColour.h"

#include <algorithm>
#include <iostream>

namespace {

const char* const kRule = "===========================================================================";

// Longer logs are cut by the GL; the report only needs their start.
constexpr GLsizei kInfoLogCapacity = 3000;

GLuint compileShader(GLenum kind, const std::string& source)
{
    const GLuint shader = glCreateShader(kind);
    const GLchar* text = source.c_str();
    glShaderSource(shader, 1, &text, nullptr);
    glCompileShader(shader);
    return shader;
}

std::string infoLogOf(GLuint shader)
{
    char buffer[kInfoLogCapacity] = {};
    GLsizei length = 0;
    glGetShaderInfoLog(shader, kInfoLogCapacity, &length, buffer);
    return std::string(buffer, static_cast<size_t>(std::max<GLsizei>(length, 0)));
}

// Case matters: a log saying only "ERROR" is not taken for a failed compile.
bool reportsError(const std::string& text)
{
    return text.find("error") != std::string::npos;
}

// A line such as "0(12) : error ..." that names a line of the expanded source.
bool namesSourceLine(const std::string& line)
{
    return reportsError(line) && line.size() > 5 && line[0] == '0' && line[1] == '(';
}

}  // namespace

void TGLShader::Load(std::string vertexPath, std::string fragmentPath)
{
    if (verbose) {
        std::cout << console::brightCyan << std::endl;
        std::cout << std::endl;
        std::cout << std::endl;
        std::cout << "Vertex loading: " << vertexPath << std::endl;
        std::cout << kRule << std::endl;
    }
    CompileVertex(vertexPath);

    if (verbose) {
        std::cout << console::brightGreen << std::endl;
        std::cout << "Fragment loading: " << fragmentPath << std::endl;
        std::cout << kRule << std::endl;
    }
    CompileFragment(fragmentPath);

    // Compile and link status are not acted on: the logs above are the report,
    // and the program is used whatever the outcome.
    program = glCreateProgram();
    glAttachShader(program, fragmentShader);
    glAttachShader(program, vertexShader);
    glLinkProgram(program);

    if (verbose) std::cout << console::white << std::endl;
}

void TGLShader::CompileVertex(const std::string& path)
{
    vertexShader = compileShader(GL_VERTEX_SHADER, LoadSource(path));
    PrintVertexLog(infoLogOf(vertexShader));
}

void TGLShader::CompileFragment(const std::string& path)
{
    fragmentShader = compileShader(GL_FRAGMENT_SHADER, LoadSource(path));
    PrintFragmentLog(infoLogOf(fragmentShader));
}

void TGLShader::PrintVertexLog(const std::string& log) const
{
    if (verbose) std::cout << console::white << std::endl;
    if (reportsError(log)) std::cout << console::brightRed << std::endl;
    if (verbose) std::cout << log << std::endl;
}

void TGLShader::PrintFragmentLog(const std::string& log) const
{
    if (verbose) std::cout << console::white << std::endl;
    if (reportsError(log)) std::cout << console::brightRed << std::endl;
    if (!verbose) return;

    // Only lines ended by a line feed are printed; a trailing piece is dropped.
    size_t start = 0;
    for (size_t end = log.find('\n'); end != std::string::npos; end = log.find('\n', start)) {
        const std::string line = log.substr(start, end - start);
        if (namesSourceLine(line)) std::cout << console::brightCyan << console::brightRed;
        std::cout << line << std::endl;
        start = end + 1;
    }
}

void TGLShader::SetFloat(std::string name, float value)
{
    glUniform1f(glGetUniformLocation(program, name.c_str()), value);
}

void TGLShader::SetTexture(int unit, std::string name, GLuint texture)
{
    const GLint location = glGetUniformLocation(program, name.c_str());
    glActiveTexture(GL_TEXTURE0 + static_cast<GLenum>(unit));
    glBindTexture(GL_TEXTURE_2D, texture);
    glUniform1i(location, unit);
    glMatrixMode(GL_TEXTURE);
    glActiveTexture(GL_TEXTURE0);
}
