#pragma once
// The music back end's inner state, shared by the files that make it up
// (Audio.cpp: the calls of Audio.h; AudioEngine.cpp: positions and mixing;
// AudioWatch.cpp: losing and finding the output). Not for other callers.
#include "platform/Audio.h"
#include "platform/AudioDecode.h"
#include "platform/AudioOutput.h"
#include "platform/FftAnalyzer.h"

#include <SDL2/SDL.h>

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace platform::audio {

// Handles: samples and channels in spans of their own, so neither is taken
// for the other.
constexpr AudioHandle kSampleBase = 0x10000;
constexpr AudioHandle kChannelBase = 0x20000;
constexpr AudioHandle kHandleSpan = 0x10000;

// How positions are made. Device: from what the output says is heard. Dummy,
// Clock and Lost: nothing is heard, so real time is the truth (SDL's dummy
// driver paces its buffers only roughly). Manual: only seeks move them.
enum class Output { None, Device, Dummy, Clock, Manual, Lost };

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
// Device output, while the channel follows it: the output tells which stream
// frame is heard now, and the segments tell which track frame that is. Every
// play or seek starts a new place; until a frame mixed for it is heard, the
// position holds at `floor` (where it was sent), so the clock never sees the
// old place again. While playing, the position never goes back within a place.
//
// Otherwise the position is `floor` plus the time since `floorTicks`: always
// without a heard output (Dummy, Clock, Lost), and on a Device output while
// the channel does not follow it: from its first play until the output is
// heard playing steadily (a sink waking up, a new output after a loss), and
// whenever the output stops playing (a server that stopped answering), from
// where the channel was when it stopped. Once the output plays steadily and
// the channel's place is heard, the channel follows it again, after being
// placed anew where it has run on to if the output plays it elsewhere.
struct Channel {
    Sample* sample = nullptr;
    bool playing = false;
    bool ended = false;          // played to its end by itself
    bool paused = false;         // held by ChannelPause at `floor`
    int64_t nextFrame = 0;       // first frame of the next buffer to mix
    int64_t floor = 0;
    int64_t floorTicks = 0;
    uint32_t place = 0;
    std::deque<Segment> segments;

    bool following = false;      // the position is what the output says is heard
    int64_t lastHeard = 0;       // the latest position read in this place
    int64_t movedTicks = 0;      // when it last moved on (or the place began)
    bool replaceWanted = false;  // to be sent where it has run on to (by the watcher)
};

// What an output said was heard, and which output said it.
struct Heard {
    bool known = false;
    int64_t frame = 0;
    uint32_t generation = 0;
};

struct Engine {
    std::mutex lock;
    Output output = Output::None;
    SDL_AudioDeviceID device = 0;        // SDL's dummy driver
    std::shared_ptr<AudioOutput> sound;  // the Device output
    uint32_t generation = 0;             // of `sound`; every output opened gets the next
    bool running = false;

    // Whether the Device output plays: its heard stream frame, never past
    // what was mixed for it, moving on at the pace of real time.
    int64_t mixedEnd = 0;           // stream frames mixed for it
    int64_t streamHeard = -1;       // the highest heard stream frame seen
    int64_t streamMovedTicks = 0;   // when that last moved on
    int64_t movingSinceTicks = 0;   // when it last began to move after standing
    bool steady = false;            // the last look at its pace found real time
    int64_t paceFrame = -1;         // where and when the current look began
    int64_t paceTicks = 0;
    std::vector<std::unique_ptr<Sample>> samples;
    std::vector<std::unique_ptr<Channel>> channels;

    // Looking for an output while none plays (AudioWatch.cpp).
    bool reconnecting = false;
    std::string reconnectTo;                 // `wanted` of openSystemOutput
    std::shared_ptr<AudioOutput> lostSound;  // lost, not yet let go by the watcher
    bool watching = false;
    std::condition_variable changed;         // wakes the watcher

    std::mutex spectrumLock;
    std::unique_ptr<SpectrumAnalyzer> analyzer;

    // The channel of a handle, or null; the lock is held.
    Channel* channel(AudioHandle handle);

    // Asks the output which stream frame is heard, before the engine's lock
    // is taken (the output's thread takes its own lock and then ours). Notices
    // a lost output on the way, and notes the output's pace.
    Heard heardNow(int64_t now);

    // The frame heard now; the lock is held.
    int64_t audibleFrame(Channel& c, int64_t now, Heard heard);

    // Stops channels whose end has been heard, so their spectrum is silence.
    void retireEnded(int64_t now, Heard heard);

    // The mixer handed to the output of `forGeneration`: silence for any
    // other output, and while that one is not installed yet.
    AudioMixer mixerFor(uint32_t forGeneration);

    // The output is lost: its channels run on from their last heard
    // positions, and the watcher is told. The lock is held.
    void noticeLoss();

    // `fresh` plays from here on: every playing channel is sent to where it
    // has run on to, and follows it once it is heard playing steadily. The
    // lock is held, inside fresh's replaceQueued.
    void resume(std::shared_ptr<AudioOutput> fresh, uint32_t freshGeneration, int64_t now);

    // Whether a channel waits to be placed anew; the lock is held.
    bool replaceWanted() const;

    // Places those channels where they have run on to, and lets them follow
    // the output. The lock is held, inside the output's replaceQueued.
    void replaceWaiting(int64_t now);

    // Starts the watcher once; the lock is held.
    void startWatching();

private:
    void mix(int16_t* out, int frames, int64_t streamFrame, uint32_t forGeneration);
    // Notes how the output's heard stream frame moves; the lock is held.
    void notePace(Heard heard, int64_t now);
    // Whether the output has stopped playing (or not begun), and whether it
    // plays: moving, steadily or for long enough.
    bool stalled(int64_t now) const;
    bool plays(int64_t now) const;
    // A new output: nothing of it heard yet.
    void resetPace(int64_t now);
};

// The one engine. Never destroyed: the output's thread may still call in
// while the process ends, and the music plays until then anyway.
Engine& engine();

// Sends the channel to `frame` and, with `play`, plays it from there: the
// position reads `frame` at once and holds there until audio from there is
// heard (or for at most a seek's hold, see Channel). The lock is held.
void moveTo(Channel& c, int64_t frame, int64_t now, bool play = true);

// The watcher's loop (AudioWatch.cpp).
void watchOutput(Engine& e);

}  // namespace platform::audio
