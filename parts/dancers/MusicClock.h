#pragma once
// The show clock: advanced by the frame time, pulled toward the music's play
// position, steered by the controller's transport; and the music's pulses.
#include <cstdint>

struct Part_Dancers;

constexpr float kShowEndSeconds = 154.0f;
constexpr float kResyncSeconds = 0.25f;

// One frame of the clock: spectrum strip upload, drift factor, spectrum and
// smoothing, end of the show (the process exits with 0 once the clock is past
// 154 s), music resync, controller and keyboard transport, the music held
// while the clock stands, status line.
void stepMusicClock(Part_Dancers& part);

// Whether the clock stands: the surface's pause latch or the keyboard's pause.
bool clockStands(const Part_Dancers& part);

// Pieces of the clock step, for a caller that moves the clock itself (the
// offline renderer): the upload of the strip from the previous smoothing, and
// the smoothing of fftRaw, already filled, into fftSmooth.
void uploadSpectrumStrip(Part_Dancers& part);
void smoothSpectrum(Part_Dancers& part);

// "beat": sin(x - 0.5)^4 with x the music time times 179.07079 / 60; peaks 57
// times a minute. `positionBytes` is the play position; its low 32 bits count.
float beatPulse(int64_t positionBytes);

// "fftbeat" from the lowest smoothed spectrum bin: a small pulse before
// 67.9 s, a much steeper one from then on.
float fftBeatPulse(float smooth0, float ttime);
