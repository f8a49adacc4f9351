// The music through the sound server's native protocol (libpulse). The
// server reports, for our stream, how long a frame written now takes to reach
// the speaker; libpulse interpolates that figure between its timing updates,
// so the heard frame advances smoothly in real time. A connection or stream
// that fails afterwards makes the output lost.
#include "platform/Audio.h"
#include "platform/linux/LinuxOutputs.h"

#include <pulse/pulseaudio.h>

#include <atomic>
#include <cstdio>

namespace platform {

namespace {

// What we ask the server to hold for us; PULSE_LATENCY_MSEC overrides it.
constexpr pa_usec_t kTargetLatency = 50'000;
// A server that neither answers nor refuses is given up after this long.
constexpr pa_usec_t kConnectTimeout = 3'000'000;

class ServerOutput final : public AudioOutput {
public:
    explicit ServerOutput(AudioMixer mixer) : mixer_(std::move(mixer)) {}

    ~ServerOutput() override
    {
        if (loop_) pa_threaded_mainloop_stop(loop_);
        if (stream_) {
            pa_stream_disconnect(stream_);
            pa_stream_unref(stream_);
        }
        if (context_) {
            pa_context_disconnect(context_);
            pa_context_unref(context_);
        }
        if (loop_) pa_threaded_mainloop_free(loop_);
    }

