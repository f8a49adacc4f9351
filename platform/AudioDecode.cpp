#include "platform/AudioDecode.h"

#include "platform/Audio.h"

#include <mpg123.h>

#include <memory>
#include <mutex>

namespace platform {

namespace {

struct HandleCloser {
    void operator()(mpg123_handle* handle) const
    {
        mpg123_close(handle);
        mpg123_delete(handle);
    }
};
using DecoderHandle = std::unique_ptr<mpg123_handle, HandleCloser>;

std::string describe(mpg123_handle* handle, int code)
{
    return handle ? mpg123_strerror(handle) : mpg123_plain_strerror(code);
}

}  // namespace

bool DecodeAudioFile(const std::string& path, DecodedAudio& out, std::string& error)
{
    out = DecodedAudio{};
    static std::once_flag library;
    std::call_once(library, [] { mpg123_init(); });

    int code = MPG123_OK;
    DecoderHandle handle(mpg123_new(nullptr, &code));
    if (!handle) {
        error = describe(nullptr, code);
        return false;
    }
    mpg123_handle* mh = handle.get();
    // One output format only: the decoder resamples other rates to it and
    // duplicates mono, so every byte position means the same time.
    mpg123_param(mh, MPG123_ADD_FLAGS, MPG123_FORCE_STEREO | MPG123_QUIET, 0);
    mpg123_param(mh, MPG123_FORCE_RATE, kAudioRate, 0);
    mpg123_format_none(mh);
    mpg123_format(mh, kAudioRate, MPG123_STEREO, MPG123_ENC_SIGNED_16);

    if (mpg123_open(mh, path.c_str()) != MPG123_OK) {
        error = describe(mh, code);
        return false;
    }
    long rate = 0;
    int channels = 0;
    int encoding = 0;
    if (mpg123_getformat(mh, &rate, &channels, &encoding) != MPG123_OK) {
        error = describe(mh, code);
        return false;
    }
    if (rate != kAudioRate || channels != 2 || encoding != MPG123_ENC_SIGNED_16) {
        error = "the decoder cannot deliver 16-bit stereo at 44100 Hz for this file";
        return false;
    }
    mpg123_frameinfo2 info{};
    if (mpg123_info2(mh, &info) == MPG123_OK) out.sourceRate = info.rate;

    const off_t expected = mpg123_length(mh);
    if (expected > 0) out.pcm.reserve(static_cast<size_t>(expected) * 2);

    std::vector<unsigned char> chunk(1 << 16);
    for (;;) {
        size_t done = 0;
        const int result = mpg123_read(mh, chunk.data(), chunk.size(), &done);
        const auto* samples = reinterpret_cast<const int16_t*>(chunk.data());
        out.pcm.insert(out.pcm.end(), samples, samples + done / sizeof(int16_t));
        if (result == MPG123_DONE) break;
        if (result == MPG123_NEW_FORMAT || result == MPG123_OK) continue;
        // A damaged stream keeps what was decoded before the damage.
        if (!out.pcm.empty()) break;
        error = describe(mh, result);
        return false;
    }
    out.pcm.resize(out.pcm.size() & ~size_t{1});
    out.frames = static_cast<int64_t>(out.pcm.size() / 2);
    if (out.frames == 0) {
        error = "no audio in the file";
        out = DecodedAudio{};
        return false;
    }
    return true;
}

}  // namespace platform
