#include "platform/Audio.h"

#include "platform/AudioDecode.h"
#include "platform/Platform.h"
#include "platform/Spectrum.h"

#include <SDL2/SDL.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <mutex>
#include <vector>

namespace platform {

namespace {

// Frames per device buffer (23 ms): the position is exact to about that much.
constexpr int kBufferFrames = 1024;

constexpr AudioHandle kSampleBase = 0x10000;
constexpr AudioHandle kChannelBase = 0x20000;
constexpr AudioHandle kHandleSpan = 0x10000;

enum class Output { None, Device, Dummy, Clock, Manual };

struct Sample {
    DecodedAudio audio;
};

// A channel's play state, guarded by the engine's lock.
//
// Device output: each callback hands the device one buffer, which is heard
// after the buffer handed over the time before has played out. So at a
// callback the buffer written at the previous one starts to sound ("heard"),
// and the position runs through it in real time, never past its end. After a
// play or a seek the position holds at `floor` until audio from there sounds.
//
// Clock output and SDL's dummy driver: the position is `floor` plus the time
// since `floorTicks`.
struct Channel {
    Sample* sample = nullptr;
    bool playing = false;
    int64_t nextFrame = 0;       // first frame of the next buffer to write
    int64_t floor = 0;
    int64_t floorTicks = 0;
    int64_t pendingStart = 0;    // written, not yet sounding
    int64_t pendingCount = 0;
    bool heard = false;          // a buffer from this channel is sounding
    int64_t heardStart = 0;
    int64_t heardCount = 0;
    int64_t heardTicks = 0;
};

int64_t framesIn(int64_t ticks)
{
    return ticks * kAudioRate / 10'000'000;
}

struct Engine {
    std::mutex lock;
    Output output = Output::None;
    SDL_AudioDeviceID device = 0;
    bool running = false;
    std::vector<std::unique_ptr<Sample>> samples;
    std::vector<std::unique_ptr<Channel>> channels;

    std::mutex spectrumLock;
    std::unique_ptr<SpectrumAnalyzer> analyzer;

    Channel* channel(AudioHandle handle)
    {
        if (handle < kChannelBase || handle >= kChannelBase + kHandleSpan) return nullptr;
        const size_t index = handle - kChannelBase;
        return index < channels.size() ? channels[index].get() : nullptr;
    }

    // The frame heard now; the lock is held.
    int64_t audibleFrame(const Channel& c, int64_t now) const
    {
        const int64_t end = c.sample->audio.frames;
        // A manual clock moves only when it is set.
        if (output == Output::Manual || !c.playing || !running) return std::min(c.floor, end);
        int64_t frame = c.floor;
        if (output == Output::Clock || output == Output::Dummy) {
            // Nothing is heard, so real time is the truth: SDL's dummy driver
            // paces its buffers only roughly (whole milliseconds, late under load).
            frame = c.floor + framesIn(now - c.floorTicks);
        } else if (c.heard) {
            frame = c.heardStart + std::min(framesIn(now - c.heardTicks), c.heardCount);
        }
        return std::min(frame, end);
    }

    // Stops channels whose end has been heard, so their spectrum is silence.
    void retireEnded(int64_t now)
    {
        for (auto& c : channels)
            if (c->playing && audibleFrame(*c, now) >= c->sample->audio.frames) {
                c->floor = c->sample->audio.frames;
                c->playing = false;
            }
    }

