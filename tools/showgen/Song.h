#pragma once
// The show's music track, synthesised whole.
#include "tools/showgen/Mp3Codec.h"

namespace showgen {

constexpr double kTrackSeconds = 161.0;

// Gains of the kick's pressure wave, which the show's spectrum pulse reads: tiny in the
// intro (where the pulse formula is very sensitive), strong from the drop on.
struct PulseLevels {
    double intro = 5.0e-4;
    double drop = 0.0321;
};

PcmStereo renderSong(const PulseLevels& levels = {});

}  // namespace showgen
