#pragma once
// A GLSL program built from a vertex and a fragment source file. Sources pass
// through a small line preprocessor (#include, #replace) and the compile logs
// are printed to standard output in colour.
#include "platform/FileWatch.h"

#include <GL/glew.h>

#include <map>
#include <string>
#include <vector>

struct TGLShader {
    // Key table for "#replace KEY" lines; a key that is not here gives " ".
    std::map<std::string, std::string> replacements;
    GLuint fragmentShader = 0;
    GLuint vertexShader = 0;
    GLuint program = 0;
    // Banners and compile logs; a log with "error" turns the console red anyway.
    bool verbose = true;

    // Includes nested deeper than this are refused (a guard beside the cycle check).
    static constexpr int kMaxIncludeDepth = 32;
    // At most this many lines of a failed build are kept for the overlay.
    static constexpr size_t kMaxErrorLines = 3;

    // The source files of the latest build: both files and every file they
    // include, each as it was when read.
    platform::WatchedFiles sources;
    // The first lines of the latest build's report that say what is wrong,
    // each led by the file and line it concerns; empty when it compiled and
    // linked.
    std::vector<std::string> errorLines;

    // Where each line of the latest expanded source came from.
    struct SourceLine {
        std::string file;
        int line = 0;  // from 1
    };
    std::vector<SourceLine> lineOrigins;

    // The expanded text of the file at `path`, every line ending with a line feed;
    // empty (after a message) when the file cannot be opened.
    std::string LoadSource(std::string path);
    // Compiles both files (full paths, extension included) and links the program.
    void Load(std::string vertexPath, std::string fragmentPath);
    // Builds the program again, with the same report, when a file of the
    // latest build changed on disk. A build that compiles and links replaces
    // the running program; one that does not leaves it running. True when a
    // build was made.
    bool ReloadIfChanged();
    // Uniform setters for the program the caller has made current.
    void SetFloat(std::string name, float value);
    // Binds `texture` to `unit`, points the sampler at it; leaves unit 0 active and
    // the texture matrix as the current matrix mode.
    void SetTexture(int unit, std::string name, GLuint texture);

    // The report lines for one compile log, as printed after each compile.
    void PrintVertexLog(const std::string& log) const;
    void PrintFragmentLog(const std::string& log) const;

private:
    struct Build {
        GLuint vertexShader = 0, fragmentShader = 0, program = 0;
        std::vector<std::string> errorLines;
    };
    // Compiles, links and prints the loading report; notes the files read.
    Build BuildProgram();
    // `openFiles` holds the files being expanded, outermost first.
    std::string ExpandSource(const std::string& path, std::vector<std::string>& openFiles);

    std::string vertexPath_, fragmentPath_;
};

// The shader source file extension; shader names are written without it.
inline constexpr const char* kShaderExtension = ".glsl";