    // `unanswered`: a server was reached but did not answer in time.
    bool open(std::string& failure, bool& unanswered)
    {
        loop_ = pa_threaded_mainloop_new();
        if (!loop_) return fail(failure, "no main loop");
        context_ = pa_context_new(pa_threaded_mainloop_get_api(loop_), "quellin");
        if (!context_) return fail(failure, "no context");
        pa_context_set_state_callback(context_, &ServerOutput::signal, this);
        // Never start a server: one that is not running is not there.
        if (pa_context_connect(context_, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0)
            return fail(failure, pa_strerror(pa_context_errno(context_)));
        if (pa_threaded_mainloop_start(loop_) < 0) return fail(failure, "main loop does not start");

        pa_threaded_mainloop_lock(loop_);
        pa_time_event* timer =
            pa_context_rttime_new(context_, pa_rtclock_now() + kConnectTimeout, &ServerOutput::timeUp, this);
        const bool ready = waitForContext() && connectStream();
        if (timer) pa_threaded_mainloop_get_api(loop_)->time_free(timer);
        unanswered = !ready && timedOut_;
        if (!ready) failure = timedOut_ ? "the server does not answer" : pa_strerror(pa_context_errno(context_));
        else describe();
        pa_threaded_mainloop_unlock(loop_);
        return ready;
    }

    const char* kind() const override { return "sound server"; }

    const char* choice() const override { return "server"; }

    std::string description() const override { return description_; }

    void start() override
    {
        pa_threaded_mainloop_lock(loop_);
        if (pa_operation* o = pa_stream_cork(stream_, 0, nullptr, nullptr)) pa_operation_unref(o);
        pa_threaded_mainloop_unlock(loop_);
    }

    bool heardFrame(int64_t, int64_t& frame) override
    {
        pa_threaded_mainloop_lock(loop_);
        pa_usec_t latency = 0;
        int negative = 0;
        const bool known = pa_stream_get_latency(stream_, &latency, &negative) == 0;
        if (known) {
            const auto frames = static_cast<int64_t>(latency * kAudioRate / 1'000'000);
            frame = written_ - (negative ? -frames : frames);
        }
        pa_threaded_mainloop_unlock(loop_);
        return known;
    }

    void replaceQueued(const std::function<void()>& move) override
    {
        // The server drops its queue and rewinds its sink where it can; what
        // still sounds after that belongs to the old place. Frames written
        // from here on follow the flush on the same connection.
        pa_threaded_mainloop_lock(loop_);
        if (pa_operation* o = pa_stream_flush(stream_, nullptr, nullptr)) pa_operation_unref(o);
        move();
        pa_threaded_mainloop_unlock(loop_);
    }

private:
    static bool fail(std::string& failure, const char* why)
    {
        failure = why;
        return false;
    }

    // On the loop's thread, with its lock held.
    static void signal(pa_context* context, void* self)
    {
        auto* output = static_cast<ServerOutput*>(self);
        if (!PA_CONTEXT_IS_GOOD(pa_context_get_state(context)))
            output->markLost(pa_strerror(pa_context_errno(context)));
        pa_threaded_mainloop_signal(output->loop_, 0);
    }

    static void streamSignal(pa_stream* stream, void* self)
    {
        auto* output = static_cast<ServerOutput*>(self);
        if (!PA_STREAM_IS_GOOD(pa_stream_get_state(stream)))
            output->markLost(pa_strerror(pa_context_errno(output->context_)));
        pa_threaded_mainloop_signal(output->loop_, 0);
    }

    static void timeUp(pa_mainloop_api*, pa_time_event*, const struct timeval*, void* self)
    {
        auto* output = static_cast<ServerOutput*>(self);
        output->timedOut_ = true;
        pa_threaded_mainloop_signal(output->loop_, 0);
    }

    // The server asks for `bytes`: mix them in place in its buffer.
    static void write(pa_stream* stream, size_t bytes, void* self)
    {
        auto* output = static_cast<ServerOutput*>(self);
        while (bytes >= kAudioBytesPerFrame) {
            void* data = nullptr;
            size_t size = bytes;
            if (pa_stream_begin_write(stream, &data, &size) < 0 || !data) return;
            size -= size % kAudioBytesPerFrame;
            const auto frames = static_cast<int>(size / kAudioBytesPerFrame);
            output->mixer_(static_cast<int16_t*>(data), frames, output->written_);
            if (pa_stream_write(stream, data, size, nullptr, 0, PA_SEEK_RELATIVE) < 0) return;
            output->written_ += frames;
            bytes -= size;
        }
    }

    // The loop's lock is held in both waits.
    bool waitForContext()
    {
        for (;;) {
            const pa_context_state_t state = pa_context_get_state(context_);
            if (state == PA_CONTEXT_READY) return true;
            if (!PA_CONTEXT_IS_GOOD(state) || timedOut_) return false;
            pa_threaded_mainloop_wait(loop_);
        }
    }

    bool connectStream()
    {
        const pa_sample_spec format{PA_SAMPLE_S16LE, kAudioRate, 2};
        stream_ = pa_stream_new(context_, "music", &format, nullptr);
        if (!stream_) return false;
        pa_stream_set_state_callback(stream_, &ServerOutput::streamSignal, this);
        pa_stream_set_write_callback(stream_, &ServerOutput::write, this);
        pa_buffer_attr attr{};
        attr.maxlength = static_cast<uint32_t>(-1);
        attr.tlength = static_cast<uint32_t>(pa_usec_to_bytes(kTargetLatency, &format));
        attr.prebuf = static_cast<uint32_t>(-1);
        attr.minreq = static_cast<uint32_t>(-1);
        attr.fragsize = static_cast<uint32_t>(-1);
        const auto flags = static_cast<pa_stream_flags_t>(PA_STREAM_INTERPOLATE_TIMING | PA_STREAM_AUTO_TIMING_UPDATE |
                                                          PA_STREAM_ADJUST_LATENCY | PA_STREAM_START_CORKED);
        if (pa_stream_connect_playback(stream_, nullptr, &attr, flags, nullptr, nullptr) < 0) return false;
        for (;;) {
            const pa_stream_state_t state = pa_stream_get_state(stream_);
            if (state == PA_STREAM_READY) return true;
            if (!PA_STREAM_IS_GOOD(state) || timedOut_) return false;
            pa_threaded_mainloop_wait(loop_);
        }
    }

    void describe()
    {
        const pa_buffer_attr* attr = pa_stream_get_buffer_attr(stream_);
        const pa_sample_spec* format = pa_stream_get_sample_spec(stream_);
        const double bufferMs = attr && format ? pa_bytes_to_usec(attr->tlength, format) / 1000.0 : 0.0;
        const char* server = pa_context_get_server(context_);
        const char* sink = pa_stream_get_device_name(stream_);
        char text[512];
        std::snprintf(text, sizeof text, "sound server %s, sink %s, %.0f ms queue; position from the stream's timing",
                      server ? server : "?", sink ? sink : "?", bufferMs);
        description_ = text;
    }

    AudioMixer mixer_;
    pa_threaded_mainloop* loop_ = nullptr;
    pa_context* context_ = nullptr;
    pa_stream* stream_ = nullptr;
    int64_t written_ = 0;  // stream frames handed to the server; the loop's lock guards it
    bool timedOut_ = false;
    std::string description_;
};

}  // namespace

std::unique_ptr<AudioOutput> openServerOutput(AudioMixer mixer, std::string& failure, bool& unanswered)
{
    auto output = std::make_unique<ServerOutput>(std::move(mixer));
    if (!output->open(failure, unanswered)) return nullptr;
    return output;
}

}  // namespace platform
