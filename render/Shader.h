#pragma once
// A GLSL program built from a vertex and a fragment source file. Sources pass
// through a small line preprocessor (#include, #replace) and the compile logs
// are printed to standard output in colour.
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

    // The expanded text of the file at `path`, every line ending with a line feed;
    // empty (after a message) when the file cannot be opened.
    std::string LoadSource(std::string path);
    // Compiles both files (full paths, extension included) and links the program.
    void Load(std::string vertexPath, std::string fragmentPath);
    // Uniform setters for the program the caller has made current.
    void SetFloat(std::string name, float value);
    // Binds `texture` to `unit`, points the sampler at it; leaves unit 0 active and
    // the texture matrix as the current matrix mode.
    void SetTexture(int unit, std::string name, GLuint texture);

    // The report lines for one compile log, as printed after each compile.
    void PrintVertexLog(const std::string& log) const;
    void PrintFragmentLog(const std::string& log) const;

private:
    // `openFiles` holds the files being expanded, outermost first.
    std::string ExpandSource(const std::string& path, std::vector<std::string>& openFiles) const;
    void CompileVertex(const std::string& path);
    void CompileFragment(const std::string& path);
};

// The shader source file extension; shader names are written without it.
inline constexpr const char* kShaderExtension = ".glsl";
