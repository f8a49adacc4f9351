// The music through the older waveform audio API (waveOut), which every
// Windows and every Windows emulation has. A thread keeps a ring of short
// buffers queued; the heard frame is the device's own sample count. A buffer
// the device refuses (its driver gone) makes the output lost.
#include "platform/Audio.h"
#include "platform/windows/WindowsOutputs.h"

#include <windows.h>
#include <mmsystem.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cstdio>
#include <mutex>
#include <thread>
#include <vector>

namespace platform {

namespace {

constexpr int kBuffers = 8;
constexpr int kBufferFrames = 882;  // 20 ms each

std::string waveText(MMRESULT result)
{
    char text[MAXERRORLENGTH] = {};
    if (waveOutGetErrorTextA(result, text, sizeof text) != MMSYSERR_NOERROR)
        std::snprintf(text, sizeof text, "error %u", result);
    return text;
}

class WaveOutput final : public AudioOutput {
public:
    explicit WaveOutput(AudioMixer mixer) : mixer_(std::move(mixer)) {}

    ~WaveOutput() override
    {
        {
            const std::lock_guard<std::mutex> guard(lock_);
            stopping_ = true;
        }
        if (event_) SetEvent(event_);
        if (thread_.joinable()) thread_.join();
        if (wave_) {
            // Every buffer handed back before its header is let go.
            waveOutReset(wave_);
            for (WAVEHDR& buffer : buffers_) waveOutUnprepareHeader(wave_, &buffer, sizeof(WAVEHDR));
            waveOutClose(wave_);
        }
        if (event_) CloseHandle(event_);
    }

    bool open(std::string& failure)
    {
        event_ = CreateEventW(nullptr, FALSE, FALSE, nullptr);
        WAVEFORMATEX format{};
        format.wFormatTag = WAVE_FORMAT_PCM;
        format.nChannels = 2;
        format.nSamplesPerSec = kAudioRate;
        format.wBitsPerSample = 16;
        format.nBlockAlign = kAudioBytesPerFrame;
        format.nAvgBytesPerSec = static_cast<DWORD>(kAudioBytesPerSecond);
        const MMRESULT result = waveOutOpen(&wave_, WAVE_MAPPER, &format, reinterpret_cast<DWORD_PTR>(event_), 0,
                                            CALLBACK_EVENT);
        if (result != MMSYSERR_NOERROR) {
            wave_ = nullptr;
            failure = waveText(result);
            return false;
        }
        // Buffers queued before start() wait there.
        waveOutPause(wave_);
        for (size_t i = 0; i < buffers_.size(); ++i) {
            samples_[i].resize(2 * kBufferFrames);
            buffers_[i].lpData = reinterpret_cast<LPSTR>(samples_[i].data());
            buffers_[i].dwBufferLength = kBufferFrames * kAudioBytesPerFrame;
            waveOutPrepareHeader(wave_, &buffers_[i], sizeof(WAVEHDR));
            buffers_[i].dwFlags |= WHDR_DONE;  // free to fill
        }
        return true;
    }

    const char* kind() const override { return "waveOut device"; }

    const char* choice() const override { return "waveout"; }

    std::string description() const override
    {
        char text[160];
        std::snprintf(text, sizeof text, "waveOut on the default device, %d x %d ms buffers; position from the device",
                      kBuffers, kBufferFrames * 1000 / kAudioRate);
        return text;
    }

    void start() override
    {
        {
            const std::lock_guard<std::mutex> guard(lock_);
            fillFree();
            waveOutRestart(wave_);
        }
        thread_ = std::thread([this] { run(); });
    }

    bool heardFrame(int64_t, int64_t& frame) override
    {
        const std::lock_guard<std::mutex> guard(lock_);
        MMTIME time{};
        time.wType = TIME_SAMPLES;
        if (waveOutGetPosition(wave_, &time, sizeof time) != MMSYSERR_NOERROR || time.wType != TIME_SAMPLES)
            return false;
        frame = std::min(base_ + static_cast<int64_t>(time.u.sample), written_);
        return true;
    }

    void replaceQueued(const std::function<void()>& move) override
    {
        // waveOutReset hands every queued buffer back unplayed and starts the
        // device's count at 0 again.
        const std::lock_guard<std::mutex> guard(lock_);
        move();
        waveOutReset(wave_);
        base_ = written_;
        fillFree();
    }

private:
    void run()
    {
        for (;;) {
            WaitForSingleObject(event_, 100);
            const std::lock_guard<std::mutex> guard(lock_);
            if (stopping_ || lost()) return;
            fillFree();
        }
    }

    // Mixes into every buffer the device has handed back and queues it; the lock is held.
    void fillFree()
    {
        for (size_t n = 0; n < buffers_.size(); ++n) {
            WAVEHDR& buffer = buffers_[next_];
            if (!(buffer.dwFlags & WHDR_DONE)) break;  // played in order: the rest are queued
            mixer_(samples_[next_].data(), kBufferFrames, written_);
            buffer.dwFlags &= ~static_cast<DWORD>(WHDR_DONE);
            if (const MMRESULT result = waveOutWrite(wave_, &buffer, sizeof(WAVEHDR)); result != MMSYSERR_NOERROR) {
                buffer.dwFlags |= WHDR_DONE;
                markLost(waveText(result));
                break;
            }
            written_ += kBufferFrames;
            next_ = (next_ + 1) % buffers_.size();
        }
    }

    AudioMixer mixer_;
    HWAVEOUT wave_ = nullptr;
    HANDLE event_ = nullptr;
    std::array<WAVEHDR, kBuffers> buffers_{};
    std::array<std::vector<int16_t>, kBuffers> samples_;

    std::thread thread_;

    std::mutex lock_;
    bool stopping_ = false;  // the output is being destroyed
    size_t next_ = 0;        // the buffer to fill next
    int64_t written_ = 0;    // stream frames queued
    int64_t base_ = 0;       // the stream frame at which the device's count last started from 0
};

}  // namespace

std::unique_ptr<AudioOutput> openWaveOutput(AudioMixer mixer, std::string& failure)
{
    auto output = std::make_unique<WaveOutput>(std::move(mixer));
    if (!output->open(failure)) return nullptr;
    return output;
}

}  // namespace platform
