#pragma once
// Points scattered over the figure's surfaces (ellipsoids and tapered capsules per limb).
// Each point keeps its place on its limb, so it keeps its identity from frame to frame.
#include "tools/showgen/Figure.h"

#include <cstdint>
#include <vector>

namespace showgen {

struct SurfacePoint {
    Joint joint;
    Vec3 local;   // place in the joint's frame
    Vec3 normal;  // outward normal in the joint's frame
    bool foot;    // part of a sole: used to stand the figure on the floor
};

// `count` points spread over the body by area, the same for the same seed.
std::vector<SurfacePoint> sampleBody(int count, uint64_t seed);

}  // namespace showgen
