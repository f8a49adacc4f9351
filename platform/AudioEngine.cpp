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
// An output whose heard stream frame stands this long has stopped playing:
// a working one moves on with every buffer, far more often. Shorter gaps (a
// server starved for a moment) are heard as they are, and the clock takes
// them up; this one stays short of the quarter second after which the clock
// would seek the music.
constexpr int64_t kStallTicks = 150 * kTicksPerMillisecond;
// How long a look at the output's pace lasts, and the pace (heard stream
// frames over real time) at which it plays steadily. An output that keeps
// moving for kMovingTicks plays, even at an uneven pace (a loaded machine).
constexpr int64_t kPaceTicks = 150 * kTicksPerMillisecond;
constexpr double kSteadyPace[2] = {0.8, 1.25};
constexpr int64_t kMovingTicks = 1000 * kTicksPerMillisecond;
// The channel follows at once when the output plays it within this of where
// it has run on to (the position then holds at most this long); further off,
// it is placed anew.
constexpr int64_t kFollowWithinTicks = 60 * kTicksPerMillisecond;


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
    const std::lock_guard<std::mutex> guard(lock);
    notePace(heard, now);
    return heard;
}

void Engine::notePace(Heard heard, int64_t now)
{
    if (!heard.known || heard.generation != generation || output != Output::Device || !running) return;
    // Timing that runs on between reports may pass what was handed over.
    const int64_t frame = std::min(heard.frame, mixedEnd);
    if (frame > streamHeard) {
        if (stalled(now)) movingSinceTicks = now;
        streamHeard = frame;
        streamMovedTicks = now;
    }
    if (paceFrame < 0 || frame < paceFrame) {
        paceFrame = frame;
        paceTicks = now;
        return;
    }
    if (now - paceTicks < kPaceTicks) return;
    const double pace = static_cast<double>(frame - paceFrame) / static_cast<double>(framesIn(now - paceTicks));
    steady = pace >= kSteadyPace[0] && pace <= kSteadyPace[1];
    paceFrame = frame;
    paceTicks = now;
}

bool Engine::stalled(int64_t now) const
{
    return now - streamMovedTicks > kStallTicks;
}

bool Engine::plays(int64_t now) const
{
    return !stalled(now) && (steady || now - movingSinceTicks >= kMovingTicks);
}

void Engine::resetPace(int64_t now)
{
    mixedEnd = 0;
    streamHeard = -1;
    streamMovedTicks = now;
    movingSinceTicks = now;
    steady = false;
    paceFrame = -1;
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
    const bool stopped = stalled(now);
    if (c.following && stopped) {
        // The output does not play: on in real time from where it stood.
        c.following = false;
        c.floor = std::min(c.lastHeard, end);
        c.floorTicks = c.movedTicks;
    }
    if (!c.following) {
        const int64_t runOn = runOnFrame(c, now);
        if (!plays(now) || heardFrame < 0 || c.replaceWanted) return runOn;
        if (std::abs(runOn - heardFrame) > framesIn(kFollowWithinTicks)) {
            c.replaceWanted = true;
            changed.notify_all();
            return runOn;
        }
        // Playing steadily about where the channel has run on to: follow it.
        // The position never goes back: it holds until what is heard passes it.
        c.following = true;
        c.lastHeard = std::max(runOn, heardFrame);
        c.movedTicks = now;
    }
    if (heardFrame > c.lastHeard) {
        c.lastHeard = heardFrame;
        c.movedTicks = now;
    }
    return std::min(c.lastHeard, end);
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
    mixedEnd = std::max(mixedEnd, streamFrame + frames);
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
    resetPace(now);
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
    c.replaceWanted = false;
    ++c.place;
    c.paused = c.paused && !play;
    c.playing = play;
    c.ended = false;
}

}  // namespace platform::audio