    void mix(int16_t* out, int frames)
    {
        std::memset(out, 0, static_cast<size_t>(frames) * kAudioBytesPerFrame);
        const std::lock_guard<std::mutex> guard(lock);
        const int64_t now = TicksNow();
        for (auto& c : channels) {
            if (!c->playing) continue;
            // The buffer written last time starts to sound now.
            if (c->pendingCount > 0) {
                c->heard = true;
                c->heardStart = c->pendingStart;
                c->heardCount = c->pendingCount;
                c->heardTicks = now;
            } else if (c->heard) {
                c->heardStart += c->heardCount;  // played out: hold at its end
                c->heardCount = 0;
            }
            const DecodedAudio& audio = c->sample->audio;
            const int64_t start = c->nextFrame;
            const int64_t count = std::clamp<int64_t>(audio.frames - start, 0, frames);
            for (int64_t i = 0; i < 2 * count; ++i) {
                const int sum = out[i] + audio.pcm[static_cast<size_t>(2 * start + i)];
                out[i] = static_cast<int16_t>(std::clamp(sum, -32768, 32767));
            }
            c->nextFrame = start + count;
            c->pendingStart = start;
            c->pendingCount = count;
        }
        retireEnded(now);
    }
};

// Never destroyed: the device's thread may still call in while the process
// ends, and the music plays until then anyway.
Engine& engine()
{
    static Engine* instance = new Engine;
    return *instance;
}

void audioCallback(void* userdata, Uint8* stream, int length)
{
    static_cast<Engine*>(userdata)->mix(reinterpret_cast<int16_t*>(stream), length / kAudioBytesPerFrame);
}

SDL_AudioDeviceID openDevice(Engine& e)
{
    SDL_AudioSpec want{};
    want.freq = kAudioRate;
    want.format = AUDIO_S16SYS;
    want.channels = 2;
    want.samples = kBufferFrames;
    want.callback = audioCallback;
    want.userdata = &e;
    // No changes allowed: SDL converts to whatever the hardware takes.
    return SDL_OpenAudioDevice(nullptr, 0, &want, nullptr, 0);
}

void report(const char* text)
{
    std::printf("AudioInit() : %s\n", text);
    std::fflush(stdout);
}

}  // namespace

bool AudioInit(int device, int frequency)
{
    Engine& e = engine();
    const std::lock_guard<std::mutex> guard(e.lock);
    if (e.output != Output::None || frequency != kAudioRate || (device != -1 && device != 0)) return false;

    if (device == 0) {
        e.output = Output::Clock;
        return true;
    }
    std::string failure;
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) == 0) {
        e.device = openDevice(e);
        if (e.device != 0) {
            const char* driver = SDL_GetCurrentAudioDriver();
            e.output = (driver && std::strcmp(driver, "dummy") == 0) ? Output::Dummy : Output::Device;
            return true;
        }
        failure = SDL_GetError();
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
    } else {
        failure = SDL_GetError();
    }
    // No sound card (as on build machines): the show still needs a clock.
    if (SDL_AudioInit("dummy") == 0) {
        e.device = openDevice(e);
        if (e.device != 0) {
            e.output = Output::Dummy;
            report(("no audio device (" + failure + "), playing on SDL's dummy driver").c_str());
            return true;
        }
    }
    e.output = Output::Clock;
    report(("no audio device (" + failure + "), keeping time with an internal clock").c_str());
    return true;
}

bool AudioInitManual()
{
    Engine& e = engine();
    const std::lock_guard<std::mutex> guard(e.lock);
    if (e.output != Output::None) return false;
    e.output = Output::Manual;
    return true;
}

AudioHandle SampleLoad(const std::string& path)
{
    auto sample = std::make_unique<Sample>();
    std::string error;
    if (!DecodeAudioFile(path, sample->audio, error)) {
        std::printf("SampleLoad() : cannot play %s: %s\n", path.c_str(), error.c_str());
        std::fflush(stdout);
        return 0;
    }
    Engine& e = engine();
    const std::lock_guard<std::mutex> guard(e.lock);
    if (e.samples.size() >= kHandleSpan) return 0;
    e.samples.push_back(std::move(sample));
    return kSampleBase + static_cast<AudioHandle>(e.samples.size() - 1);
}

bool Start()
{
    Engine& e = engine();
    {
        const std::lock_guard<std::mutex> guard(e.lock);
        if (e.output == Output::None) return false;
        if (e.running) return true;
        e.running = true;
        // Clock channels resume from where they were held.
        const int64_t now = TicksNow();
        for (auto& c : e.channels) c->floorTicks = now;
    }
    if (e.device != 0) SDL_PauseAudioDevice(e.device, 0);
    return true;
}

