#include "tools/showgen/Song.h"

#include "tools/showgen/Instruments.h"
#include "tools/showgen/Score.h"

#include <algorithm>
#include <cmath>

namespace showgen {

namespace {

constexpr double kRate = kSampleRate;

// Bar numbers where the sections begin.
constexpr int kIntroB = 8, kIntroC = 16, kBuild = 24, kDrop = 32, kBreak = 48, kRebuild = 51,
              kSecondHalf = 52, kOutro = 64, kCoda = 68, kFinalChord = 71;

bool inBars(int bar, int from, int to) { return bar >= from && bar < to; }

double smoothStep(double x) {
    x = std::clamp(x, 0.0, 1.0);
    return x * x * (3.0 - 2.0 * x);
}

// Each voice group renders into its own bus so that the groups can be made in parallel
// and given their own effects.
struct Buses {
    StereoBuffer pads, arp, lead, bells, bass, drums, snares, fx, pulse;
    explicit Buses(size_t n) : pads(n), arp(n), lead(n), bells(n), bass(n), drums(n), snares(n), fx(n), pulse(n) {}
};

// Pads: the chord of every bar held as one note per tone, tied over repeated chords.
void writePads(StereoBuffer& out) {
    const Automation cutoff = [](double t) {
        const double drop = barTime(kDrop), brk = barTime(kBreak), second = barTime(kSecondHalf);
        if (t < drop) return 350.0 + 2300.0 * smoothStep(t / drop) * smoothStep(t / drop);
        if (t < brk) return 2600.0;
        if (t < second) return 1400.0 + 1500.0 * smoothStep((t - brk) / (second - brk));
        if (t < barTime(kCoda)) return 2800.0;
        return 2800.0 - 2200.0 * smoothStep((t - barTime(kCoda)) / 12.0);
    };
    int bar = 0;
    while (bar < kBars) {
        const Chord c = chordOfBar(bar);
        int end = bar + 1;
        while (end < kFinalChord && end < kBars && chordOfBar(end).root == c.root && chordOfBar(end).minor == c.minor)
            ++end;
        if (bar >= kFinalChord) end = kBars;
        const double start = barTime(bar), length = barTime(end) - start - 0.05;
        std::vector<int> pitches;
        for (int pc : chordTones(c)) pitches.push_back(pitchAtOrAbove(pc, 55));
        pitches.push_back(pitchAtOrAbove(c.root, 48));           // body
        pitches.push_back(pitchAtOrAbove((c.root + 2) % 12, 67));  // the ninth: airy colour
        const double velocity = bar < kIntroB ? 0.8 : (inBars(bar, kBreak, kRebuild) ? 1.0 : 0.75);
        for (int p : pitches) renderPad(out, {start, length, static_cast<double>(p), velocity}, cutoff);
        bar = end;
    }
}

// Sixteenth-note arpeggios over two octaves of the chord.
void writeArp(StereoBuffer& out) {
    static const int pattern[16] = {0, 1, 2, 3, 4, 3, 2, 1, 0, 2, 4, 5, 4, 2, 1, 2};
    for (int bar = 4; bar < kFinalChord + 1; ++bar) {
        if (inBars(bar, kBreak, kRebuild) && bar != kBreak + 2) continue;  // the break breathes
        const Chord c = chordOfBar(bar);
        std::vector<int> tones;
        for (int pc : chordTones(c)) tones.push_back(pitchAtOrAbove(pc, 62));
        std::sort(tones.begin(), tones.end());
        for (int i = 0; i < 3; ++i) tones.push_back(tones[i] + 12);
        double brightness, velocity;
        if (bar < kIntroB) { brightness = 0.12 + 0.03 * (bar - 4); velocity = 0.45; }
        else if (bar < kDrop) { brightness = 0.25 + 0.75 * (bar - kIntroB) / 24.0; velocity = 0.55 + 0.2 * (bar - kIntroB) / 24.0; }
        else if (bar < kOutro) { brightness = 0.85; velocity = 0.7; }
        else { brightness = std::max(0.15, 0.85 - 0.12 * (bar - kOutro)); velocity = std::max(0.2, 0.7 - 0.07 * (bar - kOutro)); }
        const int steps = bar == kFinalChord ? 8 : 16;
        for (int s = 0; s < steps; ++s) {
            const double t = beatTime(bar * 4 + s * 0.25);
            const double accent = (s % 4 == 0) ? 1.0 : 0.78;
            const double pan = (s % 2 == 0) ? -0.35 : 0.35;
            renderPluck(out, {t, kBeatSeconds * 0.25, static_cast<double>(tones[pattern[s]]), velocity * accent}, brightness, pan);
        }
    }
}

void writeMelody(StereoBuffer& out, const std::vector<std::string>& bars, int firstBar, bool bells, double velocity,
                 int transpose = 0, double brightness = 1.0) {
    for (size_t b = 0; b < bars.size(); ++b) {
        for (const ScoreNote& n : parseBar(bars[b])) {
            const double beat = (firstBar + static_cast<int>(b)) * 4 + n.beat;
            const Note note{beatTime(beat), n.beats * kBeatSeconds * 0.92, static_cast<double>(n.pitch + transpose), velocity};
            if (bells) renderBell(out, note, (n.pitch % 2 == 0) ? -0.3 : 0.3);
            else renderLead(out, note, brightness);
        }
    }
}

void writeLeadAndBells(StereoBuffer& lead, StereoBuffer& bells) {
    writeMelody(bells, kIntroBells, 0, true, 0.8);
    writeMelody(bells, kCounterMelody, kIntroB, true, 0.7);
    writeMelody(bells, kHookA, kIntroC + 4, true, 0.65);           // the hook, foreshadowed
    writeMelody(lead, kHookA, kBuild + 4, false, 0.45, 0, 0.25);  // muffled, opening up into the drop
    writeMelody(lead, kHookA, kDrop, false, 0.9);
    writeMelody(lead, kHookB, kDrop + 4, false, 0.9);
    writeMelody(lead, kHookA, kDrop + 8, false, 0.95);
    writeMelody(lead, kHookB, kDrop + 12, false, 0.95);
    writeMelody(lead, kHookA, kDrop + 12, false, 0.35, -12, 0.6);  // an octave below, for weight
    writeMelody(bells, {kHookB[0], kHookB[1], kHookB[2]}, kBreak, true, 0.8, -12);
    writeMelody(lead, kHookA, kSecondHalf, false, 0.95);
    writeMelody(lead, kHookC, kSecondHalf + 4, false, 0.95);
    writeMelody(lead, kHookD, kSecondHalf + 8, false, 1.0);
    writeMelody(lead, kHookD, kSecondHalf + 8, false, 0.35, -12, 0.6);
    writeMelody(bells, kHookA, kOutro, true, 0.6);
    writeMelody(bells, kHookB, kCoda, true, 0.5);
    renderBell(bells, {barTime(kFinalChord), 4.0, 62.0, 0.7}, -0.3);
    renderBell(bells, {barTime(kFinalChord) + kBeatSeconds, 4.0, 69.0, 0.55}, 0.3);
    renderBell(bells, {barTime(kFinalChord) + 2 * kBeatSeconds, 4.0, 74.0, 0.45}, 0.0);
}

void writeBass(StereoBuffer& out) {
    for (int bar = kIntroB; bar < kCoda; ++bar) {
        if (inBars(bar, kBreak, kSecondHalf)) continue;
        const Chord c = chordOfBar(bar);
        if (bar < kDrop) {
            // Eighths between root and octave, kept above the lowest octave.
            const int root = pitchAtOrAbove(c.root, 45);
            for (int e = 0; e < 8; ++e) {
                if (bar < kIntroC && e % 2 == 1) continue;
                const int p = (e % 4 == 3) ? root + 12 : root;
                renderSoftBass(out, {beatTime(bar * 4 + e * 0.5), kBeatSeconds * 0.42, static_cast<double>(p), e % 2 ? 0.75 : 1.0});
            }
        } else {
            // Rolling sixteenths around the kick: three per beat, the kick owns the first.
            const int root = pitchAtOrAbove(c.root, 36);
            for (int beat = 0; beat < 4; ++beat)
                for (int s = 1; s < 4; ++s) {
                    const int p = (s == 3 && beat % 2 == 1) ? root + 12 : root;
                    const double cutoff = bar >= kOutro ? 500.0 - 40.0 * (bar - kOutro) : 520.0;
                    renderDropBass(out, {beatTime(bar * 4 + beat + s * 0.25), kBeatSeconds * 0.2, static_cast<double>(p), s == 2 ? 1.0 : 0.8}, cutoff);
                }
        }
    }
}

struct KickPlan {
    std::vector<double> fullKicks;  // times of the kicks with a low body (they drive the ducking)
};

KickPlan writeDrums(Buses& b, const PulseLevels& levels) {
    KickPlan plan;
    for (int bar = kIntroB; bar < kCoda; ++bar) {
        const bool rebuild = bar == kRebuild;
        if (inBars(bar, kBreak, kSecondHalf) && !rebuild) continue;
        const bool full = bar >= kDrop;
        for (int beat = 0; beat < 4; ++beat) {
            const double beatNo = bar * 4 + beat;
            const double t = beatTime(beatNo);
            // Kicks: on the pulse only in intro B and C, every beat from the build on, none in the
            // last two bars before the drop, where the roll takes over.
            bool kick = bar < kBuild ? beat % 2 == 0 : true;
            if (inBars(bar, kDrop - 2, kDrop) || rebuild) kick = false;
            if (kick) {
                renderKick(b.drums, t, beat == 0 ? 1.0 : 0.92, full);
                addPressurePulse(b.pulse, t, full ? levels.drop : levels.intro);
                if (full) plan.fullKicks.push_back(t);
            }
            // Backbeat: half time in intro C, on two and four from the build on.
            const bool clap = (bar >= kIntroC && bar < kBuild) ? beat == 2 : (bar >= kBuild && beat % 2 == 1);
            if (clap && !rebuild && !inBars(bar, kDrop - 4, kDrop)) renderClap(b.snares, t, bar >= kDrop ? 1.0 : 0.8);
            // Hats: offbeat eighths in intro B, sixteenths from intro C, open hats on the offbeats from the build.
            for (int s = 0; s < 4; ++s) {
                const double ts = beatTime(beatNo + s * 0.25);
                if (bar < kIntroC) {
                    if (s == 2) renderHat(b.drums, ts, 0.55, false, 0.25);
                } else if (bar < kOutro + 4 && !rebuild) {
                    const bool openHat = bar >= kBuild && s == 2;
                    renderHat(b.drums, ts, openHat ? 0.7 : (s == 0 ? 0.45 : 0.32 + 0.08 * (s % 2)), openHat, s % 2 ? 0.3 : -0.2);
                }
            }
        }
    }
    // Snare rolls into the drop and into the second half, doubling in rate and swelling.
    auto roll = [&](int fromBar, int bars) {
        for (int k = 0; k < bars; ++k) {
            const int perBeat = bars == 1 ? 4 : (k < bars / 2 ? 2 : (k == bars - 1 ? 8 : 4));
            for (int i = 0; i < 4 * perBeat; ++i) {
                const double beat = (fromBar + k) * 4 + static_cast<double>(i) / perBeat;
                if (beat >= (fromBar + bars) * 4 - 0.5) break;  // the breath before the drop
                const double u = (beat - fromBar * 4) / (bars * 4.0);
                renderSnare(b.snares, beatTime(beat), 0.2 + 0.5 * u * u);
            }
        }
    };
    roll(kDrop - 4, 4);
    roll(kRebuild, 1);
    renderRiser(b.fx, barTime(kDrop - 4), beatTime(kDrop * 4 - 0.5), 0.7);
    renderRiser(b.fx, barTime(kRebuild), beatTime(kSecondHalf * 4 - 0.25), 0.6);
    for (int bar : {kDrop, kDrop + 8, kSecondHalf, kSecondHalf + 4, kSecondHalf + 8, kOutro})
        renderCrash(b.fx, barTime(bar), 1.0);
    renderCrash(b.fx, barTime(kBreak), 0.6);
    renderCrash(b.fx, barTime(kFinalChord), 0.5);
    return plan;
}

// Gain that dips after every full kick and recovers before the next: the mix breathes with it.
std::vector<float> duckingCurve(const std::vector<double>& kicks, size_t frames, double depth) {
    std::vector<float> g(frames, 1.0f);
    for (double k : kicks) {
        const auto s = static_cast<size_t>(k * kRate);
        const auto len = static_cast<size_t>(0.26 * kRate);
        for (size_t i = 0; i < len && s + i < frames; ++i) {
            const double t = static_cast<double>(i) / kRate;
            const double dip = t < 0.006 ? t / 0.006 : 1.0 - smoothStep((t - 0.006) / 0.25);
            g[s + i] = std::min(g[s + i], static_cast<float>(1.0 - depth * dip));
        }
    }
    return g;
}

void applyGain(StereoBuffer& b, const std::vector<float>& g) {
    for (size_t i = 0; i < b.frames(); ++i) {
        b.left[i] *= g[i];
        b.right[i] *= g[i];
    }
}

// Gentle limiter on the sum: linear up to the knee, then bending toward the ceiling.
float softLimit(float x) {
    constexpr float knee = 0.56f, ceiling = 0.80f;  // room for the codec's overshoot
    const float a = std::fabs(x);
    if (a <= knee) return x;
    const float over = (a - knee) / (ceiling - knee);
    const float y = knee + (ceiling - knee) * std::tanh(over);
    return x < 0 ? -y : y;
}

}  // namespace

PcmStereo renderSong(const PulseLevels& levels) {
    const auto frames = static_cast<size_t>(kTrackSeconds * kRate);
    Buses b(frames);
    KickPlan kicks;
#pragma omp parallel sections
    {
#pragma omp section
        writePads(b.pads);
#pragma omp section
        writeArp(b.arp);
#pragma omp section
        writeLeadAndBells(b.lead, b.bells);
#pragma omp section
        writeBass(b.bass);
#pragma omp section
        kicks = writeDrums(b, levels);
    }

    // Echoes on the arpeggio and the hook, dotted eighths.
    StereoBuffer arpWet(frames), leadWet(frames);
    pingPongDelay(b.arp, arpWet, kBeatSeconds * 0.75, 0.42, 0.55, kRate);
    pingPongDelay(b.lead, leadWet, kBeatSeconds * 0.75, 0.35, 0.4, kRate);
    arpWet.mixInto(b.arp, 1.0);
    leadWet.mixInto(b.lead, 1.0);

    // The kick pushes the pads, arpeggio and bass aside.
    const auto duckDeep = duckingCurve(kicks.fullKicks, frames, 0.8);
    const auto duckSoft = duckingCurve(kicks.fullKicks, frames, 0.45);
    applyGain(b.bass, duckDeep);
    applyGain(b.pads, duckSoft);
    applyGain(b.arp, duckSoft);

    StereoBuffer send(frames), mix(frames);
    b.pads.mixInto(send, 0.18);
    b.arp.mixInto(send, 0.35);
    b.lead.mixInto(send, 0.4);
    b.bells.mixInto(send, 0.9);
    b.snares.mixInto(send, 0.25);
    Reverb reverb(0.86, 0.35, kRate);
    reverb.processBuffer(send, mix, 1.6);

    b.pads.mixInto(mix, 0.35);
    b.arp.mixInto(mix, 1.1);
    b.lead.mixInto(mix, 1.25);
    b.bells.mixInto(mix, 1.2);
    b.bass.mixInto(mix, 0.55);
    b.drums.mixInto(mix, 0.7);
    b.snares.mixInto(mix, 1.3);
    b.fx.mixInto(mix, 0.8);

    // Nothing musical below the kick's body: the lowest spectrum bin is left to the pressure wave.
    highPass4InPlace(mix.left, 32.0, kRate);
    highPass4InPlace(mix.right, 32.0, kRate);

    // The breath before the drop, a fade-in at the start and a fade-out at the end.
    const double cutFrom = beatTime(kDrop * 4 - 0.5), cutTo = barTime(kDrop);
    PcmStereo pcm;
    pcm.samples.resize(2 * frames);
    for (size_t i = 0; i < frames; ++i) {
        const double t = static_cast<double>(i) / kRate;
        double g = std::min(1.0, t / 0.3) * std::min(1.0, (kTrackSeconds - t) / 2.0);
        if (t > cutFrom - 0.01 && t < cutTo) g *= std::clamp((cutFrom - t) / 0.01, 0.0, 1.0) + std::clamp((t - (cutTo - 0.004)) / 0.004, 0.0, 1.0);
        const double l = softLimit(static_cast<float>(mix.left[i] * g)) + b.pulse.left[i];
        const double r = softLimit(static_cast<float>(mix.right[i] * g)) + b.pulse.right[i];
        pcm.samples[2 * i] = static_cast<int16_t>(std::lround(std::clamp(l, -1.0, 1.0) * 32767.0));
        pcm.samples[2 * i + 1] = static_cast<int16_t>(std::lround(std::clamp(r, -1.0, 1.0) * 32767.0));
    }
    return pcm;
}

}  // namespace showgen
