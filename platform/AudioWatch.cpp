// The watcher of the system's output, on a thread of its own: it notices an
// output that is lost (if no frame has asked first), says so, lets it go, and
// opens a new one with growing pauses between tries until one plays; the
// music then goes on from where its channels have run on to. It also places
// anew the channels of an output that plays again after standing. A frame
// never waits on any of this: opening may take seconds on an unanswering
// server.
#include "platform/AudioEngine.h"
#include "platform/Platform.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <thread>

namespace platform::audio {

namespace {

constexpr int64_t kTicksPerMillisecond = 10'000;
// The pauses between tries: from a quarter second, doubling to one second,
// so a server back after a restart is found again within about a second.
constexpr int64_t kFirstPause = 250 * kTicksPerMillisecond;
constexpr int64_t kLongestPause = 1000 * kTicksPerMillisecond;
// How often the watcher looks at the output when nobody wakes it.
constexpr auto kLookEvery = std::chrono::milliseconds(100);

void say(const std::string& text)
{
    std::printf("AudioWatch() : %s\n", text.c_str());
    std::fflush(stdout);
}

// Where the first playing channel is now, as " at 12.34 s"; empty when none
// plays. The lock is held.
std::string playingAt(Engine& e, int64_t now)
{
    for (auto& c : e.channels)
        if (c->playing) {
            char text[32];
            std::snprintf(text, sizeof text, " at %.2f s", static_cast<double>(e.audibleFrame(*c, now, {})) / kAudioRate);
            return text;
        }
    return "";
}

// Lets go of an output once no frame is calling into it any more, so that it
// is closed here and not on the frame's thread.
void release(std::shared_ptr<AudioOutput> output)
{
    while (output.use_count() > 1) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    output.reset();
}

}  // namespace

void watchOutput(Engine& e)
{
    int64_t pause = kFirstPause;
    int64_t nextTry = TicksNow() + pause;
    std::unique_lock<std::mutex> guard(e.lock);
    for (;;) {
        e.changed.wait_for(guard, kLookEvery);
        if (e.output == Output::Device && e.sound->lost()) e.noticeLoss();
        if (e.lostSound) {
            std::shared_ptr<AudioOutput> lost = std::move(e.lostSound);
            const std::string at = playingAt(e, TicksNow());
            guard.unlock();
            say(std::string("lost the ") + lost->kind() + " (" + lost->lossReason() + "); the music runs on" + at +
                " without sound until it is back");
            release(std::move(lost));
            guard.lock();
            pause = kFirstPause;
            nextTry = TicksNow();
        }
        if (e.output == Output::Device && e.replaceWanted()) {
            // The output plays again, elsewhere than its channels have run on to.
            std::shared_ptr<AudioOutput> current = e.sound;
            guard.unlock();
            current->replaceQueued([&] {
                const std::lock_guard<std::mutex> inner(e.lock);
                e.replaceWaiting(TicksNow());
            });
            current.reset();
            guard.lock();
        }
        if (!e.reconnecting || TicksNow() < nextTry) continue;

        const uint32_t generation = e.generation + 1;
        const std::string wanted = e.reconnectTo;
        const bool wasLost = e.output == Output::Lost;
        guard.unlock();
        std::string failures;
        std::shared_ptr<AudioOutput> fresh = openSystemOutput(e.mixerFor(generation), wanted, failures);
        if (!fresh) {
            guard.lock();
            nextTry = TicksNow() + pause;
            pause = std::min(2 * pause, kLongestPause);
            continue;
        }
        // Installed while it mixes nothing, its first buffers dropped.
        bool startIt = false;
        std::string at;
        SDL_AudioDeviceID dummy = 0;
        fresh->replaceQueued([&] {
            const std::lock_guard<std::mutex> inner(e.lock);
            const int64_t now = TicksNow();
            at = playingAt(e, now);
            dummy = e.device;
            e.device = 0;
            e.resume(fresh, generation, now);
            startIt = e.running;
        });
        if (startIt) fresh->start();
        if (dummy != 0) SDL_CloseAudioDevice(dummy);
        say(std::string(wasLost ? "playing again" : "playing") + at + " through " + fresh->description());
        fresh.reset();
        guard.lock();
    }
}

}  // namespace platform::audio
