// Positions and mixing of the music back end: which track frame is heard
// now, and what the output is handed next.
#include "platform/AudioEngine.h"

#include "platform/Platform.h"

#include <algorithm>
#include <cstring>
#include <thread>

namespace platform::audio {

namespace {

// Mixed stretches remembered per channel; a few seconds of buffers at most.
constexpr size_t kMaxSegments = 512;

constexpr int64_t kTicksPerMillisecond = 10'000;
// A followed position that stands longer than this while playing means the
// output has stopped playing: longer than any seek's hold on a working output
// (a few ms on the server's stream, about 30 ms through ALSA), well short of
// the quarter second after which the clock would seek the music.
constexpr int64_t kStallTicks = 150 * kTicksPerMillisecond;
// How long a channel's heard position must keep pace with real time (within
// kSteadyPace) before the channel follows the output again.
constexpr int64_t kSteadyTicks = 150 * kTicksPerMillisecond;
constexpr double kSteadyPace[2] = {0.8, 1.25};
// The channel follows at once when the output plays it within this of where
// it has run on to (the position then holds at most this long); further off,
// it is placed anew.
constexpr int64_t kFollowWithinTicks = 60 * kTicksPerMillisecond;

constexpr AudioHandle kChannelBase = 0x20000;
constexpr AudioHandle kHandleSpan = 0x10000;

int64_t framesIn(int64_t ticks)
{
    return ticks * kAudioRate / 10'000'000;
}

// The track frame that a heard stream frame carries for this place, or -1
// while nothing mixed for it is heard.
int64_t trackFrameHeard(const Channel& c, int64_t heard)
{
    for (auto s = c.segments.rbegin(); s != c.segments.rend(); ++s) {
        if (heard >= s->stream + s->count) {
            // Past everything mixed since: all of this segment is heard.
            return s->place == c.place ? s->track + s->count : -1;
        }
        if (heard >= s->stream) return s->place == c.place ? s->track + (heard - s->stream) : -1;
    }
    return -1;
}

// Where a channel that does not follow the output has run on to.
int64_t runOnFrame(const Channel& c, int64_t now)
{
    return std::min(c.floor + framesIn(now - c.floorTicks), c.sample->audio.frames);
}

}  // namespace

Engine& engine()
{
    static Engine* instance = new Engine;
    return *instance;
}

Channel* Engine::channel(AudioHandle handle)
{
    if (handle < kChannelBase || handle >= kChannelBase + kHandleSpan) return nullptr;
    const size_t index = handle - kChannelBase;
    return index < channels.size() ? channels[index].get() : nullptr;
}

Heard Engine::heardNow(int64_t now)
{
    Heard heard;
    std::shared_ptr<AudioOutput> current;
    {
        const std::lock_guard<std::mutex> guard(lock);
        current = sound;
        heard.generation = generation;
    }
    if (!current) return heard;
    if (current->lost()) {
        const std::lock_guard<std::mutex> guard(lock);
        if (sound == current) noticeLoss();
        return heard;
    }
    heard.known = current->heardFrame(now, heard.frame);
    return heard;
}

int64_t Engine::audibleFrame(Channel& c, int64_t now, Heard heard)
{
    const int64_t end = c.sample->audio.frames;
    // A manual clock moves only when it is set.
    if (output == Output::Manual || !c.playing || !running) return std::min(c.floor, end);
    if (output != Output::Device) return runOnFrame(c, now);
    const bool fresh = heard.known && heard.generation == generation;
    if (fresh) {
        // Segments wholly heard are no longer needed; keep the newest.
        while (c.segments.size() > 1 && c.segments.front().stream + c.segments.front().count <= heard.frame)
            c.segments.pop_front();
    }
    const int64_t heardFrame = fresh ? trackFrameHeard(c, heard.frame) : -1;
    if (!c.following) {
        const int64_t runOn = runOnFrame(c, now);
        if (fresh && !c.replaceWanted) probe(c, now, heardFrame, runOn);
        if (!c.following) return runOn;
    }
    if (heardFrame > c.lastHeard) {
        c.lastHeard = heardFrame;
        c.movedTicks = now;
    }
    if (now - c.movedTicks > kStallTicks && c.lastHeard < end) {
        // The output does not play: on in real time from where it stopped.
        c.following = false;
        c.floor = c.lastHeard;
        c.floorTicks = c.movedTicks;
        c.probeFrame = -1;
        return runOnFrame(c, now);
    }
    return std::min(c.lastHeard, end);
}

void Engine::probe(Channel& c, int64_t now, int64_t heardFrame, int64_t runOn)
{
    if (heardFrame < 0) {
        c.probeFrame = -1;
        return;
    }
    if (c.probeFrame < 0 || heardFrame < c.probeFrame) {
        c.probeFrame = heardFrame;
        c.probeTicks = now;
        return;
    }
    if (now - c.probeTicks < kSteadyTicks) return;
    const double pace = static_cast<double>(heardFrame - c.probeFrame) / static_cast<double>(framesIn(now - c.probeTicks));
    if (pace < kSteadyPace[0] || pace > kSteadyPace[1]) {
        c.probeFrame = heardFrame;
        c.probeTicks = now;
        return;
    }
    if (std::abs(runOn - heardFrame) <= framesIn(kFollowWithinTicks)) {
        // The position never goes back: it holds until what is heard passes it.
        c.following = true;
        c.lastHeard = std::max(runOn, heardFrame);
        c.movedTicks = now;
    } else {
        c.replaceWanted = true;
        changed.notify_all();
    }
}

void Engine::retireEnded(int64_t now, Heard heard)
{
    for (auto& c : channels)
        if (c->playing && audibleFrame(*c, now, heard) >= c->sample->audio.frames) {
            c->floor = c->sample->audio.frames;
            c->playing = false;
            c->ended = true;
        }
}

AudioMixer Engine::mixerFor(uint32_t forGeneration)
{
    return [this, forGeneration](int16_t* out, int frames, int64_t streamFrame) {
        mix(out, frames, streamFrame, forGeneration);
    };
}

void Engine::mix(int16_t* out, int frames, int64_t streamFrame, uint32_t forGeneration)
{
    std::memset(out, 0, static_cast<size_t>(frames) * kAudioBytesPerFrame);
    const std::lock_guard<std::mutex> guard(lock);
    if (output != Output::Device || forGeneration != generation) return;
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

void Engine::noticeLoss()
{
    const int64_t now = TicksNow();
    for (auto& c : channels) {
        if (c->playing && c->following) {
            // On in real time from the last position heard, from when it moved.
            c->floor = std::min(c->lastHeard, c->sample->audio.frames);
            c->floorTicks = std::min(c->movedTicks, now);
        }
        c->following = false;
        c->replaceWanted = false;
        c->segments.clear();
    }
    output = Output::Lost;
    reconnecting = true;
    reconnectTo = sound->choice();
    lostSound = std::move(sound);
    changed.notify_all();
}

void Engine::resume(std::shared_ptr<AudioOutput> fresh, uint32_t freshGeneration, int64_t now)
{
    for (auto& c : channels) {
        // Stream frames of the new output count from 0 again.
        c->segments.clear();
        if (c->playing) moveTo(*c, audibleFrame(*c, now, {}), now);
        c->following = false;
    }
    sound = std::move(fresh);
    generation = freshGeneration;
    output = Output::Device;
    reconnecting = false;
}

bool Engine::replaceWanted() const
{
    return std::any_of(channels.begin(), channels.end(), [](const auto& c) { return c->replaceWanted; });
}

void Engine::replaceWaiting(int64_t now)
{
    for (auto& c : channels) {
        if (!c->replaceWanted) continue;
        c->replaceWanted = false;
        if (!c->playing || c->following || output != Output::Device) continue;
        moveTo(*c, runOnFrame(*c, now), now);
        c->following = true;
    }
}

void Engine::startWatching()
{
    if (watching) return;
    watching = true;
    std::thread([this] { watchOutput(*this); }).detach();
}

void moveTo(Channel& c, int64_t frame, int64_t now, bool play)
{
    c.nextFrame = frame;
    c.floor = frame;
    c.floorTicks = now;
    c.lastHeard = frame;
    c.movedTicks = now;
    c.probeFrame = -1;
    c.replaceWanted = false;
    ++c.place;
    c.paused = c.paused && !play;
    c.playing = play;
    c.ended = false;
}

}  // namespace platform::audio
