#pragma once
// The music back end: one compressed track decoded whole into memory, played
// through the sound server or an ALSA device, with its play position in bytes
// of 16-bit stereo at 44100 Hz (176400 bytes per second) and the spectrum of
// what is heard now: the position is that of the frame reaching the speaker,
// counting every buffer on the way (ours, the server's, the device's).
//
// Every track is delivered at 44100 Hz stereo: the decoder resamples a file of
// another rate and duplicates a mono one, so positions always count the same
// bytes per second.
//
// Without a sound server or ALSA device the back end plays on SDL's dummy
// driver, and failing that keeps time with an internal clock, so positions
// still advance in real time. When the output is lost (the server goes away,
// the device is unplugged) the channels run on in real time from the last
// position heard, their spectrum with them, and a thread of the back end
// opens the output again (and, at start-up, one that was not there) without
// ever holding up a caller; the music then goes on from where its channels
// have run on to. One line on standard output says each change. An output
// that plays nothing for a while (a stopped server, a sink waking up; more
// than the 150 ms in which a working one always moves on) is run past the
// same way, without a line, and until a new output is heard playing. A
// handle of 0 is never valid: operations given it do nothing, positions read
// 0 and the spectrum is silence.
#include <cstdint>
#include <string>

namespace platform {

using AudioHandle = uint32_t;

constexpr int kAudioRate = 44100;
constexpr int kAudioBytesPerFrame = 4;  // 16-bit stereo
constexpr int64_t kAudioBytesPerSecond = int64_t{kAudioRate} * kAudioBytesPerFrame;

// Opens the output and prints one "AudioInit() : " line saying which. `device`
// -1 is the default output: the system's outputs in their order (on Linux the
// sound server (libpulse), else ALSA's "default" device; on Windows WASAPI,
// else waveOut), else the fallbacks above; QUELLIN_AUDIO names one (server,
// alsa; wasapi, waveout) or dummy (SDL_AUDIODRIVER=dummy also picks the dummy driver). 0 is the internal
// clock without sound. Only 44100 Hz is offered. False when already
// initialised or for an unsupported device or rate.
bool AudioInit(int device, int frequency);

// Opens no output at all, for rendering a show offline: a channel's position
// moves only through ChannelSetPosition, so the spectrum is always the one at
// the position last set. Must come before AudioInit, which then refuses.
bool AudioInitManual();

// Decodes the whole file into memory. Returns the sample's handle, or 0 when
// the file cannot be read or decoded (the reason is printed).
AudioHandle SampleLoad(const std::string& path);

// Lets the output run; positions of playing channels advance from here on.
bool Start();

// The playback channel of a sample (one per sample); 0 for an invalid sample.
AudioHandle SampleGetChannel(AudioHandle sample);

// Plays the channel; with `restart` from the beginning, else from where it is
// (from the beginning once it has played to its end).
bool ChannelPlay(AudioHandle channel, bool restart);

// The position that is heard now, in bytes; 0 for an invalid channel. It
// advances in real time and never goes back while the channel plays, except
// through a seek or a restart.
int64_t ChannelGetPosition(AudioHandle channel);

// Moves playback to `bytes` (rounded down to a whole frame); the position
// reads the new place at once and holds there until the sound from there is
// heard (what the output had queued from the old place is dropped where the
// output allows). A channel that has played to its end plays again. A
// negative position, or one at or past the end of the track, is refused:
// false, and nothing changes, not even what the output has queued.
bool ChannelSetPosition(AudioHandle channel, int64_t bytes);

// Holds the channel at the position heard now: the output goes quiet (what it
// had queued is dropped where the output allows), the position and the
// spectrum stay at the held place, a seek moves the place without playing, and
// ChannelPlay without restart goes on from it. False for an invalid channel or
// one that is not playing.
bool ChannelPause(AudioHandle channel);

// 1024 spectrum magnitudes of the 2048 frames ending at the audible position
// (see platform::SpectrumAnalyzer). Silence before the start, after the end
// and for a channel that is neither playing nor paused; false (and zeros) for an invalid one.
bool ChannelGetData(AudioHandle channel, float* magnitudes);

// How the output is made: "sound server", "ALSA device", "dummy driver",
// "internal clock", "manual clock", "lost output" while one is looked for
// again, or "none" before AudioInit. For diagnostics and tests.
const char* AudioOutputName();

}  // namespace platform
