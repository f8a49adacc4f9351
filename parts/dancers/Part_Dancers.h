#pragma once
// The show's one part: recorded dancers as point clouds, timed to the music.
#include "parts/Part.h"
#include "parts/dancers/DanceSequence.h"
#include "parts/dancers/KeyframeTrack.h"
#include "parts/dancers/PointCloud.h"
#include "platform/Audio.h"
#include "render/Texture.h"

#include <vector>

struct Part_Dancers : Part {
    static constexpr int kSequenceSlots = 10;
    static constexpr int kSpectrumBins = 1024;

    std::vector<Point3> cloudPoints;
    std::vector<Point3> prevPoints;            // the dancer drawn last in this frame
    DanceSequence sequences[kSequenceSlots];   // 0: "009", 1: "011", 2: "006"
    float closeupStart = 101.5f;               // the close-up window, seconds
    float closeupEnd = 108.5f;
    TGLTexture fftTexture;                     // 100 x 1 strip of the smoothed spectrum
    TGLTexture textTexture;                    // the picture
    KeyframeTrack keyframes;                   // source of "k0"
    platform::AudioHandle sample = 0;
    platform::AudioHandle channel = 0;
    float fftRaw[kSpectrumBins] = {};
    float fftSmooth[kSpectrumBins] = {};
    float fftBeat = 0.0f;
    float dancerScale = 1.0f;

    void render() override;
    void update() override;
    void load() override;

    // The pulses of the current frame (computed at the start of drawing).
    float beat() const;       // from the music's play position
    void updateFftBeat();     // fftBeat from the smoothed spectrum and the clock
};
