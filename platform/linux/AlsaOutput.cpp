// The music through ALSA's "default" device (a sound card, or the sound
// server through its ALSA plugin). A writer thread keeps the device's buffer
// full; after every write it notes ALSA's delay (frames written but not yet
// heard), and the heard frame runs on from that note in real time.
//
// The device is opened non-blocking, so the writer never waits while it holds
// its lock (the frame thread takes it to read the heard frame): it waits in
// snd_pcm_wait, and mends underruns and suspends outside the lock. An error
// that cannot be mended (the device is gone, the server behind the plugin went
// away) makes the output lost, and the writer ends.
#include "platform/Audio.h"
#include "platform/linux/LinuxOutputs.h"
#include "platform/Platform.h"

#include <alsa/asoundlib.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstdarg>
#include <cstdio>
#include <mutex>
#include <thread>
#include <vector>

namespace platform {

namespace {

constexpr unsigned kTargetLatencyUs = 50'000;
// Frames left alone when the queue is dropped: the device may be reading them.
constexpr snd_pcm_sframes_t kRewindMargin = 64;
// The longest an open may take before it is given up.
constexpr auto kOpenDeadline = std::chrono::seconds(3);
// Mended errors in a row, with nothing written between them, after which the
// device counts as lost.
constexpr int kMaxRecoveries = 5;
// The writer's pause when the device wakes it with nothing to take or has
// just been mended, so that no pass of its loop goes without a wait.
constexpr auto kIdlePause = std::chrono::milliseconds(5);

// The ALSA library prints its complaints to standard error. While the device
// is being opened they are kept, on the opening thread, as the reason it
// failed; at any other time they are dropped.
thread_local std::string* alsaComplaints = nullptr;

void keepAlsaComplaint(const char*, int, const char*, int, const char* format, ...)
{
    if (!alsaComplaints || !alsaComplaints->empty()) return;  // the first says most
    char text[256];
    va_list args;
    va_start(args, format);
    std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    *alsaComplaints = text;
}

struct OpenedDevice {
    snd_pcm_t* pcm = nullptr;
    snd_pcm_uframes_t bufferFrames = 0;
    snd_pcm_uframes_t periodFrames = 0;
    std::string failure;  // why there is no pcm
};

OpenedDevice openDevice()
{
    OpenedDevice device;
    std::string complaint;
    alsaComplaints = &complaint;
    int error = snd_pcm_open(&device.pcm, "default", SND_PCM_STREAM_PLAYBACK, SND_PCM_NONBLOCK);
    if (error == 0)
        error = snd_pcm_set_params(device.pcm, SND_PCM_FORMAT_S16_LE, SND_PCM_ACCESS_RW_INTERLEAVED, 2, kAudioRate, 1,
                                   kTargetLatencyUs);
    if (error == 0) error = snd_pcm_get_params(device.pcm, &device.bufferFrames, &device.periodFrames);
    alsaComplaints = nullptr;
    if (error < 0) {
        if (device.pcm) snd_pcm_close(device.pcm);
        device.pcm = nullptr;
        device.failure = snd_strerror(error) + (complaint.empty() ? "" : ": " + complaint);
    }
    return device;
}

// Opens the device on a thread of its own and waits for it at most
// kOpenDeadline. An open that does not return by then is left to finish by
// itself and close what it opened; no other open starts while it is out.
OpenedDevice openWithDeadline()
{
    struct Pending {
        std::mutex lock;
        std::condition_variable finished;
        bool done = false;
        bool abandoned = false;
        OpenedDevice device;
    };
    static std::atomic<bool> outstanding{false};
    if (outstanding.exchange(true)) {
        OpenedDevice refused;
        refused.failure = "an earlier open of the device has not returned";
        return refused;
    }
    snd_lib_error_set_handler(keepAlsaComplaint);
    auto pending = std::make_shared<Pending>();
    std::thread([pending] {
        OpenedDevice device = openDevice();
        {
            const std::lock_guard<std::mutex> guard(pending->lock);
            pending->done = true;
            if (!pending->abandoned) {
                pending->device = device;
                device.pcm = nullptr;
            }
        }
        if (device.pcm) snd_pcm_close(device.pcm);
        outstanding = false;
        pending->finished.notify_one();
    }).detach();

    std::unique_lock<std::mutex> guard(pending->lock);
    if (!pending->finished.wait_for(guard, kOpenDeadline, [&] { return pending->done; })) {
        pending->abandoned = true;
        OpenedDevice late;
        late.failure = "the device did not open within 3 s";
        return late;
    }
    return pending->device;
}

class AlsaOutput final : public AudioOutput {
public:
    AlsaOutput(AudioMixer mixer, const OpenedDevice& device)
        : mixer_(std::move(mixer)), pcm_(device.pcm), bufferFrames_(device.bufferFrames),
          periodFrames_(device.periodFrames), buffer_(2 * static_cast<size_t>(device.periodFrames))
    {
    }

    ~AlsaOutput() override
    {
        stopping_ = true;
        if (writer_.joinable()) writer_.join();
        snd_pcm_close(pcm_);
    }

