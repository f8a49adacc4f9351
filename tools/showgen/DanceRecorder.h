#pragma once
// Records a routine: the figure's surface points, frame by frame, as the show's frame files.
#include "tools/showgen/BodySurface.h"
#include "tools/showgen/Choreography.h"
#include "tools/showgen/FrameFile.h"

#include <string>
#include <vector>

namespace showgen {

constexpr int kPointsPerFrame = 5000;

// World positions of the points in one frame, the feet standing on y = 0 (unless jumping),
// and each point's shade (0-255) lit from above and in front.
void posePoints(const std::vector<SurfacePoint>& body, const Pose& pose, std::vector<float>& xyz,
                std::vector<uint8_t>& shade);

// Every frame of a routine, offsets pointing back to the previous frame (the last one for frame 0).
std::vector<FrameData> recordRoutine(const Routine& routine);

// Writes the routine's frames into `folder` (created if needed); returns the bytes written.
size_t writeRecording(const Routine& routine, const std::string& folder);

}  // namespace showgen
