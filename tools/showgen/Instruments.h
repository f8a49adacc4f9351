#pragma once
// The voices of the track. Each call renders one note or hit into a buffer.
#include "tools/showgen/Synth.h"

#include <functional>

namespace showgen {

struct Note {
    double time = 0;      // seconds
    double length = 0;    // seconds the key is held
    double pitch = 60;    // MIDI note number
    double velocity = 1;  // 0..1
};

// Slowly moving cutoff, in Hz, as a function of the track time.
using Automation = std::function<double(double)>;

// Five detuned saws per note, low-passed by the automation, soft attack and long release.
void renderPad(StereoBuffer& out, const Note& n, const Automation& cutoff);
// Short plucked saw-square with a decaying filter: the arpeggios.
void renderPluck(StereoBuffer& out, const Note& n, double brightness, double pan);
// Two detuned saws and a sub square with delayed vibrato: the hook.
void renderLead(StereoBuffer& out, const Note& n, double brightness);
// Inharmonic two-operator FM: the bells of the intro and the break.
void renderBell(StereoBuffer& out, const Note& n, double pan);
// Round mid-register bass pluck (intro), kept above the lowest octave.
void renderSoftBass(StereoBuffer& out, const Note& n);
// Gated saw bass of the drop.
void renderDropBass(StereoBuffer& out, const Note& n, double cutoffHz);

// Drums. `full` gives the kick its low body; the intro's kick is a thin, high-passed thud.
void renderKick(StereoBuffer& out, double time, double velocity, bool full);
void renderClap(StereoBuffer& out, double time, double velocity);
void renderSnare(StereoBuffer& out, double time, double velocity);
void renderHat(StereoBuffer& out, double time, double velocity, bool open, double pan);
void renderCrash(StereoBuffer& out, double time, double velocity);
// Noise swept upward in pitch and level from `start` to `end`.
void renderRiser(StereoBuffer& out, double start, double end, double velocity);

// The kick's pressure wave: a smooth one-sided bump below the audible range. It is what the
// lowest spectrum bin sees, so its gain sets the show's pulse ("fftbeat").
void addPressurePulse(StereoBuffer& out, double time, double gain);

}  // namespace showgen