    const char* kind() const override { return "ALSA device"; }

    const char* choice() const override { return "alsa"; }

    std::string description() const override
    {
        char text[256];
        std::snprintf(text, sizeof text, "ALSA device \"default\" (%s), %.0f ms buffer; position from ALSA's delay",
                      snd_pcm_name(pcm_), bufferFrames_ * 1000.0 / kAudioRate);
        return text;
    }

    void start() override
    {
        // The device starts by itself once its buffer is full.
        writer_ = std::thread([this] { run(); });
    }

    bool heardFrame(int64_t now, int64_t& frame) override
    {
        const std::lock_guard<std::mutex> guard(lock_);
        frame = noted_;
        if (running_) frame += (now - notedTicks_) * kAudioRate / 10'000'000;
        frame = std::min(frame, written_);
        return true;
    }

    void replaceQueued(const std::function<void()>& move) override
    {
        // The writer drops the queue before it mixes again.
        const std::lock_guard<std::mutex> guard(lock_);
        move();
        dropQueued_ = true;
    }

private:
    void run()
    {
        int recoveries = 0;
        while (!stopping_) {
            const int ready = snd_pcm_wait(pcm_, 100);
            int error = ready < 0 ? ready : 0;
            snd_pcm_sframes_t wrote = 0;
            if (error == 0) {
                const std::lock_guard<std::mutex> guard(lock_);
                error = fill(wrote);
            }
            if (wrote > 0) recoveries = 0;
            if (error < 0 && error != -EAGAIN) {
                // Outside the lock: mending a suspended device waits for it to resume.
                if (++recoveries > kMaxRecoveries || snd_pcm_recover(pcm_, error, 1) < 0) {
                    lose(error);
                    return;
                }
                std::this_thread::sleep_for(kIdlePause);
            } else if (ready > 0 && wrote == 0) {
                std::this_thread::sleep_for(kIdlePause);
            }
        }
    }

    // One pass with the lock held: drop the queue if asked, mix a period when
    // nothing mixed is waiting, hand the device what it takes, note the
    // delay. An ALSA error code, or 0.
    int fill(snd_pcm_sframes_t& wrote)
    {
        if (dropQueued_) {
            dropQueued_ = false;
            pending_ = 0;
            const snd_pcm_sframes_t rewindable = snd_pcm_rewindable(pcm_);
            if (rewindable > kRewindMargin) {
                const snd_pcm_sframes_t back = snd_pcm_rewind(pcm_, static_cast<snd_pcm_uframes_t>(rewindable - kRewindMargin));
                if (back > 0) written_ -= back;
            }
        }
        const snd_pcm_sframes_t avail = snd_pcm_avail_update(pcm_);
        if (avail < 0) return static_cast<int>(avail);
        if (pending_ == 0) {
            const auto frames = static_cast<int>(std::min<snd_pcm_sframes_t>(avail, static_cast<snd_pcm_sframes_t>(periodFrames_)));
            if (frames <= 0) return 0;
            mixer_(buffer_.data(), frames, written_);
            pendingFirst_ = 0;
            pending_ = frames;
        }
        const snd_pcm_sframes_t done =
            snd_pcm_writei(pcm_, buffer_.data() + 2 * pendingFirst_, static_cast<snd_pcm_uframes_t>(pending_));
        if (done < 0) return static_cast<int>(done);
        // What the device did not take waits for the next pass.
        pendingFirst_ += done;
        pending_ -= done;
        written_ += done;
        wrote = done;
        snd_pcm_sframes_t delay = 0;
        if (snd_pcm_delay(pcm_, &delay) == 0) {
            noted_ = std::max(noted_, written_ - delay);
            notedTicks_ = TicksNow();
            running_ = snd_pcm_state(pcm_) == SND_PCM_STATE_RUNNING;
        }
        return 0;
    }

    void lose(int error) { markLost(snd_strerror(error)); }

    AudioMixer mixer_;
    snd_pcm_t* pcm_;
    snd_pcm_uframes_t bufferFrames_;
    snd_pcm_uframes_t periodFrames_;
    std::thread writer_;
    std::atomic<bool> stopping_{false};

    // The writer's own: mixed frames not yet taken by the device.
    std::vector<int16_t> buffer_;
    snd_pcm_sframes_t pendingFirst_ = 0;
    snd_pcm_sframes_t pending_ = 0;

    std::mutex lock_;
    int64_t written_ = 0;     // stream frames handed to ALSA, less those taken back
    int64_t noted_ = 0;       // the heard frame at the last note
    int64_t notedTicks_ = 0;
    bool running_ = false;
    bool dropQueued_ = false;
};

}  // namespace

std::unique_ptr<AudioOutput> openAlsaOutput(AudioMixer mixer, std::string& failure)
{
    const OpenedDevice device = openWithDeadline();
    if (!device.pcm) {
        failure = device.failure;
        return nullptr;
    }
    return std::make_unique<AlsaOutput>(std::move(mixer), device);
}

}  // namespace platform
