#pragma once
// Outputs that play the mixed music and can tell which of its frames is
// reaching the speaker; each system offers its own (platform/linux/: the sound
// server's stream, which PipeWire desktops serve too, and an ALSA device).
//
// Frames are counted in the order they are handed to the mixer ("stream
// frames"), from 0 at the first buffer. An output reports the stream frame
// heard now; the back end maps it to the track through what it mixed where.
//
// An output that can play no more (its server went away, its stream failed,
// its device is gone) says it is lost and stays so. The back end then keeps
// the music's time without it and opens a new one of the same choice on a
// thread of its own, so an output only has to notice and report the loss.
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace platform {

// Fills `frames` stereo frames at `out`, the first of which is stream frame
// `streamFrame`. Called on the output's own thread.
using AudioMixer = std::function<void(int16_t* out, int frames, int64_t streamFrame)>;

class AudioOutput {
public:
    virtual ~AudioOutput() = default;

    // "sound server" or "ALSA device".
    virtual const char* kind() const = 0;

    // The name openSystemOutput's `wanted` gives this output ("server", "alsa"):
    // what the back end opens again after a loss.
    virtual const char* choice() const = 0;

    // What plays the sound and how its timing is known, for the AudioInit() line.
    virtual std::string description() const = 0;

    // Lets sound flow; until then the output holds what it was given.
    virtual void start() = 0;

    // The stream frame reaching the speaker at `now` (platform ticks): the
    // frames handed over minus those still on their way (our buffer, the
    // server's queue, the device's own latency), advancing in real time
    // between two timing reports. False while the output cannot tell yet.
    virtual bool heardFrame(int64_t now, int64_t& frame) = 0;

    // Drops what was mixed but is not heard yet, as far as the output can,
    // and runs `move` while no mixing can happen, so that the next frames
    // mixed are the first ones after the drop.
    virtual void replaceQueued(const std::function<void()>& move) = 0;

    // True once the output can play no more; cheap enough for every frame.
    bool lost() const { return lost_.load(std::memory_order_acquire); }

    // What was lost and why, once lost() is true ("the server closed the
    // connection", "No such device").
    std::string lossReason() const { return lost() ? lossReason_ : std::string(); }

protected:
    // Called on the output's own thread when it can play no more; the first
    // reason stays.
    void markLost(std::string why)
    {
        if (lost()) return;
        lossReason_ = std::move(why);
        lost_.store(true, std::memory_order_release);
    }

private:
    std::atomic<bool> lost_{false};
    std::string lossReason_;  // written once, before lost_ publishes it
};

// The first output this system offers that opens, in its own order (the sound
// server, else an ALSA device), or the one `wanted` names ("server", "alsa";
// empty for the usual order). Null when none opens: `failures` then says, as
// "no X (why), " for each one tried, why it could not be had. It never waits
// on an unanswering server or device longer than a few seconds, and may be
// called from any thread.
std::unique_ptr<AudioOutput> openSystemOutput(AudioMixer mixer, const std::string& wanted, std::string& failures);

}  // namespace platform
