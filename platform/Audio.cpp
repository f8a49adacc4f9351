#include "platform/Audio.h"

#include "platform/AudioDecode.h"
#include "platform/AudioOutput.h"
#include "platform/FftAnalyzer.h"
#include "platform/Platform.h"

#include <SDL2/SDL.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

namespace platform {

namespace {

// Frames per buffer of SDL's dummy driver, which only paces the mixer.
constexpr int kDummyBufferFrames = 1024;
// Mixed stretches remembered per channel; a few seconds of buffers at most.
constexpr size_t kMaxSegments = 512;

constexpr AudioHandle kSampleBase = 0x10000;
constexpr AudioHandle kChannelBase = 0x20000;
constexpr AudioHandle kHandleSpan = 0x10000;

enum class Output { None, Device, Dummy, Clock, Manual };

struct Sample {
    DecodedAudio audio;
};

// A stretch of the track that the mixer handed to the output.
struct Segment {
    int64_t stream = 0;  // its first stream frame
    int64_t track = 0;   // its first frame in the track
    int64_t count = 0;
    uint32_t place = 0;  // the channel's place (see below) when it was mixed
};

// A channel's play state, guarded by the engine's lock.
//
// Device output: the output tells which stream frame is heard now, and the
// segments tell which track frame that is. Every play or seek starts a new
// place; until a frame mixed for it is heard, the position holds at `floor`
// (where it was sent), so the clock never sees the old place again. While
// playing, the position never goes back within a place.
//
// Clock output and SDL's dummy driver: the position is `floor` plus the time
// since `floorTicks`.
struct Channel {
    Sample* sample = nullptr;
    bool playing = false;
    bool ended = false;          // played to its end by itself
    bool paused = false;         // held by ChannelPause at `floor`
    int64_t nextFrame = 0;       // first frame of the next buffer to mix
    int64_t floor = 0;
    int64_t floorTicks = 0;
    uint32_t place = 0;
    int64_t lastHeard = 0;       // the latest position read in this place
    std::deque<Segment> segments;
};

int64_t framesIn(int64_t ticks)
{
    return ticks * kAudioRate / 10'000'000;
}

// The track frame that a heard stream frame carries for this place, or
// `floor` while nothing mixed for it is heard.
int64_t trackFrameHeard(const Channel& c, int64_t heard)
{
    for (auto s = c.segments.rbegin(); s != c.segments.rend(); ++s) {
        if (heard >= s->stream + s->count) {
            // Past everything mixed since: all of this segment is heard.
            return s->place == c.place ? s->track + s->count : c.floor;
        }
        if (heard >= s->stream) return s->place == c.place ? s->track + (heard - s->stream) : c.floor;
    }
    return c.floor;
}

struct Engine {
    std::mutex lock;
    Output output = Output::None;
    SDL_AudioDeviceID device = 0;
    std::unique_ptr<AudioOutput> sound;  // the Device output
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

    // Asks the Device output which stream frame is heard; before taking the
    // engine's lock, as the output's thread takes its lock and then ours.
    struct Heard {
        bool known = false;
        int64_t frame = 0;
    };
    Heard heardNow(int64_t now)
    {
        Heard heard;
        if (sound) heard.known = sound->heardFrame(now, heard.frame);
        return heard;
    }

    // The frame heard now; the lock is held.
    int64_t audibleFrame(Channel& c, int64_t now, Heard heard)
    {
        const int64_t end = c.sample->audio.frames;
        // A manual clock moves only when it is set.
        if (output == Output::Manual || !c.playing || !running) return std::min(c.floor, end);
        if (output == Output::Clock || output == Output::Dummy) {
            // Nothing is heard, so real time is the truth: SDL's dummy driver
            // paces its buffers only roughly (whole milliseconds, late under load).
            return std::min(c.floor + framesIn(now - c.floorTicks), end);
        }
        if (heard.known) {
            // Segments wholly heard are no longer needed; keep the newest.
            while (c.segments.size() > 1 && c.segments.front().stream + c.segments.front().count <= heard.frame)
                c.segments.pop_front();
            c.lastHeard = std::max(c.lastHeard, trackFrameHeard(c, heard.frame));
        }
        return std::min(c.lastHeard, end);
    }

    // Stops channels whose end has been heard, so their spectrum is silence.
    void retireEnded(int64_t now, Heard heard)
    {
        for (auto& c : channels)
            if (c->playing && audibleFrame(*c, now, heard) >= c->sample->audio.frames) {
                c->floor = c->sample->audio.frames;
                c->playing = false;
                c->ended = true;
            }
    }