AudioHandle SampleGetChannel(AudioHandle sample)
{
    Engine& e = engine();
    const std::lock_guard<std::mutex> guard(e.lock);
    if (sample < kSampleBase || sample >= kSampleBase + kHandleSpan) return 0;
    const size_t index = sample - kSampleBase;
    if (index >= e.samples.size()) return 0;
    Sample* wanted = e.samples[index].get();
    for (size_t i = 0; i < e.channels.size(); ++i)
        if (e.channels[i]->sample == wanted) return kChannelBase + static_cast<AudioHandle>(i);
    if (e.channels.size() >= kHandleSpan) return 0;
    auto channel = std::make_unique<Channel>();
    channel->sample = wanted;
    e.channels.push_back(std::move(channel));
    return kChannelBase + static_cast<AudioHandle>(e.channels.size() - 1);
}

namespace {

// Holds the channel at `frame` until the device takes audio from there.
void moveTo(Channel& c, int64_t frame, int64_t now)
{
    c.nextFrame = frame;
    c.floor = frame;
    c.floorTicks = now;
    c.pendingCount = 0;
    c.heard = false;
}

}  // namespace

bool ChannelPlay(AudioHandle channel, bool restart)
{
    Engine& e = engine();
    const std::lock_guard<std::mutex> guard(e.lock);
    Channel* c = e.channel(channel);
    if (!c) return false;
    const int64_t now = TicksNow();
    if (restart) {
        moveTo(*c, 0, now);
    } else if (!c->playing) {
        const int64_t here = e.audibleFrame(*c, now);
        moveTo(*c, here >= c->sample->audio.frames ? 0 : here, now);
    }
    c->playing = true;
    return true;
}

int64_t ChannelGetPosition(AudioHandle channel)
{
    Engine& e = engine();
    const std::lock_guard<std::mutex> guard(e.lock);
    const Channel* c = e.channel(channel);
    if (!c) return 0;
    return e.audibleFrame(*c, TicksNow()) * kAudioBytesPerFrame;
}

bool ChannelSetPosition(AudioHandle channel, int64_t bytes)
{
    Engine& e = engine();
    const std::lock_guard<std::mutex> guard(e.lock);
    Channel* c = e.channel(channel);
    if (!c || bytes < 0) return false;
    const int64_t frame = bytes / kAudioBytesPerFrame;
    if (frame >= c->sample->audio.frames) return false;
    moveTo(*c, frame, TicksNow());
    return true;
}

bool ChannelGetData(AudioHandle channel, float* magnitudes)
{
    Engine& e = engine();
    std::vector<int16_t> window(2 * kSpectrumWindow, 0);
    bool valid = false;
    {
        const std::lock_guard<std::mutex> guard(e.lock);
        const int64_t now = TicksNow();
        e.retireEnded(now);
        const Channel* c = e.channel(channel);
        if (c) {
            valid = true;
            if (c->playing) {
                // The frames ending at what is heard now; silence before the start.
                const DecodedAudio& audio = c->sample->audio;
                const int64_t end = e.audibleFrame(*c, now);
                const int64_t first = std::max<int64_t>(end - kSpectrumWindow, 0);
                const int64_t skip = first - (end - kSpectrumWindow);
                std::copy(audio.pcm.begin() + 2 * first, audio.pcm.begin() + 2 * end, window.begin() + 2 * skip);
            }
        }
    }
    if (!valid) {
        std::fill(magnitudes, magnitudes + kSpectrumBins, 0.0f);
        return false;
    }
    const std::lock_guard<std::mutex> guard(e.spectrumLock);
    if (!e.analyzer) e.analyzer = std::make_unique<SpectrumAnalyzer>();
    e.analyzer->compute(window.data(), magnitudes);
    return true;
}

const char* AudioOutputName()
{
    Engine& e = engine();
    const std::lock_guard<std::mutex> guard(e.lock);
    switch (e.output) {
    case Output::Device: return "default device";
    case Output::Dummy: return "dummy driver";
    case Output::Clock: return "internal clock";
    case Output::Manual: return "manual clock";
    case Output::None: break;
    }
    return "none";
}

}  // namespace platform
