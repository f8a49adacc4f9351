#pragma once
// Real files for the dancers tests: a private folder, byte-exact writers and
// MP3 files encoded with LAME.
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

// A fresh folder under the system's temporary folder, removed afterwards.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::filesystem::path& path() const { return path_; }
    std::string operator/(const std::string& name) const { return (path_ / name).string(); }

private:
    std::filesystem::path path_;
};

// Little-endian bytes, appended field by field.
struct Bytes {
    std::vector<uint8_t> data;
    Bytes& u32(uint32_t v)
    {
        for (int i = 0; i < 4; ++i) data.push_back(static_cast<uint8_t>(v >> (8 * i)));
        return *this;
    }
    Bytes& i32(int32_t v) { return u32(static_cast<uint32_t>(v)); }
    Bytes& f32(float v)
    {
        uint32_t bits;
        std::memcpy(&bits, &v, 4);
        return u32(bits);
    }
    Bytes& raw(const std::vector<uint8_t>& bytes)
    {
        data.insert(data.end(), bytes.begin(), bytes.end());
        return *this;
    }
    Bytes& identity()
    {
        for (int i = 0; i < 16; ++i) f32(i % 5 == 0 ? 1.0f : 0.0f);
        return *this;
    }
};

void writeFile(const std::string& path, const std::vector<uint8_t>& bytes);
void writeText(const std::string& path, const std::string& text);

// An MP3 of a sine (same on both sides) at `sampleRate`, encoded by LAME at
// 192 kbit/s with its gapless header, so the decoder yields the exact length.
void writeSineMp3(const std::string& path, double seconds, double frequency, int sampleRate = 44100,
                  int channels = 2, double amplitude = 0.5);

// Makes sure the back end runs (SDL's dummy driver unless told otherwise).
void ensureTestAudio();
