#pragma once
// The mouse-driven free camera, saved raw as "FreeCam.bin".
#include <cstdint>

struct TFreeCam {
    unsigned char bytes[292] = {};
};
static_assert(sizeof(TFreeCam) == 292);
