#include "tools/showgen/FrameFile.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <stdexcept>

namespace showgen {

namespace {

void putU32(std::vector<unsigned char>& out, uint32_t v) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<unsigned char>(v >> (8 * i)));
}
void putF32(std::vector<unsigned char>& out, float f) {
    uint32_t v;
    std::memcpy(&v, &f, 4);
    putU32(out, v);
}

class Reader {
public:
    Reader(const std::vector<char>& data, const std::string& path) : data_(data), path_(path) {}
    uint32_t u32() {
        if (pos_ + 4 > data_.size()) throw std::runtime_error(path_ + ": file ends early");
        uint32_t v = 0;
        for (int i = 0; i < 4; ++i) v |= static_cast<uint32_t>(static_cast<unsigned char>(data_[pos_ + i])) << (8 * i);
        pos_ += 4;
        return v;
    }
    float f32() {
        const uint32_t v = u32();
        float f;
        std::memcpy(&f, &v, 4);
        return f;
    }
    int32_t count(size_t recordSize) {
        const auto n = static_cast<int32_t>(u32());
        if (n < 0 || static_cast<size_t>(n) * recordSize > data_.size() - pos_)
            throw std::runtime_error(path_ + ": bad count " + std::to_string(n));
        return n;
    }
    void skip(size_t bytes) { pos_ += bytes; }

private:
    const std::vector<char>& data_;
    std::string path_;
    size_t pos_ = 0;
};

}  // namespace

void writeFrameFile(const std::string& path, const FrameData& frame) {
    std::vector<unsigned char> out;
    out.reserve(140 + 28 * frame.points.size());
    for (float f : frame.matrixA) putF32(out, f);
    for (float f : frame.matrixB) putF32(out, f);
    putU32(out, static_cast<uint32_t>(frame.points.size()));
    for (const auto& p : frame.points) {
        putU32(out, p.colour);
        for (float f : p.position) putF32(out, f);
        for (float f : p.offset) putF32(out, f);
    }
    putU32(out, 0);  // no pairs
    putU32(out, 0);  // no vectors
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(reinterpret_cast<const char*>(out.data()), static_cast<std::streamsize>(out.size()));
    if (!file) throw std::runtime_error("cannot write " + path);
}

FrameData readFrameFile(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    if (!file) throw std::runtime_error("cannot open " + path);
    const std::vector<char> data((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    Reader in(data, path);
    FrameData frame;
    for (float& f : frame.matrixA) f = in.f32();
    for (float& f : frame.matrixB) f = in.f32();
    frame.points.resize(static_cast<size_t>(in.count(28)));
    for (auto& p : frame.points) {
        p.colour = in.u32();
        for (float& f : p.position) f = in.f32();
        for (float& f : p.offset) f = in.f32();
    }
    frame.pairCount = in.count(8);
    in.skip(8 * static_cast<size_t>(frame.pairCount));
    frame.vectorCount = in.count(12);
    return frame;
}

std::string frameFileName(int index) {
    char name[32];
    std::snprintf(name, sizeof name, "frame_%04d.processed", index);
    return name;
}

std::vector<std::string> listFrameFiles(const std::string& folder) {
    std::vector<std::string> paths;
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(folder, ec))
        if (entry.is_regular_file() && entry.path().extension() == ".processed") paths.push_back(entry.path().string());
    std::sort(paths.begin(), paths.end());
    return paths;
}

}  // namespace showgen
