#include "parts/dancers/MusicClock.h"

#include "app/TDemoApp.h"
#include "parts/dancers/Part_Dancers.h"
#include "platform/Audio.h"
#include "platform/Platform.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace {

// Control numbers of the transport.
constexpr int kForwardLatch = 44;   // pressed once pauses the clock, again resumes
constexpr int kTrackForward = 59;   // held: scrub forward
constexpr int kTrackBack = 58;      // held: scrub back
constexpr int kBack = 43;           // held: the clock follows knob 6
constexpr int kRec = 45;            // held: knob 6 follows the clock
constexpr int kKnob6 = 22;          // 1.4 s per step
constexpr int kScancodeA = 4;       // held: back to -100 s


// The music time of a position: its low 32 bits as a signed byte count.
float musicSeconds(int64_t positionBytes)
{
    const auto low = static_cast<int32_t>(static_cast<uint32_t>(positionBytes));
    return static_cast<float>(low) / static_cast<float>(platform::kAudioBytesPerSecond);
}

// Test runs measure picture against sound: with QUELLIN_SYNC_LOG=path set at
// start, every clock step appends "ttime music dt" (seconds) to that file.
std::FILE* syncLog()
{
    static std::FILE* const log = [] {
        const char* path = std::getenv("QUELLIN_SYNC_LOG");
        std::FILE* file = path && *path ? std::fopen(path, "w") : nullptr;
        // Line by line, so a watcher sees the first frame when it happens.
        if (file) std::setvbuf(file, nullptr, _IOLBF, 0);
        return file;
    }();
    return log;
}

bool held(const NanoKONTROL2& nano, int control)
{
    return nano.cc_value[control].load(std::memory_order_relaxed) > 1.0f;
}

void applyTransport(Part_Dancers& part, NanoKONTROL2& nano)
{
    if (!clockStands(part))
        part.ttime = static_cast<float>(double{part.ttime} + part.timeStep);
    if (held(nano, kTrackForward)) {
        platform::Sleep(20);
        part.ttime = static_cast<float>(part.ttime + 0.02);
    }
    if (held(nano, kTrackBack)) {
        platform::Sleep(20);
        part.ttime = static_cast<float>(part.ttime - 0.02);
    }
    // The knob addresses 0 to 177.8 s.
    if (held(nano, kBack))
        part.ttime = static_cast<float>(nano.cc_value[kKnob6].load(std::memory_order_relaxed) * 1.4);
    if (held(nano, kRec))
        nano.cc_value[kKnob6].store(static_cast<float>(part.ttime / 1.4), std::memory_order_relaxed);
}

// While the clock stands the music holds where it is heard, rather than
// playing on and being pulled back to the clock every quarter second; it goes
// on from its place (or where the clock was moved meanwhile) when the clock runs.
void holdMusicWhileTheClockStands(Part_Dancers& part)
{
    const bool stands = clockStands(part);
    if (stands && !part.musicHeld)
        part.musicHeld = platform::ChannelPause(part.channel);
    else if (!stands && part.musicHeld) {
        platform::ChannelPlay(part.channel, false);
        part.musicHeld = false;
    }
}

}  // namespace

bool clockStands(const Part_Dancers& part)
{
    const NanoKONTROL2* nano = part.ctrl ? part.ctrl->_nano : nullptr;
    return part.paused || (nano && nano->cc_toggle[kForwardLatch].load(std::memory_order_relaxed) != 0);
}

void uploadSpectrumStrip(Part_Dancers& part)
{
    // The strip shows the spectrum as smoothed in the previous frame.
    part.fftTexture.EnsureSize(100, 1, &TGLTexture::CreateFloatStrip);
    part.fftTexture.Upload(part.fftSmooth);
}

void smoothSpectrum(Part_Dancers& part)
{
    for (int i = 0; i < Part_Dancers::kSpectrumBins; ++i)
        part.fftSmooth[i] = static_cast<float>(part.fftSmooth[i] + (double{part.fftRaw[i]} - part.fftSmooth[i]) * 0.1);
}

void stepMusicClock(Part_Dancers& part)
{
    TLiveControls& ctrl = *part.ctrl;

    uploadSpectrumStrip(part);

    // The clock runs 3% slow while ahead of the music and 3% fast while behind.
    const float music = musicSeconds(platform::ChannelGetPosition(part.channel));
    if (std::FILE* log = syncLog()) std::fprintf(log, "%.4f %.4f %.4f\n", part.ttime, music, ctrl._dt);
    part.speed = (part.ttime - music > 0) ? 0.97f : 1.03f;
    part.timeStep = part.speed * ctrl._dt;

    platform::ChannelGetData(part.channel, part.fftRaw);
    smoothSpectrum(part);

    if (part.ttime > kShowEndSeconds) std::exit(0);

    // Drifted too far: move the music to the clock. A negative clock is no
    // position; the back end refuses it and the music plays on.
    if (std::fabs(part.ttime - music) > kResyncSeconds) {
        const auto bytes = static_cast<int64_t>(double{part.ttime} * 4 * platform::kAudioRate);
        platform::ChannelSetPosition(part.channel, bytes);
    }

    if (ctrl._nano) applyTransport(part, *ctrl._nano);
    // The makers' keys, in the order pressed; the music follows through the
    // resync above in the next step.
    for (const TransportKey& key : ctrl._transport)
        part.ttime = ApplyTransportKey(key, part.ttime, show_times::kWindows, kShowEndSeconds, part.paused);
    ctrl._transport.clear();
    if (ctrl._keys[kScancodeA]) part.ttime = -100.0f;
    holdMusicWhileTheClockStands(part);

    char status[64];
    std::snprintf(status, sizeof status, "ttime: %.03f", part.ttime);
    ctrl._status = status;
}

float beatPulse(int64_t positionBytes)
{
    const float x = musicSeconds(positionBytes) * 179.07079f / 60.0f;
    const auto s = static_cast<float>(std::sin(double{x} - 0.5));
    const float s2 = s * s;
    return s2 * s2;
}

float fftBeatPulse(float smooth0, float ttime)
{
    const float t = smooth0 * (smooth0 * smooth0 * 200.0f * 70.0f);
    if (ttime < 67.9f) return t * 300000.0f + 0.005f;
    const float bracket = t * t * 200.0f * 70.0f;
    return static_cast<float>(double{bracket} * 0.2 * 10 * t);
}
