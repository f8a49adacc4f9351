#include "tools/showgen/Instruments.h"

#include "tools/showgen/Mp3Codec.h"
#include "tools/showgen/Random.h"

#include <algorithm>

namespace showgen {

namespace {

constexpr double kRate = kSampleRate;

size_t toSample(double seconds) { return static_cast<size_t>(std::max(0.0, seconds) * kRate + 0.5); }

// A deterministic noise source per hit, seeded by where the hit lands.
Random noiseFor(double time, uint64_t salt) { return Random(toSample(time) * 2654435761ull + salt); }

}  // namespace

void renderPad(StereoBuffer& out, const Note& n, const Automation& cutoff) {
    const Adsr env{0.9, 1.0, 1.0, 1.6};
    const double detune[5] = {-0.13, -0.06, 0.0, 0.07, 0.12};
    const double pans[5] = {-0.8, 0.5, 0.0, -0.4, 0.85};
    double phase[5];
    Random rnd(static_cast<uint64_t>(n.pitch * 1000) + toSample(n.time));
    for (double& p : phase) p = rnd.uniform();
    Svf filterL, filterR;
    const size_t start = toSample(n.time);
    const size_t len = toSample(env.length(n.length));
    double gl[5], gr[5];
    for (int v = 0; v < 5; ++v) panGains(pans[v], gl[v], gr[v]);
    for (size_t i = 0; i < len; ++i) {
        const double t = static_cast<double>(i) / kRate;
        if (i % 32 == 0) {
            const double fc = cutoff(n.time + t);
            filterL.set(fc, 0.8, kRate);
            filterR.set(fc * 1.05, 0.8, kRate);
        }
        double l = 0, r = 0;
        for (int v = 0; v < 5; ++v) {
            const double f = midiToHz(n.pitch + detune[v]);
            const double dp = f / kRate;
            const double s = sawWave(phase[v], dp);
            phase[v] += dp;
            if (phase[v] >= 1.0) phase[v] -= 1.0;
            l += s * gl[v];
            r += s * gr[v];
        }
        filterL.process(l);
        filterR.process(r);
        const double a = env.at(t, n.length) * n.velocity * 0.12;
        out.add(start + i, filterL.low * a, filterR.low * a);
    }
}

void renderPluck(StereoBuffer& out, const Note& n, double brightness, double pan) {
    const double f = midiToHz(n.pitch);
    const double dp = f / kRate;
    double p1 = 0.0, p2 = 0.25;
    Svf filter;
    const size_t start = toSample(n.time);
    const double decay = 0.09 + 0.25 * n.length;
    const size_t len = toSample(decay * 5.0);
    double gl, gr;
    panGains(pan, gl, gr);
    for (size_t i = 0; i < len; ++i) {
        const double t = static_cast<double>(i) / kRate;
        if (i % 16 == 0) filter.set(f * 1.5 + brightness * 5200.0 * std::exp(-t / 0.07), 1.6, kRate);
        const double s = 0.6 * sawWave(p1, dp) + 0.4 * squareWave(p2, dp * 1.003);
        p1 += dp;
        if (p1 >= 1.0) p1 -= 1.0;
        p2 += dp * 1.003;
        if (p2 >= 1.0) p2 -= 1.0;
        filter.process(s);
        const double a = std::min(1.0, t / 0.002) * std::exp(-t / decay) * n.velocity * 0.22;
        out.add(start + i, filter.low * a * gl, filter.low * a * gr);
    }
}

void renderLead(StereoBuffer& out, const Note& n, double brightness) {
    const Adsr env{0.012, 0.25, 0.75, 0.22};
    const double f = midiToHz(n.pitch);
    double p1 = 0.0, p2 = 0.37, p3 = 0.5;
    Svf filter;
    const size_t start = toSample(n.time);
    const size_t len = toSample(env.length(n.length));
    for (size_t i = 0; i < len; ++i) {
        const double t = static_cast<double>(i) / kRate;
        // Vibrato sets in after the attack, as a singer's would.
        const double vib = 1.0 + 0.004 * std::sin(kTwoPi * 5.5 * t) * std::clamp((t - 0.18) / 0.3, 0.0, 1.0);
        const double d1 = f * vib * 1.0035 / kRate, d2 = f * vib * 0.9965 / kRate, d3 = f * vib * 0.5 / kRate;
        const double s = 0.45 * sawWave(p1, d1) + 0.45 * sawWave(p2, d2) + 0.35 * squareWave(p3, d3);
        p1 += d1;
        if (p1 >= 1.0) p1 -= 1.0;
        p2 += d2;
        if (p2 >= 1.0) p2 -= 1.0;
        p3 += d3;
        if (p3 >= 1.0) p3 -= 1.0;
        if (i % 16 == 0) filter.set(900.0 + brightness * (2200.0 + 2500.0 * std::exp(-t / 0.15)), 1.1, kRate);
        filter.process(s);
        const double a = env.at(t, n.length) * n.velocity * 0.14;
        // A touch of width from a tiny offset between the sides.
        out.add(start + i, filter.low * a, filter.low * a * 0.92 + s * a * 0.02);
    }
}

void renderBell(StereoBuffer& out, const Note& n, double pan) {
    const double f = midiToHz(n.pitch);
    const size_t start = toSample(n.time);
    const size_t len = toSample(3.5);
    double gl, gr;
    panGains(pan, gl, gr);
    for (size_t i = 0; i < len; ++i) {
        const double t = static_cast<double>(i) / kRate;
        const double index = 2.2 * std::exp(-t / 0.35);
        const double mod = std::sin(kTwoPi * f * 3.5 * t) * index;
        const double s = std::sin(kTwoPi * f * t + mod) + 0.25 * std::sin(kTwoPi * f * 2.0 * t);
        const double a = std::min(1.0, t / 0.003) * std::exp(-t / 0.9) * n.velocity * 0.09;
        out.add(start + i, s * a * gl, s * a * gr);
    }
}

void renderSoftBass(StereoBuffer& out, const Note& n) {
    const double f = midiToHz(n.pitch);
    const double dp = f / kRate;
    double phase = 0.0;
    Svf filter;
    const size_t start = toSample(n.time);
    const size_t len = toSample(n.length + 0.08);
    for (size_t i = 0; i < len; ++i) {
        const double t = static_cast<double>(i) / kRate;
        if (i % 16 == 0) filter.set(f * 2.0 + 900.0 * std::exp(-t / 0.08), 0.9, kRate);
        filter.process(sawWave(phase, dp));
        phase += dp;
        if (phase >= 1.0) phase -= 1.0;
        const double gate = t < n.length ? 1.0 : std::max(0.0, 1.0 - (t - n.length) / 0.08);
        const double a = std::min(1.0, t / 0.01) * (0.55 + 0.45 * std::exp(-t / 0.18)) * gate * n.velocity * 0.30;
        out.add(start + i, filter.low * a, filter.low * a);
    }
}

void renderDropBass(StereoBuffer& out, const Note& n, double cutoffHz) {
    const double f = midiToHz(n.pitch);
    double p1 = 0.0, p2 = 0.5;
    Svf filter;
    const size_t start = toSample(n.time);
    const size_t len = toSample(n.length + 0.03);
    for (size_t i = 0; i < len; ++i) {
        const double t = static_cast<double>(i) / kRate;
        const double d1 = f * 1.002 / kRate, d2 = f * 0.998 / kRate;
        const double s = 0.5 * sawWave(p1, d1) + 0.5 * squareWave(p2, d2);
        p1 += d1;
        if (p1 >= 1.0) p1 -= 1.0;
        p2 += d2;
        if (p2 >= 1.0) p2 -= 1.0;
        if (i % 16 == 0) filter.set(cutoffHz + 1400.0 * std::exp(-t / 0.04), 1.4, kRate);
        filter.process(s);
        const double gate = t < n.length ? 1.0 : std::max(0.0, 1.0 - (t - n.length) / 0.03);
        const double a = std::min(1.0, t / 0.004) * gate * n.velocity * 0.30;
        out.add(start + i, filter.low * a, filter.low * a);
    }
}

void renderKick(StereoBuffer& out, double time, double velocity, bool full) {
    const size_t start = toSample(time);
    const size_t len = toSample(full ? 0.5 : 0.3);
    Random noise = noiseFor(time, 1);
    HighPass4 thin(full ? 25.0 : 110.0, kRate);
    Svf click;
    click.set(3500.0, 0.7, kRate);
    double phase = 0.0;
    for (size_t i = 0; i < len; ++i) {
        const double t = static_cast<double>(i) / kRate;
        const double f = full ? 47.0 + 125.0 * std::exp(-t / 0.032) : 120.0 + 160.0 * std::exp(-t / 0.02);
        phase += f / kRate;
        const double bodyEnv = std::min(1.0, t / 0.0015) * std::exp(-t / (full ? 0.24 : 0.09));
        double body = std::tanh(1.6 * std::sin(kTwoPi * phase)) * bodyEnv;
        click.process(noise.bipolar());
        body += click.high * std::exp(-t / 0.004) * 0.35;
        const double s = thin.process(body) * velocity * (full ? 0.62 : 0.32);
        out.add(start + i, s, s);
    }
}

void renderClap(StereoBuffer& out, double time, double velocity) {
    const size_t start = toSample(time);
    const size_t len = toSample(0.35);
    Random noise = noiseFor(time, 2);
    Svf band;
    band.set(1400.0, 1.2, kRate);
    for (size_t i = 0; i < len; ++i) {
        const double t = static_cast<double>(i) / kRate;
        // Three quick bursts then a diffuse tail, as hands clapping together.
        double env = 0;
        for (int b = 0; b < 3; ++b) {
            const double tb = t - b * 0.011;
            if (tb >= 0) env = std::max(env, std::exp(-tb / 0.006));
        }
        env = std::max(env, 0.55 * std::exp(-(t - 0.022) / 0.11) * (t > 0.022 ? 1.0 : 0.0));
        band.process(noise.bipolar());
        const double s = band.band * env * velocity * 0.55;
        const double l = s * (1.0 + 0.2 * noise.bipolar()), r = s * (1.0 + 0.2 * noise.bipolar());
        out.add(start + i, l, r);
    }
}

void renderSnare(StereoBuffer& out, double time, double velocity) {
    const size_t start = toSample(time);
    const size_t len = toSample(0.25);
    Random noise = noiseFor(time, 3);
    Svf hp;
    hp.set(1800.0, 0.7, kRate);
    double phase = 0.0;
    for (size_t i = 0; i < len; ++i) {
        const double t = static_cast<double>(i) / kRate;
        phase += (185.0 + 60.0 * std::exp(-t / 0.01)) / kRate;
        hp.process(noise.bipolar());
        const double tone = std::sin(kTwoPi * phase) * std::exp(-t / 0.05) * 0.5;
        const double s = (hp.high * std::exp(-t / 0.07) + tone) * std::min(1.0, t / 0.001) * velocity * 0.35;
        out.add(start + i, s, s);
    }
}

void renderHat(StereoBuffer& out, double time, double velocity, bool open, double pan) {
    const size_t start = toSample(time);
    const double decay = open ? 0.16 : 0.028;
    const size_t len = toSample(decay * 6.0);
    Random noise = noiseFor(time, open ? 5 : 4);
    Svf hp, peak;
    hp.set(7200.0, 0.7, kRate);
    peak.set(10500.0, 2.0, kRate);
    double gl, gr;
    panGains(pan, gl, gr);
    for (size_t i = 0; i < len; ++i) {
        const double t = static_cast<double>(i) / kRate;
        const double x = noise.bipolar();
        hp.process(x);
        peak.process(hp.high);
        const double s = (hp.high * 0.6 + peak.band * 0.8) * std::exp(-t / decay) * velocity * 0.16;
        out.add(start + i, s * gl, s * gr);
    }
}

void renderCrash(StereoBuffer& out, double time, double velocity) {
    const size_t start = toSample(time);
    const size_t len = toSample(3.0);
    Random noise = noiseFor(time, 6);
    Svf hpL, hpR;
    hpL.set(3800.0, 0.6, kRate);
    hpR.set(4100.0, 0.6, kRate);
    for (size_t i = 0; i < len; ++i) {
        const double t = static_cast<double>(i) / kRate;
        hpL.process(noise.bipolar());
        hpR.process(noise.bipolar());
        const double env = std::min(1.0, t / 0.002) * (0.6 * std::exp(-t / 0.12) + 0.4 * std::exp(-t / 0.9));
        const double a = env * velocity * 0.16;
        out.add(start + i, hpL.high * a, hpR.high * a);
    }
}

void renderRiser(StereoBuffer& out, double start, double end, double velocity) {
    const size_t s0 = toSample(start);
    const size_t len = toSample(end - start);
    Random noise = noiseFor(start, 7);
    Svf bandL, bandR;
    for (size_t i = 0; i < len; ++i) {
        const double u = static_cast<double>(i) / static_cast<double>(len);
        if (i % 32 == 0) {
            const double fc = 250.0 * std::pow(40.0, u);
            bandL.set(fc, 2.5, kRate);
            bandR.set(fc * 1.07, 2.5, kRate);
        }
        bandL.process(noise.bipolar());
        bandR.process(noise.bipolar());
        const double a = u * u * velocity * 0.35;
        out.add(s0 + i, bandL.band * a, bandR.band * a);
    }
}

void addPressurePulse(StereoBuffer& out, double time, double gain) {
    // A raised-cosine bump as long as the spectrum window: its windowed mean (the lowest bin)
    // rises and falls smoothly over a few show frames.
    constexpr double kLength = 0.12;
    const size_t start = toSample(time);
    const size_t len = toSample(kLength);
    for (size_t i = 0; i < len; ++i) {
        const double u = static_cast<double>(i) / static_cast<double>(len);
        const double s = gain * 0.5 * (1.0 - std::cos(kTwoPi * u));
        out.add(start + i, s, s);
    }
}

}  // namespace showgen
