#pragma once
// Recorded dance performances: one file per captured frame, all frames of one
// recording in one folder, read in parallel into memory.
#include <cstdint>
#include <string>
#include <vector>

// One point of a captured frame; 28 bytes, the same in memory and in the file.
struct DancePoint {
    uint32_t colour = 0x00FF0000;  // the drawing uses bits 8..15 as intensity
    float position[3] = {0, 0, 0};
    float offset[3] = {0, 0, 0};   // place in the previous frame minus place in this one
};
static_assert(sizeof(DancePoint) == 28, "DancePoint is stored raw");

// An 8-byte record carried with a frame; its meaning is not ours.
struct DancePair {
    uint8_t bytes[8] = {};
};
static_assert(sizeof(DancePair) == 8, "DancePair is stored raw");

struct DanceVector {
    float xyz[3] = {0, 0, 0};
};
static_assert(sizeof(DanceVector) == 12, "DanceVector is stored raw");

struct DanceFrame {
    std::vector<DancePoint> points;
    std::vector<DancePair> pairs;
    std::vector<DanceVector> vectors;
    float matrixA[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
    float matrixB[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
};

struct DanceSequence {
    std::string name;
    std::vector<DanceFrame> frames;  // in the order of the file names
};

// At most this many + 1 frame files are taken from a folder.
constexpr size_t kDanceFileCap = 1300;

// Reads one frame file (little-endian): matrixA and matrixB (16 floats each),
// then a signed count and that many points, a count and that many pairs, a
// count and that many vectors. The arrays are emptied first; a file that
// cannot be opened leaves them empty and the matrices as they were. The
// counts are not trusted: a negative one reads nothing, and no array gets more
// records than the rest of the file can hold. A record the file ends in the
// middle of keeps default values where the file stops; what the file does not
// reach at all stays empty. False when the file cannot be opened or ends
// before everything its counts announce.
bool loadDanceFrame(DanceFrame& frame, const std::string& path);

// The regular files of `folder` whose names end in ".processed", sorted by
// name, as "folder/name"; at most cap + 1 of them (the first ones by name).
// A missing folder gives an empty list.
std::vector<std::string> listProcessedFiles(const std::string& folder, size_t cap);

// Replaces the sequence's frames with those of the folder, read in parallel,
// printing "Adding.. <name>" before and "ParsedSize: <count>" after, and a
// line with the number of frame files that were cut short or unreadable.
void loadDanceSequence(DanceSequence& sequence, const std::string& folder, const std::string& name);
