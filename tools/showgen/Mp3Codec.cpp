#include "tools/showgen/Mp3Codec.h"

#include <lame/lame.h>
#include <mpg123.h>

#include <cstdio>
#include <memory>
#include <stdexcept>

namespace showgen {

namespace {

struct LameDeleter {
    void operator()(lame_global_flags* g) const { lame_close(g); }
};
struct FileCloser {
    void operator()(FILE* f) const { std::fclose(f); }
};
struct Mpg123Deleter {
    void operator()(mpg123_handle* h) const {
        mpg123_close(h);
        mpg123_delete(h);
    }
};

void writeAll(FILE* f, const unsigned char* data, size_t size, const std::string& path) {
    if (size > 0 && std::fwrite(data, 1, size, f) != size)
        throw std::runtime_error("cannot write " + path);
}

}  // namespace

void encodeMp3(const PcmStereo& pcm, int kbps, const std::string& path) {
    std::unique_ptr<lame_global_flags, LameDeleter> lame(lame_init());
    if (!lame) throw std::runtime_error("lame_init failed");
    lame_set_in_samplerate(lame.get(), kSampleRate);
    lame_set_out_samplerate(lame.get(), kSampleRate);
    lame_set_num_channels(lame.get(), 2);
    lame_set_mode(lame.get(), JOINT_STEREO);
    lame_set_brate(lame.get(), kbps);
    lame_set_quality(lame.get(), 5);
    // The lowest frequencies carry the kick's pressure that the show's pulse reads: keep them.
    lame_set_highpassfreq(lame.get(), -1);
    lame_set_bWriteVbrTag(lame.get(), 1);  // Info tag: decoders drop the encoder delay
    if (lame_init_params(lame.get()) < 0) throw std::runtime_error("lame_init_params failed");

    std::unique_ptr<FILE, FileCloser> file(std::fopen(path.c_str(), "wb"));
    if (!file) throw std::runtime_error("cannot create " + path);

    constexpr int kChunkFrames = 8192;
    std::vector<unsigned char> out(static_cast<size_t>(1.25 * kChunkFrames + 7200));
    const size_t total = pcm.frames();
    for (size_t first = 0; first < total; first += kChunkFrames) {
        const int n = static_cast<int>(std::min<size_t>(kChunkFrames, total - first));
        // LAME's interface takes non-const sample pointers but only reads them.
        auto* in = const_cast<short*>(pcm.samples.data() + 2 * first);
        const int bytes = lame_encode_buffer_interleaved(lame.get(), in, n, out.data(),
                                                         static_cast<int>(out.size()));
        if (bytes < 0) throw std::runtime_error("lame_encode_buffer_interleaved failed");
        writeAll(file.get(), out.data(), static_cast<size_t>(bytes), path);
    }
    const int tail = lame_encode_flush(lame.get(), out.data(), static_cast<int>(out.size()));
    if (tail < 0) throw std::runtime_error("lame_encode_flush failed");
    writeAll(file.get(), out.data(), static_cast<size_t>(tail), path);

    // The first frame of the stream is a placeholder for the Info tag written now.
    std::vector<unsigned char> tag(4096);
    const size_t tagSize = lame_get_lametag_frame(lame.get(), tag.data(), tag.size());
    if (tagSize > 0 && tagSize <= tag.size()) {
        if (std::fseek(file.get(), 0, SEEK_SET) != 0) throw std::runtime_error("cannot seek " + path);
        writeAll(file.get(), tag.data(), tagSize, path);
    }
    if (std::fflush(file.get()) != 0) throw std::runtime_error("cannot write " + path);
}

PcmStereo decodeMp3(const std::string& path) {
#if MPG123_API_VERSION < 46
    mpg123_init();  // older library versions need the global set-up
#endif
    int err = MPG123_OK;
    std::unique_ptr<mpg123_handle, Mpg123Deleter> mh(mpg123_new(nullptr, &err));
    if (!mh) throw std::runtime_error(std::string("mpg123_new failed: ") + mpg123_plain_strerror(err));
    mpg123_param(mh.get(), MPG123_FLAGS, MPG123_GAPLESS | MPG123_QUIET, 0.0);
    mpg123_format_none(mh.get());
    mpg123_format(mh.get(), kSampleRate, MPG123_STEREO, MPG123_ENC_SIGNED_16);
    if (mpg123_open(mh.get(), path.c_str()) != MPG123_OK)
        throw std::runtime_error("cannot open " + path + ": " + mpg123_strerror(mh.get()));

    PcmStereo pcm;
    std::vector<unsigned char> buffer(1 << 16);
    for (;;) {
        size_t done = 0;
        const int rc = mpg123_read(mh.get(), buffer.data(), buffer.size(), &done);
        const auto* s = reinterpret_cast<const int16_t*>(buffer.data());
        pcm.samples.insert(pcm.samples.end(), s, s + done / sizeof(int16_t));
        if (rc == MPG123_DONE) break;
        if (rc == MPG123_NEW_FORMAT) continue;
        if (rc != MPG123_OK) throw std::runtime_error("cannot decode " + path + ": " + mpg123_strerror(mh.get()));
    }
    if (pcm.samples.empty()) throw std::runtime_error(path + " holds no MP3 audio");
    return pcm;
}

}  // namespace showgen
