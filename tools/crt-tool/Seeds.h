#pragma once
// A handful of small, varied crt streams for the fuzzer's seed corpus.
#include <string>
#include <vector>

namespace crttool {

// Writes the streams into dir (which must exist); returns the file names.
std::vector<std::string> writeSeeds(const std::string& dir);

}  // namespace crttool
