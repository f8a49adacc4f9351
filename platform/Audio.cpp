#include "platform/Audio.h"

#include "platform/AudioEngine.h"
#include "platform/Platform.h"

#include <SDL2/SDL.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

namespace platform {

using namespace audio;

namespace {

// Frames per buffer of SDL's dummy driver, which only paces the mixer.
constexpr int kDummyBufferFrames = 1024;


void dummyCallback(void* userdata, Uint8* stream, int length)
{
    // Nothing is heard: the buffer only keeps SDL's thread in step.
    std::memset(stream, 0, static_cast<size_t>(length));
    Engine& e = *static_cast<Engine*>(userdata);
    const std::lock_guard<std::mutex> guard(e.lock);
    e.retireEnded(TicksNow(), {});
}

SDL_AudioDeviceID openDummyDevice(Engine& e)
{
    SDL_AudioSpec want{};
    want.freq = kAudioRate;
    want.format = AUDIO_S16SYS;
    want.channels = 2;
    want.samples = kDummyBufferFrames;
    want.callback = dummyCallback;
    want.userdata = &e;
    return SDL_OpenAudioDevice(nullptr, 0, &want, nullptr, 0);
}

void report(const std::string& text)
{
    std::printf("AudioInit() : %s\n", text.c_str());
    std::fflush(stdout);
}

// The output asked for: QUELLIN_AUDIO=server, alsa or dummy; SDL_AUDIODRIVER=dummy
// also means the dummy driver. Empty for the usual order.
std::string requestedOutput()
{
    const char* wanted = std::getenv("QUELLIN_AUDIO");
    if (wanted && *wanted) return wanted;
    const char* sdl = std::getenv("SDL_AUDIODRIVER");
    return sdl && std::strcmp(sdl, "dummy") == 0 ? "dummy" : "";
}

}  // namespace

bool AudioInit(int device, int frequency)
{
    Engine& e = engine();
    {
        const std::lock_guard<std::mutex> guard(e.lock);
        if (e.output != Output::None || frequency != kAudioRate || (device != -1 && device != 0)) return false;
        if (device == 0) {
            e.output = Output::Clock;
            report("internal clock, no sound");
            return true;
        }
    }
    // Opened without the engine's lock: the output's thread mixes under it.
    const std::string wanted = requestedOutput();
    std::string failures;
    std::unique_ptr<AudioOutput> sound = wanted == "dummy" ? nullptr : openSystemOutput(e.mixerFor(1), wanted, failures);

    const std::lock_guard<std::mutex> guard(e.lock);
    if (sound) {
        report(sound->description());
        e.sound = std::move(sound);
        e.generation = 1;
        e.output = Output::Device;
        e.startWatching();
        return true;
    }
    // No sound output now (as on build machines): the show still needs a
    // clock, and one that opens later is taken, unless none was wanted.
    const bool lookOn = wanted != "dummy";
    const std::string until = lookOn ? " until a sound output opens" : "";
    e.reconnecting = lookOn;
    e.reconnectTo = wanted;
    if (lookOn) e.startWatching();
    if (SDL_AudioInit("dummy") == 0) {
        e.device = openDummyDevice(e);
        if (e.device != 0) {
            e.output = Output::Dummy;
            report(failures + "playing on SDL's dummy driver" + until);
            return true;
        }
        failures += std::string("no dummy driver (") + SDL_GetError() + "), ";
    }
    e.output = Output::Clock;
    report(failures + "keeping time with an internal clock" + until);
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
    SDL_AudioDeviceID device = 0;
    std::shared_ptr<AudioOutput> sound;
    {
        const std::lock_guard<std::mutex> guard(e.lock);
        if (e.output == Output::None) return false;
        if (e.running) return true;
        e.running = true;
        // Clock channels resume from where they were held.
        const int64_t now = TicksNow();
        for (auto& c : e.channels) c->floorTicks = now;
        device = e.device;
        sound = e.sound;
    }
    if (device != 0) SDL_PauseAudioDevice(device, 0);
    if (sound) sound->start();
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

// Runs `move` on the channel of `handle` under the engine's lock, if
// `allowed` says it may be moved (checked first, under the lock, so that a
// refused move touches nothing). For an output that is heard, also drops the
// sound already queued from the old place, so the new one is heard as soon as
// the output allows.
bool moveChannel(AudioHandle handle, const std::function<bool(const Channel&)>& allowed,
                 const std::function<bool(Channel&, int64_t)>& move)
{
    Engine& e = engine();
    bool moved = false;
    const auto apply = [&] {
        const std::lock_guard<std::mutex> guard(e.lock);
        if (Channel* c = e.channel(handle)) moved = move(*c, TicksNow());
    };
    std::shared_ptr<AudioOutput> sound;
    {
        const std::lock_guard<std::mutex> guard(e.lock);
        Channel* c = e.channel(handle);
        if (!c || !allowed(*c)) return false;
        if (e.output == Output::Device) sound = e.sound;
    }
    if (sound) sound->replaceQueued(apply);
    else apply();
    return moved;
}

// The frame heard now on a playing channel, or -1 when it is not playing.
int64_t playingFrame(AudioHandle channel)
{
    Engine& e = engine();
    const int64_t now = TicksNow();
    const Heard heard = e.heardNow(now);
    const std::lock_guard<std::mutex> guard(e.lock);
    Channel* c = e.channel(channel);
    if (!c || !c->playing) return -1;
    return e.audibleFrame(*c, now, heard);
}

}  // namespace

bool ChannelPlay(AudioHandle channel, bool restart)
{
    Engine& e = engine();
    const int64_t now = TicksNow();
    const Heard heard = e.heardNow(now);
    int64_t from = 0;
    {
        const std::lock_guard<std::mutex> guard(e.lock);
        Channel* c = e.channel(channel);
        if (!c) return false;
        if (!restart) {
            if (c->playing) return true;
            from = e.audibleFrame(*c, now, heard);
            if (from >= c->sample->audio.frames) from = 0;
        }
    }
    return moveChannel(channel, [](const Channel&) { return true; }, [from](Channel& c, int64_t at) {
        moveTo(c, from, at);
        return true;
    });
}

int64_t ChannelGetPosition(AudioHandle channel)
{
    Engine& e = engine();
    const int64_t now = TicksNow();
    const Heard heard = e.heardNow(now);
    const std::lock_guard<std::mutex> guard(e.lock);
    Channel* c = e.channel(channel);
    if (!c) return 0;
    e.retireEnded(now, heard);
    return e.audibleFrame(*c, now, heard) * kAudioBytesPerFrame;
}

bool ChannelSetPosition(AudioHandle channel, int64_t bytes)
{
    if (bytes < 0) return false;
    const int64_t frame = bytes / kAudioBytesPerFrame;
    // A channel that has played to its end plays again from the new place;
    // one that was never played stays put there.
    const auto within = [frame](const Channel& c) { return frame < c.sample->audio.frames; };
    return moveChannel(channel, within, [frame](Channel& c, int64_t at) {
        moveTo(c, frame, at, c.playing || c.ended);
        return true;
    });
}

bool ChannelPause(AudioHandle channel)
{
    const int64_t at = playingFrame(channel);
    if (at < 0) return false;
    const auto playing = [](const Channel& c) { return c.playing; };
    return moveChannel(channel, playing, [at](Channel& c, int64_t now) {
        if (!c.playing) return false;  // stopped meanwhile
        moveTo(c, at, now, false);
        c.paused = true;
        return true;
    });
}

bool ChannelGetData(AudioHandle channel, float* magnitudes)
{
    Engine& e = engine();
    std::vector<int16_t> window(2 * kSpectrumWindow, 0);
    bool valid = false;
    {
        const int64_t now = TicksNow();
        const Heard heard = e.heardNow(now);
        const std::lock_guard<std::mutex> guard(e.lock);
        e.retireEnded(now, heard);
        Channel* c = e.channel(channel);
        if (c) {
            valid = true;
            if (c->playing || c->paused) {
                // The frames ending at what is heard now; silence before the start.
                const DecodedAudio& audio = c->sample->audio;
                const int64_t end = e.audibleFrame(*c, now, heard);
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
    case Output::Device: return e.sound->kind();
    case Output::Dummy: return "dummy driver";
    case Output::Clock: return "internal clock";
    case Output::Manual: return "manual clock";
    case Output::Lost: return "lost output";
    case Output::None: break;
    }
    return "none";
}

}  // namespace platform
