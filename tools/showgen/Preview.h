#pragma once
// Pictures of a recording for a person to look at: frames projected as points.
#include <string>

namespace showgen {

// Writes into `outDir`: <name>_frames.png, a strip of frames across the recording seen from
// the front, and <name>_views.png, one frame from the front, the side and above.
void writeRecordingPreview(const std::string& recordingFolder, const std::string& outDir, const std::string& name);

}  // namespace showgen
