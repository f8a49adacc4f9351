#include "tests/dancers/TestFiles.h"

#include "platform/Audio.h"

#include <lame/lame.h>
#include <unistd.h>

#include <atomic>
#include <cmath>
#include <numbers>
#include <cstdlib>
#include <fstream>
#include <stdexcept>

TempDir::TempDir()
{
    static std::atomic<int> counter{0};
    path_ = std::filesystem::temp_directory_path() /
            ("quellin-dancers-" + std::to_string(getpid()) + "-" + std::to_string(counter++));
    std::filesystem::remove_all(path_);
    std::filesystem::create_directories(path_);
}

TempDir::~TempDir()
{
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

void writeFile(const std::string& path, const std::vector<uint8_t>& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (!out) throw std::runtime_error("cannot write " + path);
}

void writeText(const std::string& path, const std::string& text)
{
    writeFile(path, std::vector<uint8_t>(text.begin(), text.end()));
}

void writeSineMp3(const std::string& path, double seconds, double frequency, int sampleRate, int channels,
                  double amplitude)
{
    lame_global_flags* lame = lame_init();
    lame_set_in_samplerate(lame, sampleRate);
    lame_set_out_samplerate(lame, sampleRate);
    lame_set_num_channels(lame, channels);
    lame_set_mode(lame, channels == 1 ? MONO : JOINT_STEREO);
    lame_set_brate(lame, 192);
    lame_set_quality(lame, 5);
    lame_set_bWriteVbrTag(lame, 1);
    if (lame_init_params(lame) < 0) throw std::runtime_error("LAME rejects the parameters");

    const auto frames = static_cast<int>(seconds * sampleRate);
    std::vector<short> pcm(static_cast<size_t>(frames) * 2);
    for (int n = 0; n < frames; ++n) {
        const auto v = static_cast<short>(std::lround(amplitude * 32767.0 * std::sin(2.0 * std::numbers::pi * frequency * n / sampleRate)));
        pcm[2 * static_cast<size_t>(n)] = v;
        pcm[2 * static_cast<size_t>(n) + 1] = v;
    }
    std::vector<unsigned char> mp3(static_cast<size_t>(1.25 * frames + 7200) * 2);
    int size = 0;
    if (channels == 1) {
        std::vector<short> mono(static_cast<size_t>(frames));
        for (int n = 0; n < frames; ++n) mono[static_cast<size_t>(n)] = pcm[2 * static_cast<size_t>(n)];
        size = lame_encode_buffer(lame, mono.data(), nullptr, frames, mp3.data(), static_cast<int>(mp3.size()));
    } else {
        size = lame_encode_buffer_interleaved(lame, pcm.data(), frames, mp3.data(), static_cast<int>(mp3.size()));
    }
    if (size < 0) throw std::runtime_error("LAME failed to encode");
    const int tail = lame_encode_flush(lame, mp3.data() + size, static_cast<int>(mp3.size()) - size);
    if (tail < 0) throw std::runtime_error("LAME failed to flush");
    mp3.resize(static_cast<size_t>(size + tail));
    // The header frame at the start carries the exact length (encoder delay and padding).
    unsigned char tag[4096];
    const size_t tagSize = lame_get_lametag_frame(lame, tag, sizeof tag);
    if (tagSize > 0 && tagSize <= mp3.size()) std::memcpy(mp3.data(), tag, tagSize);
    lame_close(lame);
    writeFile(path, std::vector<uint8_t>(mp3.begin(), mp3.end()));
}

void ensureTestAudio()
{
    // These machines have no sound card: play on SDL's dummy driver.
    if (!std::getenv("SDL_AUDIODRIVER")) setenv("SDL_AUDIODRIVER", "dummy", 1);
    platform::AudioInit(-1, platform::kAudioRate);
    platform::Start();
}
