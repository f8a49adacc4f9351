#pragma once
// The tool's commands; each takes the arguments after the command's name,
// returns the exit status and throws std::exception with a one-line reason.
#include <string>
#include <vector>

namespace crttool {

int runEncode(const std::vector<std::string>& args);
int runDecode(const std::vector<std::string>& args);
int runInfo(const std::vector<std::string>& args);
int runSeeds(const std::vector<std::string>& args);

// Reads a whole file; throws when it cannot.
std::vector<uint8_t> readFile(const std::string& path);

}  // namespace crttool
