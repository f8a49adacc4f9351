#include "tools/capture/CaptureSession.h"

#include "app/TDemoApp.h"
#include "parts/dancers/MusicClock.h"
#include "parts/dancers/Part_Dancers.h"
#include "platform/Audio.h"

#include <GL/glew.h>

#include <algorithm>
#include <cstring>
#include <new>

CaptureSession::CaptureSession() : app_(std::make_unique<TDemoApp>()) {}

// The part is left alive like in the player; the app record goes.
CaptureSession::~CaptureSession() = default;

bool CaptureSession::open(int width, int height, std::string& error)
{
    width_ = width;
    height_ = height;
    TDemoApp& app = *app_;
    if (!app.window.Init(0, 0, width, height, false)) {
        error = app.window.failure;
        return false;
    }
    app.width = width;
    app.height = height;

    app.CreateRenderTargets(width, height);

    // No controller: every mapped knob reads -1, as in the player from its
    // second frame on.
    TLiveControls& ctrl = app.controls;
    ctrl._nano = nullptr;
    ctrl._k0 = ctrl._k1 = ctrl._k2 = ctrl._k3 = ctrl._k4 = -1.0f;
    ctrl._kx = ctrl._ky = ctrl._kz = -1.0f;
    ctrl._nx = ctrl._ny = ctrl._nz = -1.0f;

    // The music holds still and moves only where the frames put it.
    platform::AudioInitManual();

    void* storage = ::operator new(sizeof(Part_Dancers));
    std::memset(storage, 0, sizeof(Part_Dancers));
    part_ = new (storage) Part_Dancers();
    app.parts.push_back(part_);
    part_->app = &app;
    part_->ctrl = &ctrl;
    part_->load();
    return true;
}

void CaptureSession::spectrumStep(double t)
{
    Part_Dancers& part = *part_;
    uploadSpectrumStrip(part);
    const auto bytes = static_cast<int64_t>(t * static_cast<double>(platform::kAudioBytesPerSecond));
    // Before the music and after its end there is nothing to hear.
    if (platform::ChannelSetPosition(part.channel, bytes))
        platform::ChannelGetData(part.channel, part.fftRaw);
    else
        std::fill(std::begin(part.fftRaw), std::end(part.fftRaw), 0.0f);
    smoothSpectrum(part);
}

void CaptureSession::renderFrame(double t, std::vector<uint8_t>& rgb)
{
    Part_Dancers& part = *part_;
    const double step = 1.0 / kSpectrumStepsPerSecond;
    if (!started_ || t < lastFrameTime_ || t - lastFrameTime_ > 1.0) {
        std::fill(std::begin(part.fftSmooth), std::end(part.fftSmooth), 0.0f);
        nextSpectrumTime_ = t - 1.0;
        started_ = true;
    }
    while (nextSpectrumTime_ <= t + 1e-9) {
        spectrumStep(nextSpectrumTime_);
        nextSpectrumTime_ += step;
    }
    lastFrameTime_ = t;

    // The frame itself: the clock at t, the music there too (for the beat).
    TDemoApp& app = *app_;
    app.controls._dt = static_cast<float>(step);
    part.app = &app;
    part.ctrl = &app.controls;
    part.ttime = static_cast<float>(t);
    platform::ChannelSetPosition(part.channel, static_cast<int64_t>(t * static_cast<double>(platform::kAudioBytesPerSecond)));
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    glUseProgram(0);
    part.render();
    ResetGLState();

    // The window's back buffer, bottom row first in GL, flipped to top down.
    const size_t row = static_cast<size_t>(width_) * 3;
    rgb.resize(row * static_cast<size_t>(height_));
    glBindFramebuffer(GL_READ_FRAMEBUFFER, 0);
    glReadBuffer(GL_BACK);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, width_, height_, GL_RGB, GL_UNSIGNED_BYTE, rgb.data());
    for (int y = 0; y < height_ / 2; ++y)
        std::swap_ranges(rgb.begin() + static_cast<std::ptrdiff_t>(row * static_cast<size_t>(y)),
                         rgb.begin() + static_cast<std::ptrdiff_t>(row * static_cast<size_t>(y + 1)),
                         rgb.begin() + static_cast<std::ptrdiff_t>(row * static_cast<size_t>(height_ - 1 - y)));
    SDL_PumpEvents();
}
