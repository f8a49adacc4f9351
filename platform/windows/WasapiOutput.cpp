// The music through the Windows audio session API in shared mode, on the
// default render device. A thread of the output's own does all of its COM
// work: it opens the stream, fills the buffer whenever the engine signals,
// and after every fill notes the audio clock's position (the frame reaching
// the speaker) with the performance-counter time it was taken at; the heard
// frame runs on from the notes in real time. A note taken late (the thread
// woke late, or the position moves in steps and was read a while after its
// last one, as under Wine) shows a frame that was reached earlier than its
// time says, never later, so of the notes of the last 100 ms the one that
// runs on the furthest is the truest. A call that fails (the device
// unplugged or invalidated, the audio service stopped) ends the thread and
// the output is lost: the back end runs the music on and opens a new one.
#include "platform/Audio.h"
#include "platform/Platform.h"
#include "platform/windows/WindowsOutputs.h"

#include <audioclient.h>
#include <mmdeviceapi.h>
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstdio>
#include <deque>
#include <mutex>
#include <thread>

namespace platform {

namespace {

constexpr REFERENCE_TIME kBufferDuration = 500'000;  // 50 ms, in 100 ns units
constexpr DWORD kWakeMs = 200;                       // a late signal never stalls the thread
constexpr int64_t kNoteWindow = 1'000'000;           // 100 ms of notes, in TicksNow units

template <typename T>
void release(T*& object)
{
    if (object) object->Release();
    object = nullptr;
}

std::string hresultText(HRESULT result)
{
    switch (result) {
    case AUDCLNT_E_DEVICE_INVALIDATED: return "the device is gone";
    case AUDCLNT_E_SERVICE_NOT_RUNNING: return "the audio service is not running";
    case AUDCLNT_E_UNSUPPORTED_FORMAT: return "44100 Hz 16-bit stereo is not supported";
    case AUDCLNT_E_DEVICE_IN_USE: return "the device is in exclusive use";
    case E_NOTFOUND: return "no playback device";
    default: break;
    }
    char text[32];
    std::snprintf(text, sizeof text, "error 0x%08lx", static_cast<unsigned long>(result));
    return text;
}

class WasapiOutput final : public AudioOutput {
public:
    explicit WasapiOutput(AudioMixer mixer) : mixer_(std::move(mixer)) {}

    ~WasapiOutput() override
    {
        {
            const std::lock_guard<std::mutex> guard(lock_);
            stopping_ = true;
            wake_.notify_all();
        }
        if (event_) SetEvent(event_);
        if (thread_.joinable()) thread_.join();
        if (event_) CloseHandle(event_);
    }

    bool open(std::string& failure)
    {
        thread_ = std::thread([this] { run(); });
        std::unique_lock<std::mutex> guard(lock_);
        wake_.wait(guard, [this] { return setUpDone_; });
        if (!setUpFailure_.empty()) {
            failure = setUpFailure_;
            guard.unlock();
            thread_.join();
            return false;
        }
        return true;
    }

    const char* kind() const override { return "WASAPI device"; }

    const char* choice() const override { return "wasapi"; }

