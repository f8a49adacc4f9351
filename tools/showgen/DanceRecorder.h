#pragma once
// Records a routine: the figure's surface points, frame by frame, as the show's frame files.
#include "tools/showgen/BodySurface.h"
#include "tools/showgen/Choreography.h"
#include "tools/showgen/FrameFile.h"

#include <string>
#include <vector>

namespace showgen {

constexpr int kPointsPerFrame = 5000;

// How far the skeleton must rise for its lowest sole to touch y = 0, plus the pose's jump.
double groundLift(const std::vector<SurfacePoint>& body, const Skeleton& skeleton, double jump);

// World positions of the points in one frame, raised by `lift`, and each point's shade
// (0-255) lit from above and in front.
void posePoints(const std::vector<SurfacePoint>& body, const Skeleton& skeleton, double lift, std::vector<float>& xyz,
                std::vector<uint8_t>& shade);
// The same for a single pose with the ponytail at rest, standing on the floor.
void posePoints(const std::vector<SurfacePoint>& body, const Pose& pose, std::vector<float>& xyz,
                std::vector<uint8_t>& shade);

// Every frame of a routine, offsets pointing back to the previous frame (the last one for frame 0).
std::vector<FrameData> recordRoutine(const Routine& routine);

// Writes the routine's frames into `folder` (created if needed); returns the bytes written.
size_t writeRecording(const Routine& routine, const std::string& folder);

}  // namespace showgen
