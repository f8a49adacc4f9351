#pragma once
// A few complete, valid streams covering every section kind, in both
// entropies: the interface tests cut them, the fuzzer starts from them.
#include <cstdint>
#include <vector>

#include "MeshStreams.h"

namespace crttest {

inline std::vector<std::vector<uint8_t>> seedStreams()
{
    std::vector<std::vector<uint8_t>> seeds;
    for (const uint8_t entropy : {crt::ENTROPY_RAW, crt::ENTROPY_TUNSTALL}) {
        // Positions with the parallelogram rule, texture coordinates, and an
        // attribute nobody asks for.
        StreamBuilder square = meshStream(kSquare,
                                          {{"position", 1, 0.5f, 3, crt::FMT_F32, crt::PARALLELOGRAM | crt::SHARED_BITS},
                                           {"uv", 1, 0.25f, 2, crt::FMT_F32, 0},
                                           {"weight", 1, 1.0f, 1, crt::FMT_F32, crt::SHARED_BITS}},
                                          0, entropy);
        square.residualsShared({{10, 20, 30}, {4, 0, 0}, {-4, 6, 0}, {1, -1, 2}});
        square.residuals({{8, 4}, {1, 1}, {2, 2}, {-3, 5}}, 2);
        square.residualsShared({{1}, {1}, {0}, {-1}});
        seeds.push_back(square.bytes);

        // Normals corrected on the rim, colours.
        StreamBuilder rim = meshStream(kOpenTetrahedron,
                                       {{"normal", crt::KIND_NORMAL, 511.0f},
                                        {"position", 1, 1.0f, 3},
                                        {"color", crt::KIND_COLOR, 1.0f, 4, crt::FMT_F32, crt::PARALLELOGRAM}},
                                       0, entropy);
        rim.u8(4).u8(4).u8(4).u8(8).residuals({{1, 2, 3, 4}, {5, 6, 7, 8}, {-1, -2, 0, 0}, {0, 0, 0, 1}}, 4);
        rim.u8(crt::FROM_POSITIONS_RIM).residualsShared({{0, 0}, {1, -1}, {0, 2}});
        rim.residuals({{0, 0, 0}, {4, 0, 0}, {-4, 4, 0}, {0, -4, 4}}, 3);
        seeds.push_back(rim.bytes);

        // Two groups with properties, postponed edges, a component start
        // naming known vertices, normals in DIFF mode and header tags.
        StreamBuilder groups;
        groups.header(entropy, {{"normal", crt::KIND_NORMAL, 127.0f}, {"position", 1, 0.01f, 3, crt::FMT_F32, crt::SHARED_BITS}}, 6, 4,
                      {{"source", "seed"}});
        groups.u32(2).u32(3).u8(1).str("name").str("first").u32(4).u8(0);
        groups.u32(12).codedArray({crt::ADD_VERTEX, crt::POSTPONE, crt::POSTPONE, crt::SKIP_EDGE, crt::ADD_VERTEX,
                                   crt::SKIP_EDGE, crt::SKIP_EDGE, crt::ADD_VERTEX, crt::REUSE_VERTEX});
        groups.bitStream(BitWriter().put(6, 3).put(4, 3).put(2, 3));
        groups.u8(crt::DIFF).residualsShared({{0, 0}, {127, 0}, {-10, 20}, {3, 3}, {-200, 5}, {0, 0}});
        groups.residualsShared({{100, 200, 300}, {5, 0, 0}, {0, 5, 0}, {1, 1, 1}, {-2, 0, 9}, {7, 7, 7}});
        seeds.push_back(groups.bytes);
    }
    return seeds;
}

}  // namespace crttest
