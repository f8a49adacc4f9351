#include "bench/sound/MonitorRecorder.h"

#include "platform/Audio.h"
#include "platform/Platform.h"

#include <pulse/pulseaudio.h>

#include <algorithm>

namespace {

constexpr double kTicksPerFrame = 1e7 / platform::kAudioRate;

void signalLoop(pa_threaded_mainloop* loop)
{
    pa_threaded_mainloop_signal(loop, 0);
}

}  // namespace

MonitorRecorder::~MonitorRecorder()
{
    stop();
}

void MonitorRecorder::onState(void* self)
{
    signalLoop(static_cast<MonitorRecorder*>(self)->loop_);
}

bool MonitorRecorder::start(std::string& error)
{
    loop_ = pa_threaded_mainloop_new();
    context_ = pa_context_new(pa_threaded_mainloop_get_api(loop_), "quellin heard-position recorder");
    pa_context_set_state_callback(context_, [](pa_context*, void* self) { onState(self); }, this);
    if (pa_context_connect(context_, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0 ||
        pa_threaded_mainloop_start(loop_) < 0) {
        error = pa_strerror(pa_context_errno(context_));
        return false;
    }
    pa_threaded_mainloop_lock(loop_);
    while (pa_context_get_state(context_) != PA_CONTEXT_READY && PA_CONTEXT_IS_GOOD(pa_context_get_state(context_)))
        pa_threaded_mainloop_wait(loop_);
    bool ready = pa_context_get_state(context_) == PA_CONTEXT_READY;
    if (ready) {
        const pa_sample_spec format{PA_SAMPLE_S16LE, platform::kAudioRate, 2};
        stream_ = pa_stream_new(context_, "monitor", &format, nullptr);
        pa_stream_set_state_callback(stream_, [](pa_stream*, void* self) { onState(self); }, this);
        pa_stream_set_read_callback(stream_, &MonitorRecorder::onRead, this);
        // Small fragments: each read gives a fresh timing figure.
        pa_buffer_attr attr{};
        attr.maxlength = static_cast<uint32_t>(-1);
        attr.fragsize = static_cast<uint32_t>(pa_usec_to_bytes(5000, &format));
        const auto flags = static_cast<pa_stream_flags_t>(PA_STREAM_INTERPOLATE_TIMING | PA_STREAM_AUTO_TIMING_UPDATE |
                                                          PA_STREAM_ADJUST_LATENCY);
        ready = pa_stream_connect_record(stream_, "@DEFAULT_MONITOR@", &attr, flags) == 0;
        while (ready && pa_stream_get_state(stream_) != PA_STREAM_READY) {
            if (!PA_STREAM_IS_GOOD(pa_stream_get_state(stream_))) ready = false;
            else pa_threaded_mainloop_wait(loop_);
        }
    }
    if (!ready) error = pa_strerror(pa_context_errno(context_));
    pa_threaded_mainloop_unlock(loop_);
    return ready;
}

void MonitorRecorder::stop()
{
    if (!loop_) return;
    pa_threaded_mainloop_stop(loop_);
    if (stream_) {
        pa_stream_disconnect(stream_);
        pa_stream_unref(stream_);
    }
    pa_context_disconnect(context_);
    pa_context_unref(context_);
    pa_threaded_mainloop_free(loop_);
    loop_ = nullptr;
    stream_ = nullptr;
    context_ = nullptr;
}

void MonitorRecorder::onRead(pa_stream* stream, size_t, void* self)
{
    auto* recorder = static_cast<MonitorRecorder*>(self);
    const void* data = nullptr;
    size_t bytes = 0;
    while (pa_stream_readable_size(stream) > 0 && pa_stream_peek(stream, &data, &bytes) == 0 && bytes > 0) {
        // The latency of the first frame peeked: negative on a monitor while
        // the sink has not played it yet.
        pa_usec_t latency = 0;
        int negative = 0;
        const bool timed = pa_stream_get_latency(stream, &latency, &negative) == 0;
        const int64_t now = platform::TicksNow();
        {
            const std::lock_guard<std::mutex> guard(recorder->lock_);
            const auto first = static_cast<int64_t>(recorder->mono_.size());
            const size_t frames = bytes / 4;
            const auto* pcm = static_cast<const int16_t*>(data);
            for (size_t i = 0; i < frames; ++i)
                recorder->mono_.push_back(pcm ? static_cast<int16_t>((pcm[2 * i] + pcm[2 * i + 1]) / 2) : int16_t{0});
            if (timed) {
                const double heard = static_cast<double>(now) - (negative ? -1.0 : 1.0) * static_cast<double>(latency) * 10;
                recorder->anchors_.push_back({first, heard - static_cast<double>(first) * kTicksPerFrame});
            }
        }
        pa_stream_drop(stream);
    }
}

std::vector<int16_t> MonitorRecorder::samples() const
{
    const std::lock_guard<std::mutex> guard(lock_);
    return mono_;
}

double MonitorRecorder::heardTicks(int64_t index) const
{
    const std::lock_guard<std::mutex> guard(lock_);
    std::vector<double> near;
    for (const Anchor& a : anchors_)
        if (std::abs(a.index - index) <= platform::kAudioRate) near.push_back(a.offsetTicks);
    if (near.empty()) return -1;
    std::nth_element(near.begin(), near.begin() + static_cast<long>(near.size() / 2), near.end());
    return near[near.size() / 2] + static_cast<double>(index) * kTicksPerFrame;
}