    // Mixes every playing channel into `out`, which starts at `streamFrame`.
    void mix(int16_t* out, int frames, int64_t streamFrame)
    {
        std::memset(out, 0, static_cast<size_t>(frames) * kAudioBytesPerFrame);
        const std::lock_guard<std::mutex> guard(lock);
        for (auto& c : channels) {
            if (!c->playing) continue;
            const DecodedAudio& audio = c->sample->audio;
            const int64_t start = c->nextFrame;
            const int64_t count = std::clamp<int64_t>(audio.frames - start, 0, frames);
            if (count == 0) continue;
            for (int64_t i = 0; i < 2 * count; ++i) {
                const int sum = out[i] + audio.pcm[static_cast<size_t>(2 * start + i)];
                out[i] = static_cast<int16_t>(std::clamp(sum, -32768, 32767));
            }
            c->nextFrame = start + count;
            c->segments.push_back({streamFrame, start, count, c->place});
            if (c->segments.size() > kMaxSegments) c->segments.pop_front();
        }
    }
};

// Never destroyed: the output's thread may still call in while the process
// ends, and the music plays until then anyway.
Engine& engine()
{
    static Engine* instance = new Engine;
    return *instance;
}

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
    AudioMixer mixer = [&e](int16_t* out, int frames, int64_t streamFrame) { e.mix(out, frames, streamFrame); };
    std::unique_ptr<AudioOutput> sound = wanted == "dummy" ? nullptr : openSystemOutput(mixer, wanted, failures);

    const std::lock_guard<std::mutex> guard(e.lock);
    if (sound) {
        report(sound->description());
        e.sound = std::move(sound);
        e.output = Output::Device;
        return true;
    }
    // No sound card (as on build machines): the show still needs a clock.
    if (SDL_AudioInit("dummy") == 0) {
        e.device = openDummyDevice(e);
        if (e.device != 0) {
            e.output = Output::Dummy;
            report(failures + "playing on SDL's dummy driver");
            return true;
        }
        failures += std::string("no dummy driver (") + SDL_GetError() + "), ";
    }
    e.output = Output::Clock;
    report(failures + "keeping time with an internal clock");
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
    if (e.sound) e.sound->start();
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

// Sends the channel to `frame` and, with `play`, plays it from there: the
// position reads `frame` at once and holds there until audio from there is
// heard.
void moveTo(Channel& c, int64_t frame, int64_t now, bool play = true)
{
    c.nextFrame = frame;
    c.floor = frame;
    c.floorTicks = now;
    c.lastHeard = frame;
    ++c.place;
    c.paused = c.paused && !play;
    c.playing = play;
    c.ended = false;
}

// Runs `move` on the channel of `handle` under the engine's lock; for an
// output that is heard, also drops the sound already queued from the old
// place, so the new one is heard as soon as the output allows.
bool moveChannel(AudioHandle handle, const std::function<bool(Channel&, int64_t)>& move)
{
    Engine& e = engine();
    bool moved = false;
    const auto apply = [&] {
        const std::lock_guard<std::mutex> guard(e.lock);
        if (Channel* c = e.channel(handle)) moved = move(*c, TicksNow());
    };
    AudioOutput* sound = nullptr;
    {
        const std::lock_guard<std::mutex> guard(e.lock);
        Channel* c = e.channel(handle);
        if (!c) return false;
        sound = e.sound.get();
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
    const Engine::Heard heard = e.heardNow(now);
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
    const Engine::Heard heard = e.heardNow(now);
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
    return moveChannel(channel, [from](Channel& c, int64_t at) {
        moveTo(c, from, at);
        return true;
    });
}

int64_t ChannelGetPosition(AudioHandle channel)
{
    Engine& e = engine();
    const int64_t now = TicksNow();
    const Engine::Heard heard = e.heardNow(now);
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
    return moveChannel(channel, [frame](Channel& c, int64_t at) {
        if (frame >= c.sample->audio.frames) return false;
        moveTo(c, frame, at, c.playing || c.ended);
        return true;
    });
}

bool ChannelPause(AudioHandle channel)
{
    const int64_t at = playingFrame(channel);
    if (at < 0) return false;
    return moveChannel(channel, [at](Channel& c, int64_t now) {
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
        const Engine::Heard heard = e.heardNow(now);
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
    case Output::None: break;
    }
    return "none";
}

}  // namespace platform
