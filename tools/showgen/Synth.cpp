#include "tools/showgen/Synth.h"

#include <algorithm>

namespace showgen {

void StereoBuffer::mixInto(StereoBuffer& out, double gain) const {
    const size_t n = std::min(frames(), out.frames());
    const auto g = static_cast<float>(gain);
    for (size_t i = 0; i < n; ++i) {
        out.left[i] += left[i] * g;
        out.right[i] += right[i] * g;
    }
}

double polyBlep(double phase, double dphase) {
    if (phase < dphase) {
        const double t = phase / dphase;
        return t + t - t * t - 1.0;
    }
    if (phase > 1.0 - dphase) {
        const double t = (phase - 1.0) / dphase;
        return t * t + t + t + 1.0;
    }
    return 0.0;
}

double squareWave(double phase, double dphase) {
    double v = phase < 0.5 ? 1.0 : -1.0;
    v += polyBlep(phase, dphase);
    double shifted = phase + 0.5;
    if (shifted >= 1.0) shifted -= 1.0;
    v -= polyBlep(shifted, dphase);
    return v;
}

void Svf::set(double cutoffHz, double q, double sampleRate) {
    const double fc = std::clamp(cutoffHz, 10.0, sampleRate * 0.45);
    g_ = std::tan(kPi * fc / sampleRate);
    k_ = 1.0 / std::max(q, 0.05);
    a1_ = 1.0 / (1.0 + g_ * (g_ + k_));
    a2_ = g_ * a1_;
    a3_ = g_ * a2_;
}

void Svf::process(double x) {
    const double v3 = x - ic2_;
    const double v1 = a1_ * ic1_ + a2_ * v3;
    const double v2 = ic2_ + a2_ * ic1_ + a3_ * v3;
    ic1_ = 2.0 * v1 - ic1_;
    ic2_ = 2.0 * v2 - ic2_;
    low = v2;
    band = v1;
    high = x - k_ * v1 - v2;
}

Biquad Biquad::highpass(double cutoffHz, double q, double sampleRate) {
    const double w = kTwoPi * cutoffHz / sampleRate;
    const double alpha = std::sin(w) / (2.0 * q);
    const double c = std::cos(w);
    const double a0 = 1.0 + alpha;
    Biquad b;
    b.b0_ = (1.0 + c) / 2.0 / a0;
    b.b1_ = -(1.0 + c) / a0;
    b.b2_ = b.b0_;
    b.a1_ = -2.0 * c / a0;
    b.a2_ = (1.0 - alpha) / a0;
    return b;
}

Biquad Biquad::lowpass(double cutoffHz, double q, double sampleRate) {
    const double w = kTwoPi * cutoffHz / sampleRate;
    const double alpha = std::sin(w) / (2.0 * q);
    const double c = std::cos(w);
    const double a0 = 1.0 + alpha;
    Biquad b;
    b.b0_ = (1.0 - c) / 2.0 / a0;
    b.b1_ = (1.0 - c) / a0;
    b.b2_ = b.b0_;
    b.a1_ = -2.0 * c / a0;
    b.a2_ = (1.0 - alpha) / a0;
    return b;
}

HighPass4::HighPass4(double cutoffHz, double sampleRate)
    : a_(Biquad::highpass(cutoffHz, 0.54119610, sampleRate)),
      b_(Biquad::highpass(cutoffHz, 1.30656296, sampleRate)) {}

void highPass4InPlace(std::vector<float>& signal, double cutoffHz, double sampleRate) {
    HighPass4 hp(cutoffHz, sampleRate);
    for (float& s : signal) s = static_cast<float>(hp.process(s));
}

double Adsr::at(double t, double gateLength) const {
    auto held = [&](double u) {
        if (u < attack) return u / attack;
        const double d = u - attack;
        return sustain + (1.0 - sustain) * std::exp(-d / std::max(decay, 1e-4));
    };
    if (t < 0) return 0.0;
    if (t < gateLength) return held(t);
    const double r = t - gateLength;
    if (r >= release) return 0.0;
    return held(gateLength) * (1.0 - r / release);
}

Reverb::Reverb(double roomSize, double damping, double sampleRate)
    : feedback_(static_cast<float>(roomSize)), damp_(static_cast<float>(damping)) {
    // Mutually prime line lengths (tuned at 44.1 kHz), the right side slightly longer.
    const int combLengths[] = {1116, 1188, 1277, 1356, 1422, 1491, 1557, 1617};
    const int allPassLengths[] = {556, 441, 341, 225};
    const double scale = sampleRate / 44100.0;
    for (int side = 0; side < 2; ++side) {
        const int spread = side * 23;
        for (int len : combLengths)
            combs_[side].push_back({std::vector<float>(static_cast<size_t>((len + spread) * scale), 0.0f)});
        for (int len : allPassLengths)
            allPasses_[side].push_back({std::vector<float>(static_cast<size_t>((len + spread) * scale), 0.0f)});
    }
}

void Reverb::process(float inL, float inR, float& outL, float& outR) {
    const float input = (inL + inR) * 0.015f;
    float out[2];
    for (int side = 0; side < 2; ++side) {
        float sum = 0;
        for (auto& c : combs_[side]) {
            const float y = c.line[c.pos];
            c.store = y * (1.0f - damp_) + c.store * damp_;
            c.line[c.pos] = input + c.store * feedback_;
            if (++c.pos == c.line.size()) c.pos = 0;
            sum += y;
        }
        for (auto& a : allPasses_[side]) {
            const float b = a.line[a.pos];
            a.line[a.pos] = sum + b * 0.5f;
            sum = b - sum;
            if (++a.pos == a.line.size()) a.pos = 0;
        }
        out[side] = sum;
    }
    outL = out[0];
    outR = out[1];
}

void Reverb::processBuffer(const StereoBuffer& in, StereoBuffer& out, double wet) {
    const size_t n = std::min(in.frames(), out.frames());
    for (size_t i = 0; i < n; ++i) {
        float l, r;
        process(in.left[i], in.right[i], l, r);
        out.left[i] += static_cast<float>(l * wet);
        out.right[i] += static_cast<float>(r * wet);
    }
}

void pingPongDelay(const StereoBuffer& in, StereoBuffer& out, double delaySeconds, double feedback,
                   double wet, double sampleRate) {
    const auto d = static_cast<size_t>(delaySeconds * sampleRate);
    std::vector<float> lineL(d, 0.0f), lineR(d, 0.0f);
    size_t pos = 0;
    double lpL = 0, lpR = 0;
    const double smooth = 0.35;  // darkens each repeat
    const size_t n = std::min(in.frames(), out.frames());
    for (size_t i = 0; i < n; ++i) {
        const double dl = lineL[pos], dr = lineR[pos];
        lpL += (dl - lpL) * (1.0 - smooth);
        lpR += (dr - lpR) * (1.0 - smooth);
        // The mono input enters on the left; each side feeds the other.
        lineL[pos] = static_cast<float>((in.left[i] + in.right[i]) * 0.5 + lpR * feedback);
        lineR[pos] = static_cast<float>(lpL * feedback);
        out.left[i] += static_cast<float>(dl * wet);
        out.right[i] += static_cast<float>(dr * wet);
        if (++pos == d) pos = 0;
    }
}

}  // namespace showgen
