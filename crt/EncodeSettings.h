#pragma once
// The encoder choices crt-tool and the C interface offer, applied to one mesh
// given as plain arrays.
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "crt/MeshEncoder.h"
#include "crt/encode/Shapes.h"

namespace crt {

enum class NormalChoice { Auto, None, Diff, Positions, Rim };

struct EncodeSettings {
    Quantisation position{0.0f, 14};
    Quantisation uv{0.0f, 12};
    NormalChoice normals = NormalChoice::Auto;  // Auto: from positions when the mesh has normals
    int normalBits = 10;
    bool colors = true;
    int colorChannels = 4;
    std::array<int, 4> colorSteps{1, 1, 1, 1};
    bool uvs = true;
    Entropy entropy = ENTROPY_TUNSTALL;
    // Unset: the encoder chooses; either one set fixes the strategy (the
    // other then on).
    std::optional<bool> parallelogram;
    std::optional<bool> sharedBits;
    bool search = true;  // look for the smallest stream that decodes the same
    std::vector<std::pair<std::string, std::string>> tags;
};

// An indexed triangle mesh in the caller's arrays; null where it has no such data.
struct MeshArrays {
    uint32_t vertexCount = 0;
    uint32_t faceCount = 0;
    const float* positions = nullptr;  // 3 per vertex
    const uint32_t* indices = nullptr; // 3 per face
    const float* normals = nullptr;    // 3 per vertex
    const float* colors = nullptr;     // colorChannels per vertex, 0..1
    int colorChannels = 4;
    const float* uvs = nullptr;        // uvComponents per vertex
    int uvComponents = 0;
};

struct EncodeResult {
    std::vector<uint8_t> bytes;
    EncodeReport report;
};

EncodeResult encodeMesh(const MeshArrays& mesh, const std::vector<MeshGroup>& groups, const EncodeSettings& settings);
// uvComponents: per-vertex components in mesh.uvs (0 for none).
EncodeResult encodeMesh(const shapes::Mesh& mesh, int uvComponents, const std::vector<MeshGroup>& groups,
                        const EncodeSettings& settings);

}  // namespace crt
