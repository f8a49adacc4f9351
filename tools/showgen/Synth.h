#pragma once
// Building blocks of the track's instruments: oscillators, filters, envelopes, effects.
#include <cmath>
#include <cstddef>
#include <vector>

namespace showgen {

constexpr double kPi = 3.14159265358979323846;
constexpr double kTwoPi = 2.0 * kPi;

inline double midiToHz(double note) { return 440.0 * std::pow(2.0, (note - 69.0) / 12.0); }

// A stereo signal held whole in memory (the track is short).
struct StereoBuffer {
    std::vector<float> left, right;
    explicit StereoBuffer(size_t frames = 0) : left(frames, 0.0f), right(frames, 0.0f) {}
    size_t frames() const { return left.size(); }
    void add(size_t i, double l, double r) {
        if (i < left.size()) {
            left[i] += static_cast<float>(l);
            right[i] += static_cast<float>(r);
        }
    }
    void mixInto(StereoBuffer& out, double gain) const;
};

// Equal-power pan gains for pan in [-1, 1].
inline void panGains(double pan, double& l, double& r) {
    const double a = (pan + 1.0) * 0.25 * kPi;
    l = std::cos(a);
    r = std::sin(a);
}

// Band-limited sawtooth and square with polyBLEP corrections.
double polyBlep(double phase, double dphase);
inline double sawWave(double phase, double dphase) { return 2.0 * phase - 1.0 - polyBlep(phase, dphase); }
double squareWave(double phase, double dphase);

// State-variable filter (trapezoidal integration): stable under fast cutoff changes.
class Svf {
public:
    void set(double cutoffHz, double q, double sampleRate);
    // Advances one sample; the three outputs are then available.
    void process(double x);
    double low = 0, band = 0, high = 0;

private:
    double g_ = 0, k_ = 1, a1_ = 0, a2_ = 0, a3_ = 0;
    double ic1_ = 0, ic2_ = 0;
};

// Second-order section, used for the fixed high-pass of the master and of single instruments.
class Biquad {
public:
    static Biquad highpass(double cutoffHz, double q, double sampleRate);
    static Biquad lowpass(double cutoffHz, double q, double sampleRate);
    double process(double x) {
        const double y = b0_ * x + z1_;
        z1_ = b1_ * x - a1_ * y + z2_;
        z2_ = b2_ * x - a2_ * y;
        return y;
    }

private:
    double b0_ = 1, b1_ = 0, b2_ = 0, a1_ = 0, a2_ = 0, z1_ = 0, z2_ = 0;
};

// Fourth-order Butterworth high-pass as two sections.
class HighPass4 {
public:
    HighPass4(double cutoffHz, double sampleRate);
    double process(double x) { return b_.process(a_.process(x)); }

private:
    Biquad a_, b_;
};
void highPass4InPlace(std::vector<float>& signal, double cutoffHz, double sampleRate);

// Linear attack, exponential-ish decay to sustain, linear release after the gate closes.
struct Adsr {
    double attack = 0.01, decay = 0.1, sustain = 1.0, release = 0.1;
    double at(double t, double gateLength) const;
    double length(double gateLength) const { return gateLength + release; }
};

// A plate-like stereo reverb: parallel damped combs into series all-passes per side.
class Reverb {
public:
    Reverb(double roomSize, double damping, double sampleRate);
    void process(float inL, float inR, float& outL, float& outR);
    void processBuffer(const StereoBuffer& in, StereoBuffer& out, double wet);

private:
    struct Comb {
        std::vector<float> line;
        size_t pos = 0;
        float store = 0;
    };
    struct AllPass {
        std::vector<float> line;
        size_t pos = 0;
    };
    std::vector<Comb> combs_[2];
    std::vector<AllPass> allPasses_[2];
    float feedback_, damp_;
};

// Ping-pong echo with a low-passed feedback path.
void pingPongDelay(const StereoBuffer& in, StereoBuffer& out, double delaySeconds, double feedback,
                   double wet, double sampleRate);

}  // namespace showgen
