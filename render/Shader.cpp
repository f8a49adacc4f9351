#include "render/Shader.h"

#include "render/ConsoleColour.h"

#include <algorithm>
#include <iostream>
#include <regex>
#include <sstream>

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

bool compiled(GLuint shader)
{
    GLint status = GL_FALSE;
    glGetShaderiv(shader, GL_COMPILE_STATUS, &status);
    return status == GL_TRUE;
}

bool linked(GLuint program)
{
    GLint status = GL_FALSE;
    glGetProgramiv(program, GL_LINK_STATUS, &status);
    return status == GL_TRUE;
}

std::string programLogOf(GLuint program)
{
    char buffer[kInfoLogCapacity] = {};
    GLsizei length = 0;
    glGetProgramInfoLog(program, kInfoLogCapacity, &length, buffer);
    return std::string(buffer, static_cast<size_t>(std::max<GLsizei>(length, 0)));
}

// "0:12(7): error ..." (Mesa) or "0(12) : error ..." (others) name a line of
// the expanded source: told as the file and line it came from.
std::string located(const std::string& line, const std::vector<TGLShader::SourceLine>& origins,
                    const std::string& where)
{
    static const std::regex kLocation(R"(^\s*\d+(?::(\d+)\(\d+\)|\((\d+)\))\s*:\s*(.*)$)");
    std::smatch match;
    if (std::regex_match(line, match, kLocation)) {
        const size_t number = std::stoul(match[1].matched ? match[1].str() : match[2].str());
        if (number >= 1 && number <= origins.size()) {
            const TGLShader::SourceLine& origin = origins[number - 1];
            return origin.file + ":" + std::to_string(origin.line) + ": " + match[3].str();
        }
    }
    return where + ": " + line;
}

// The lines of a failed step's log that name an error, or its first lines
// when none does; never empty, so a failure always shows.
std::vector<std::string> errorLinesOf(const std::string& log, const std::vector<TGLShader::SourceLine>& origins,
                                      const std::string& where)
{
    std::vector<std::string> lines, errors;
    std::istringstream in(log);
    for (std::string line; std::getline(in, line);) {
        if (line.find_first_not_of(" \t\r") == std::string::npos) continue;
        lines.push_back(located(line, origins, where));
        if (reportsError(line)) errors.push_back(lines.back());
    }
    std::vector<std::string>& chosen = errors.empty() ? lines : errors;
    if (chosen.empty()) chosen.push_back(where + ": failed without a report");
    if (chosen.size() > TGLShader::kMaxErrorLines) chosen.resize(TGLShader::kMaxErrorLines);
    return chosen;
}

// A line such as "0(12) : error ..." that names a line of the expanded source.
bool namesSourceLine(const std::string& line)
{
    return reportsError(line) && line.size() > 5 && line[0] == '0' && line[1] == '(';
}

}  // namespace

void TGLShader::Load(std::string vertexPath, std::string fragmentPath)
{
    vertexPath_ = std::move(vertexPath);
    fragmentPath_ = std::move(fragmentPath);
    // Compile and link status are not acted on: the logs are the report, and
    // the program is used whatever the outcome.
    const Build build = BuildProgram();
    vertexShader = build.vertexShader;
    fragmentShader = build.fragmentShader;
    program = build.program;
    errorLines = build.errorLines;
}

bool TGLShader::ReloadIfChanged()
{
    if (!sources.changed()) return false;
    Build build = BuildProgram();
    errorLines = build.errorLines;
    if (build.errorLines.empty()) {
        // The new program takes over.
        std::swap(vertexShader, build.vertexShader);
        std::swap(fragmentShader, build.fragmentShader);
        std::swap(program, build.program);
        std::cout << "TGLShader::ReloadIfChanged() : rebuilt " << fragmentPath_ << std::endl;
    } else {
        std::cout << console::brightRed << std::endl;
        std::cout << "TGLShader::ReloadIfChanged() : " << fragmentPath_
                  << " does not build; the running program stays" << std::endl;
        std::cout << console::white << std::endl;
    }
    // `build` now holds the objects that are not kept.
    glDeleteProgram(build.program);
    glDeleteShader(build.vertexShader);
    glDeleteShader(build.fragmentShader);
    return true;
}

TGLShader::Build TGLShader::BuildProgram()
{
    sources.clear();
    Build build;
    if (verbose) {
        std::cout << console::brightCyan << std::endl;
        std::cout << std::endl;
        std::cout << std::endl;
        std::cout << "Vertex loading: " << vertexPath_ << std::endl;
        std::cout << kRule << std::endl;
    }
    build.vertexShader = compileShader(GL_VERTEX_SHADER, LoadSource(vertexPath_));
    const std::vector<SourceLine> vertexOrigins = lineOrigins;
    const std::string vertexLog = infoLogOf(build.vertexShader);
    PrintVertexLog(vertexLog);

    if (verbose) {
        std::cout << console::brightGreen << std::endl;
        std::cout << "Fragment loading: " << fragmentPath_ << std::endl;
        std::cout << kRule << std::endl;
    }
    build.fragmentShader = compileShader(GL_FRAGMENT_SHADER, LoadSource(fragmentPath_));
    const std::string fragmentLog = infoLogOf(build.fragmentShader);
    PrintFragmentLog(fragmentLog);

    build.program = glCreateProgram();
    glAttachShader(build.program, build.fragmentShader);
    glAttachShader(build.program, build.vertexShader);
    glLinkProgram(build.program);

    if (verbose) std::cout << console::white << std::endl;

    // What the overlay shows: the first failing step's own words.
    if (!compiled(build.vertexShader))
        build.errorLines = errorLinesOf(vertexLog, vertexOrigins, vertexPath_);
    else if (!compiled(build.fragmentShader))
        build.errorLines = errorLinesOf(fragmentLog, lineOrigins, fragmentPath_);
    else if (!linked(build.program))
        build.errorLines = errorLinesOf(programLogOf(build.program), {}, fragmentPath_ + " with " + vertexPath_);
    return build;
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
