// The music through ALSA's "default" device (a sound card, or the sound
// server through its ALSA plugin). A writer thread keeps the device's buffer
// full; after every write it notes ALSA's delay (frames written but not yet
// heard), and the heard frame runs on from that note in real time.
#include "platform/Audio.h"
#include "platform/linux/LinuxOutputs.h"
#include "platform/Platform.h"

#include <alsa/asoundlib.h>

#include <algorithm>
#include <mutex>
#include <thread>
#include <vector>

namespace platform {

namespace {

constexpr unsigned kTargetLatencyUs = 50'000;
// Frames left alone when the queue is dropped: the device may be reading them.
constexpr snd_pcm_sframes_t kRewindMargin = 64;

class AlsaOutput final : public AudioOutput {
public:
    explicit AlsaOutput(AudioMixer mixer) : mixer_(std::move(mixer)) {}

    ~AlsaOutput() override
    {
        if (pcm_ && !started_) snd_pcm_close(pcm_);
    }

    bool open(std::string& failure)
    {
        int error = snd_pcm_open(&pcm_, "default", SND_PCM_STREAM_PLAYBACK, 0);
        if (error == 0)
            error = snd_pcm_set_params(pcm_, SND_PCM_FORMAT_S16_LE, SND_PCM_ACCESS_RW_INTERLEAVED, 2, kAudioRate, 1,
                                       kTargetLatencyUs);
        if (error == 0) error = snd_pcm_get_params(pcm_, &bufferFrames_, &periodFrames_);
        if (error < 0) {
            failure = snd_strerror(error);
            return false;
        }
        return true;
    }

    const char* kind() const override { return "ALSA device"; }

    std::string description() const override
    {
        char text[256];
        std::snprintf(text, sizeof text, "ALSA device \"default\" (%s), %.0f ms buffer; position from ALSA's delay",
                      snd_pcm_name(pcm_), bufferFrames_ * 1000.0 / kAudioRate);
        return text;
    }

    void start() override
    {
        // The device starts by itself once its buffer is full. The thread
        // runs until the process ends, as the music does.
        started_ = true;
        std::thread([this] { run(); }).detach();
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
        std::vector<int16_t> buffer(2 * static_cast<size_t>(periodFrames_));
        for (;;) {
            snd_pcm_wait(pcm_, 100);
            const std::lock_guard<std::mutex> guard(lock_);
            if (dropQueued_) {
                dropQueued_ = false;
                const snd_pcm_sframes_t rewindable = snd_pcm_rewindable(pcm_);
                if (rewindable > kRewindMargin) {
                    const snd_pcm_sframes_t back = snd_pcm_rewind(pcm_, static_cast<snd_pcm_uframes_t>(rewindable - kRewindMargin));
                    if (back > 0) written_ -= back;
                }
            }
            snd_pcm_sframes_t avail = snd_pcm_avail_update(pcm_);
            if (avail < 0) {
                snd_pcm_recover(pcm_, static_cast<int>(avail), 1);
                continue;
            }
            const auto frames = static_cast<int>(std::min<snd_pcm_sframes_t>(avail, static_cast<snd_pcm_sframes_t>(periodFrames_)));
            if (frames <= 0) continue;
            mixer_(buffer.data(), frames, written_);
            const snd_pcm_sframes_t done = snd_pcm_writei(pcm_, buffer.data(), static_cast<snd_pcm_uframes_t>(frames));
            if (done < 0) {
                snd_pcm_recover(pcm_, static_cast<int>(done), 1);
                continue;
            }
            written_ += done;
            snd_pcm_sframes_t delay = 0;
            if (snd_pcm_delay(pcm_, &delay) == 0) {
                noted_ = std::max(noted_, written_ - delay);
                notedTicks_ = TicksNow();
                running_ = snd_pcm_state(pcm_) == SND_PCM_STATE_RUNNING;
            }
        }
    }

    AudioMixer mixer_;
    snd_pcm_t* pcm_ = nullptr;
    snd_pcm_uframes_t bufferFrames_ = 0;
    snd_pcm_uframes_t periodFrames_ = 0;
    bool started_ = false;

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
    auto output = std::make_unique<AlsaOutput>(std::move(mixer));
    if (!output->open(failure)) return nullptr;
    return output;
}

}  // namespace platform
