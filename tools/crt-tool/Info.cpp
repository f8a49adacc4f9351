#include "tools/crt-tool/Info.h"

#include <iomanip>

#include "crt/Format.h"

namespace crttool {
namespace {

const char* codecName(int32_t codec) {
    return codec == crt::KIND_NORMAL ? "normal" : codec == crt::KIND_COLOR ? "color" : "generic";
}

const char* formatName(int format) {
    static const char* const kNames[] = {"u32", "i32", "u16", "i16", "u8", "i8", "f32", "f64"};
    return format >= 0 && format < 8 ? kNames[format] : "unknown";
}

std::string strategyName(int strategy) {
    std::string s;
    if (strategy & crt::PARALLELOGRAM) s += "parallelogram";
    if (strategy & crt::SHARED_BITS) s += s.empty() ? "shared-bits" : "+shared-bits";
    return s.empty() ? "plain" : s;
}

const char* normalModeName(int mode) {
    return mode == crt::DIFF ? "diff" : mode == crt::FROM_POSITIONS ? "positions" : mode == crt::FROM_POSITIONS_RIM ? "rim" : "unknown";
}

}  // namespace

void printInfo(std::ostream& out, const StreamLayout& s, size_t fileSize) {
    static const char* const kSymbols[] = {"add-vertex", "fold-prev", "fold-next", "fold-both", "skip-edge", "postpone", "reuse-vertex"};
    out << "entropy: " << (s.entropy == crt::ENTROPY_RAW ? "raw" : "tunstall") << "\n";
    out << "version: " << s.version << "\n";
    out << "vertices: " << s.NV << "\n";
    out << "faces: " << s.NF << "\n";
    out << "bytes: " << fileSize;
    if (s.NV > 0) out << " (" << std::fixed << std::setprecision(2) << double(fileSize) * 8.0 / s.NV << " bits per vertex)";
    out << std::defaultfloat << "\n";
    out << "header tags: " << s.tags.size() << "\n";
    for (const auto& [key, value] : s.tags) out << "  " << key << " = " << value << "\n";
    out << "attributes: " << s.descriptors.size() << "\n";
    for (const Descriptor& d : s.descriptors) {
        out << "  " << d.name << ": codec " << codecName(d.codec) << ", q " << std::setprecision(9) << d.q
            << std::defaultfloat << ", components " << d.components << ", format " << formatName(d.format)
            << ", strategy " << strategyName(d.strategy);
        auto mode = s.normalModes.find(d.name);
        if (d.codec == crt::KIND_NORMAL && mode != s.normalModes.end()) out << ", mode " << normalModeName(mode->second);
        out << "\n";
    }
    out << "groups: " << s.groups.size() << "\n";
    for (const Group& g : s.groups) {
        out << "  end " << g.end;
        for (const auto& [key, value] : g.properties) out << ", " << key << " = " << value;
        out << "\n";
    }
    if (s.NF > 0) {
        out << "symbols:";
        for (int k = 0; k < 7; ++k) out << " " << kSymbols[k] << " " << s.symbolCounts[k];
        if (s.otherSymbols) out << " invalid " << s.otherSymbols;
        out << "\n";
    }
    out << "sections (bytes):\n";
    for (const Section& sec : s.sections) out << "  " << sec.name << ": " << (sec.end - sec.begin) << "\n";
}

}  // namespace crttool
