#pragma once
// MP3 encoding (LAME) of the synthesised track and decoding (mpg123) for checks.
#include <cstdint>
#include <string>
#include <vector>

namespace showgen {

constexpr int kSampleRate = 44100;

// Interleaved 16-bit stereo samples at 44100 Hz.
struct PcmStereo {
    std::vector<int16_t> samples;  // L, R, L, R, ...
    size_t frames() const { return samples.size() / 2; }
    double seconds() const { return static_cast<double>(frames()) / kSampleRate; }
};

// Encodes to a constant-bitrate joint-stereo MP3 with a gapless (Info) tag.
// Throws std::runtime_error when the encoder or the file fails.
void encodeMp3(const PcmStereo& pcm, int kbps, const std::string& path);

// Decodes an MP3 file to 44100 Hz 16-bit stereo. Throws std::runtime_error on failure.
PcmStereo decodeMp3(const std::string& path);

}  // namespace showgen
