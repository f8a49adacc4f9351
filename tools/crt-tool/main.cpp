// crt-tool: encodes mesh files into crt streams, decodes them back to PLY
// through the exported decoder functions, describes streams and writes the
// fuzzer's sample streams.
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <new>
#include <fstream>
#include <iostream>
#include <iterator>
#include <string>
#include <vector>

#include "tools/crt-tool/Commands.h"

namespace {

const char* const kUsage = R"(usage:
  crt-tool encode IN OUT [options]   read a mesh file (PLY, OBJ, STL, glTF, ...) and write a crt stream
  crt-tool decode IN.crt OUT.ply [--ascii]
                                     decode through the exported decoder and write a PLY file
  crt-tool info IN.crt               header tags, counts, attributes and the size of each section
  crt-tool seeds DIR                 write a few small varied streams into DIR
  crt-tool --help

encode options:
  --merge                  join vertices whose attributes are identical; the file's vertices are kept
                           otherwise (the OBJ and STL readers give every face corner a vertex of its own)
  --pos-bits N             position levels over the largest extent, 2^N (default 14)
  --pos-step S             position quantisation step (wins over --pos-bits)
  --normals MODE           none | diff | positions | rim (default: positions when the file has normals,
                           else none; any other mode makes smooth normals when the file has none)
  --normal-bits N          octahedral grid bits for normals (default 10)
  --no-colors              leave vertex colours out
  --color-channels 3|4     colour channels stored (default 4)
  --color-steps R,G,B,A    colour quantisation steps in 1..255 (default 1,1,1,1)
  --no-uvs                 leave texture coordinates out
  --uv-bits N | --uv-step S  texture coordinate quantisation (default 12 bits)
  --entropy raw|tunstall   coding of byte arrays (default tunstall)
  --parallelogram on|off   parallelogram prediction (default: the encoder's choice; either of these
  --shared-bits on|off     one bit count per vertex for all components   two fixes both, the other on)
  --search on|off          try the choices that leave the decoded mesh unchanged and write the smallest
                           stream (default on; off encodes faster)
  --tag KEY=VALUE          a header tag (repeatable)
)";

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    if (args.empty()) {
        std::cerr << "crt-tool: no command given; try crt-tool --help\n";
        return 2;
    }
    if (args[0] == "--help" || args[0] == "-h" || args[0] == "help") {
        std::cout << kUsage;
        return 0;
    }
    try {
        const std::string command = args[0];
        args.erase(args.begin());
        if (command == "encode") return crttool::runEncode(args);
        if (command == "decode") return crttool::runDecode(args);
        if (command == "info") return crttool::runInfo(args);
        if (command == "seeds") return crttool::runSeeds(args);
        std::cerr << "crt-tool: unknown command '" << command << "'; try crt-tool --help\n";
        return 2;
    } catch (const std::bad_alloc&) {
        std::cerr << "crt-tool: out of memory (the stream's counts ask for more than this machine has)\n";
    } catch (const std::exception& e) {
        std::cerr << "crt-tool: " << e.what() << "\n";
    } catch (const char* message) {
        std::cerr << "crt-tool: decoder: " << (message ? message : "unknown failure") << "\n";
    } catch (...) {
        std::cerr << "crt-tool: unknown failure\n";
    }
    return 1;
}
