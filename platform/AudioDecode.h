#pragma once
// Decoding a compressed music file whole into 16-bit stereo PCM at 44100 Hz.
#include <cstdint>
#include <string>
#include <vector>

namespace platform {

struct DecodedAudio {
    std::vector<int16_t> pcm;  // interleaved left, right
    int64_t frames = 0;        // pcm.size() / 2
    long sourceRate = 0;       // the file's own rate, before resampling
};

// Reads the whole file. A file at another rate is resampled to 44100 Hz and a
// mono file is played on both sides. On failure returns false and says why in
// `error`; `out` is then left empty.
bool DecodeAudioFile(const std::string& path, DecodedAudio& out, std::string& error);

}  // namespace platform