    std::string description() const override
    {
        char text[256];
        std::snprintf(text, sizeof text,
                      "WASAPI shared mode on the default device, %.0f ms buffer, %.0f ms stream latency; "
                      "position from the audio clock",
                      bufferFrames_ * 1000.0 / kAudioRate, streamLatency_ / 10'000.0);
        return text;
    }

    void start() override
    {
        const std::lock_guard<std::mutex> guard(lock_);
        startWanted_ = true;
        wake_.notify_all();
    }

    bool heardFrame(int64_t now, int64_t& frame) override
    {
        const std::lock_guard<std::mutex> guard(lock_);
        frame = noted_;
        for (const Note& n : notes_)
            frame = std::max(frame, n.frame + std::max<int64_t>(now - n.ticks, 0) * kAudioRate / 10'000'000);
        // A new note may fall a little short of where the last one was run on to.
        frame = std::max(std::min(frame, written_), reported_);
        reported_ = frame;
        return true;
    }

    void replaceQueued(const std::function<void()>& move) override
    {
        // The thread drops the queue before it mixes again.
        const std::lock_guard<std::mutex> guard(lock_);
        move();
        dropQueued_ = true;
    }

private:
    void run()
    {
        const HRESULT com = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
        std::string failure = setUp();
        if (FAILED(com) && failure.empty()) failure = "COM: " + hresultText(com);
        {
            const std::lock_guard<std::mutex> guard(lock_);
            setUpDone_ = true;
            setUpFailure_ = failure;
        }
        wake_.notify_all();
        if (failure.empty()) play();
        release(clock_);
        release(render_);
        release(client_);
        if (SUCCEEDED(com)) CoUninitialize();
    }

    std::string setUp()
    {
        IMMDeviceEnumerator* enumerator = nullptr;
        IMMDevice* device = nullptr;
        HRESULT result = CoCreateInstance(__uuidof(MMDeviceEnumerator), nullptr, CLSCTX_ALL,
                                          __uuidof(IMMDeviceEnumerator), reinterpret_cast<void**>(&enumerator));
        if (SUCCEEDED(result)) result = enumerator->GetDefaultAudioEndpoint(eRender, eConsole, &device);
        if (SUCCEEDED(result))
            result = device->Activate(__uuidof(IAudioClient), CLSCTX_ALL, nullptr, reinterpret_cast<void**>(&client_));
        release(device);
        release(enumerator);
        if (FAILED(result)) return hresultText(result);

        WAVEFORMATEX format{};
        format.wFormatTag = WAVE_FORMAT_PCM;
        format.nChannels = 2;
        format.nSamplesPerSec = kAudioRate;
        format.wBitsPerSample = 16;
        format.nBlockAlign = kAudioBytesPerFrame;
        format.nAvgBytesPerSec = static_cast<DWORD>(kAudioBytesPerSecond);
        // The engine converts our rate to its own where they differ.
        const DWORD convert = AUDCLNT_STREAMFLAGS_AUTOCONVERTPCM | AUDCLNT_STREAMFLAGS_SRC_DEFAULT_QUALITY;
        result = client_->Initialize(AUDCLNT_SHAREMODE_SHARED, AUDCLNT_STREAMFLAGS_EVENTCALLBACK | convert,
                                     kBufferDuration, 0, &format, nullptr);
        if (result == E_INVALIDARG)  // a system that does not know the conversion flags
            result = client_->Initialize(AUDCLNT_SHAREMODE_SHARED, AUDCLNT_STREAMFLAGS_EVENTCALLBACK, kBufferDuration,
                                         0, &format, nullptr);
        if (FAILED(result)) return hresultText(result);

        event_ = CreateEventW(nullptr, FALSE, FALSE, nullptr);
        if (!event_) return "no event";
        UINT32 frames = 0;
        result = client_->SetEventHandle(event_);
        if (SUCCEEDED(result)) result = client_->GetBufferSize(&frames);
        if (SUCCEEDED(result)) result = client_->GetStreamLatency(&streamLatency_);
        if (SUCCEEDED(result))
            result = client_->GetService(__uuidof(IAudioRenderClient), reinterpret_cast<void**>(&render_));
        if (SUCCEEDED(result)) result = client_->GetService(__uuidof(IAudioClock), reinterpret_cast<void**>(&clock_));
        if (SUCCEEDED(result)) result = clock_->GetFrequency(&clockFrequency_);
        if (FAILED(result)) return hresultText(result);
        if (clockFrequency_ == 0) return "the audio clock has no frequency";
        bufferFrames_ = frames;
        return {};
    }

    // Fills what the buffer has room for; the lock is held.
    HRESULT fill()
    {
        UINT32 padding = 0;
        HRESULT result = client_->GetCurrentPadding(&padding);
        if (FAILED(result)) return result;
        const UINT32 room = bufferFrames_ - std::min(padding, bufferFrames_);
        if (room == 0) return S_OK;
        BYTE* data = nullptr;
        result = render_->GetBuffer(room, &data);
        if (FAILED(result)) return result;
        mixer_(reinterpret_cast<int16_t*>(data), static_cast<int>(room), written_);
        result = render_->ReleaseBuffer(room, 0);
        if (SUCCEEDED(result)) written_ += room;
        return result;
    }

    // The stream frame at the speaker now, from the audio clock; the lock is held.
    HRESULT note()
    {
        UINT64 position = 0, counter = 0;
        const HRESULT result = clock_->GetPosition(&position, &counter);
        if (FAILED(result)) return result;
        const auto frames = static_cast<int64_t>(position * kAudioRate / clockFrequency_);
        const auto ticks = static_cast<int64_t>(counter);
        notes_.push_back({std::min(base_ + frames, written_), ticks});
        while (notes_.front().ticks < ticks - kNoteWindow) notes_.pop_front();
        return S_OK;
    }

    void play()
    {
        std::unique_lock<std::mutex> guard(lock_);
        wake_.wait(guard, [this] { return startWanted_ || stopping_; });
        if (stopping_) return;
        HRESULT result = fill();
        if (SUCCEEDED(result)) result = client_->Start();
        while (SUCCEEDED(result) && !stopping_) {
            guard.unlock();
            WaitForSingleObject(event_, kWakeMs);
            guard.lock();
            if (dropQueued_) {
                // Reset drops the engine's queue and starts the clock's
                // position at 0 again: what follows is counted from here.
                dropQueued_ = false;
                result = client_->Stop();
                if (SUCCEEDED(result)) result = client_->Reset();
                if (SUCCEEDED(result)) {
                    // Notes of the old queue say nothing of the new one:
                    // the position holds at its start until a new note.
                    base_ = written_;
                    noted_ = std::max(noted_, base_);
                    notes_.clear();
                    result = fill();
                }
                if (SUCCEEDED(result)) result = client_->Start();
                if (FAILED(result)) break;
            }
            result = fill();
            if (SUCCEEDED(result)) result = note();
        }
        if (stopping_) return;
        markLost(hresultText(result));
    }

    AudioMixer mixer_;
    std::thread thread_;
    IAudioClient* client_ = nullptr;
    IAudioRenderClient* render_ = nullptr;
    IAudioClock* clock_ = nullptr;
    HANDLE event_ = nullptr;
    UINT64 clockFrequency_ = 0;
    UINT32 bufferFrames_ = 0;
    REFERENCE_TIME streamLatency_ = 0;

    std::mutex lock_;
    std::condition_variable wake_;
    bool setUpDone_ = false;
    std::string setUpFailure_;
    bool startWanted_ = false;
    bool stopping_ = false;  // the output is being destroyed
    struct Note {
        int64_t frame;  // the stream frame heard
        int64_t ticks;  // when, in TicksNow units
    };
    bool dropQueued_ = false;
    int64_t written_ = 0;     // stream frames handed to the engine
    int64_t base_ = 0;        // the stream frame at which the clock's position last started from 0
    int64_t noted_ = 0;       // the heard frame where no note runs on (before the first, after a drop)
    std::deque<Note> notes_;  // the last 100 ms of notes, oldest first
    int64_t reported_ = 0;    // the heard frame last reported
};

}  // namespace

std::unique_ptr<AudioOutput> openWasapiOutput(AudioMixer mixer, std::string& failure)
{
    auto output = std::make_unique<WasapiOutput>(std::move(mixer));
    if (!output->open(failure)) return nullptr;
    return output;
}

}  // namespace platform
