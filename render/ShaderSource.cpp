// The shader source preprocessor: "#include FILE" splices another file in place
// of the line, "#replace KEY" swaps the line for the text stored under KEY.
#include "render/ConsoleColour.h"
#include "render/Shader.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iostream>

namespace {

// Lines shorter than this are kept exactly as read and are never directives.
constexpr size_t kMinDirectiveLineLength = 10;

// Tabs become spaces and the indentation goes; trailing spaces stay.
std::string normaliseLine(std::string line)
{
    std::replace(line.begin(), line.end(), '\t', ' ');
    line.erase(0, line.find_first_not_of(' '));
    return line;
}

// The first two space-separated tokens. Every space ends a token (two spaces
// give an empty one); text after the last space is a token only if not empty.
std::vector<std::string> firstTwoTokens(const std::string& line)
{
    std::vector<std::string> tokens;
    size_t start = 0;
    while (tokens.size() < 2 && start < line.size()) {
        const size_t space = line.find(' ', start);
        if (space == std::string::npos) {
            tokens.push_back(line.substr(start));
            break;
        }
        tokens.push_back(line.substr(start, space - start));
        start = space + 1;
    }
    return tokens;
}

// The same file reached by another spelling of its path is still the same file.
std::string identityOf(const std::string& path)
{
    std::error_code error;
    const std::filesystem::path canonical = std::filesystem::weakly_canonical(path, error);
    return error ? path : canonical.string();
}

void reportRefusedInclude(const std::string& path, const char* why)
{
    std::cout << console::brightRed << std::endl;
    std::cout << "TGLShader::LoadSource() : " << why << ", not including " << path << std::endl;
}

}  // namespace

std::string TGLShader::LoadSource(std::string path)
{
    std::vector<std::string> openFiles;
    lineOrigins.clear();
    return ExpandSource(path, openFiles);
}

std::string TGLShader::ExpandSource(const std::string& path, std::vector<std::string>& openFiles)
{
    const std::string identity = identityOf(path);
    if (std::find(openFiles.begin(), openFiles.end(), identity) != openFiles.end()) {
        reportRefusedInclude(path, "include cycle");
        return {};
    }
    if (openFiles.size() > static_cast<size_t>(kMaxIncludeDepth)) {
        reportRefusedInclude(path, "includes nested too deep");
        return {};
    }

    // Noted before it is read, and even when missing: it may be fixed or
    // created while the show runs.
    sources.add(path);
    // A folder opens like a file but reads nothing: it counts as missing too.
    std::error_code error;
    std::ifstream file;
    if (!std::filesystem::is_directory(path, error)) file.open(path);
    if (!file.is_open()) {
        std::cout << console::brightRed << std::endl;
        std::cout << "ERROR FILE NOT FOUND !" << std::endl;
        return {};
    }

    openFiles.push_back(identity);
    std::string result;
    std::string line;
    for (int number = 1; std::getline(file, line); ++number) {
        // Files written with CR LF line ends read like plain ones.
        if (!line.empty() && line.back() == '\r') line.pop_back();
        bool isInclude = false;

        if (line.size() >= kMinDirectiveLineLength) {
            line = normaliseLine(std::move(line));
            const std::vector<std::string> tokens = firstTwoTokens(line);
            if (tokens.size() >= 2 && tokens[0] == "#include") {
                std::string includePath = tokens[1];
                std::erase(includePath, '"');
                line = ExpandSource(includePath, openFiles);
                isInclude = true;
            } else if (tokens.size() >= 2 && tokens[0] == "#replace") {
                const auto found = replacements.find(tokens[1]);
                line = found != replacements.end() ? found->second : " ";
            }
        }
        result += line;
        result += '\n';
        // An included file noted its own lines; the rest are this line's.
        const size_t ownLines = isInclude ? 1 : 1 + static_cast<size_t>(std::count(line.begin(), line.end(), '\n'));
        lineOrigins.insert(lineOrigins.end(), ownLines, SourceLine{path, number});
    }
    openFiles.pop_back();
    return result;
}
