#pragma once
// The show's one part: recorded dancers as point clouds, timed to the music.
#include "parts/Part.h"
#include "parts/dancers/Background.h"
#include "parts/dancers/DanceSequence.h"
#include "parts/dancers/DancerVertices.h"
#include "parts/dancers/KeyframeTrack.h"
#include "parts/dancers/PointCloud.h"
#include "parts/dancers/ShowTimes.h"
#include "platform/Audio.h"
#include "platform/FileWatch.h"
#include "render/Shader.h"
#include "render/Texture.h"

#include <vector>

struct Part_Dancers : Part {
    static constexpr const char* kKeyframePath = "newresources//Storage1.txt";
    static constexpr int kSequenceSlots = 10;
    static constexpr int kSpectrumBins = 1024;

    std::vector<Point3> cloudPoints;
    std::vector<Point3> prevPoints;            // the dancer drawn last in this frame
    DanceSequence sequences[kSequenceSlots];   // 0: "009", 1: "011", 2: "006"
    float closeupStart = show_times::kCloseupStart;  // the close-up window, seconds
    float closeupEnd = show_times::kCloseupEnd;
    TGLTexture fftTexture;                     // 100 x 1 strip of the smoothed spectrum
    TGLTexture textTexture;                    // the picture
    KeyframeTrack keyframes;                   // source of "k0"
    platform::AudioHandle sample = 0;
    platform::AudioHandle channel = 0;
    float fftRaw[kSpectrumBins] = {};
    float fftSmooth[kSpectrumBins] = {};
    float fftBeat = 0.0f;
    float dancerScale = 1.0f;
    TGLShader progThatch;   // pass 1: the drawn, hatched texture
    TGLShader progFinal;    // pass 2: colour grade, depth, the picture's glow
    TGLShader progFinal2;   // pass 3, into the window: the picture, the final look
    TGLShader progCloud;    // the scene's points and lines

    void render() override;
    void update() override;
    void load() override;
    // The shader programs and the keyframes, when their files changed.
    void reloadChangedFiles() override;

    // The keyboard's pause (Space): the clock stands while it is set.
    bool paused = false;
    bool musicHeld = false;  // the music paused while the clock stands
    platform::WatchedFiles keyframeSources;   // the keyframe file as it was read
    bool errorsPublished = false;             // the programs' error lines are in the overlay

    // Draws one dancer: recording `slot` at `rate` frames per second of the
    // clock from frame position `start`, `keep` of its points, moved to
    // `place` and turned `angle` degrees about the y axis.
    void drawDancer(int slot, float keep, float rate, float start, const float place[3], float angle);

    // Working buffers of the drawing, reused from frame to frame.
    std::vector<Point3> previousDancer;  // the points of the dancer drawn before this one
    DancerVertexLists dancerLists;
    BackgroundGeometry background;
    float currentColour[3] = {1, 1, 1};  // the colour the last drawing left current

    // The pulses of the current frame (computed at the start of drawing).
    float beat() const;       // from the music's play position
    void updateFftBeat();     // fftBeat from the smoothed spectrum and the clock

    // Builds the four programs from their sources under "shaders/".
    void loadShaderPrograms();
    // The value of the keyframe track at the clock ("k0" of the passes).
    float keyframeValue() const { return keyframes.valueAt(ttime); }
};
