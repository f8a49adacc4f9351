#include <filesystem>
#include <iostream>
#include <stdexcept>

#include "tools/crt-tool/Commands.h"
#include "tools/crt-tool/Info.h"
#include "tools/crt-tool/Seeds.h"
#include "tools/crt-tool/StreamLayout.h"

namespace crttool {

int runInfo(const std::vector<std::string>& args) {
    if (args.size() != 1) throw std::runtime_error("info needs exactly one file; try crt-tool --help");
    const std::vector<uint8_t> bytes = readFile(args[0]);
    const StreamLayout layout = readLayout(bytes.data(), bytes.size());
    printInfo(std::cout, layout, bytes.size());
    return 0;
}

int runSeeds(const std::vector<std::string>& args) {
    if (args.size() != 1) throw std::runtime_error("seeds needs exactly one folder; try crt-tool --help");
    std::error_code ec;
    std::filesystem::create_directories(args[0], ec);
    if (ec) throw std::runtime_error("cannot make folder " + args[0] + ": " + ec.message());
    for (const std::string& name : writeSeeds(args[0])) std::cout << args[0] << "/" << name << "\n";
    return 0;
}

}  // namespace crttool
