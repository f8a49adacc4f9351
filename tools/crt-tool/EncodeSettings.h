#pragma once
// The encoder choices the tool offers, applied to one mesh.
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "crt/MeshEncoder.h"
#include "crt/encode/Shapes.h"

namespace crttool {

enum class NormalChoice { Auto, None, Diff, Positions, Rim };

struct EncodeSettings {
    crt::Quantisation position{0.0f, 14};
    crt::Quantisation uv{0.0f, 12};
    NormalChoice normals = NormalChoice::Auto;  // Auto: from positions when the mesh has normals
    int normalBits = 10;
    bool colors = true;
    int colorChannels = 4;
    std::array<int, 4> colorSteps{1, 1, 1, 1};
    bool uvs = true;
    crt::Entropy entropy = crt::ENTROPY_TUNSTALL;
    // Unset: the encoder chooses; either one set fixes the strategy (the
    // other then on).
    std::optional<bool> parallelogram;
    std::optional<bool> sharedBits;
    bool search = true;
    std::vector<std::pair<std::string, std::string>> tags;
};

struct EncodeResult {
    std::vector<uint8_t> bytes;
    crt::EncodeReport report;
};

// uvComponents: per-vertex components in mesh.uvs (0 for none).
EncodeResult encodeMesh(const crt::shapes::Mesh& mesh, int uvComponents, const std::vector<crt::MeshGroup>& groups,
                        const EncodeSettings& settings);

}  // namespace crttool
