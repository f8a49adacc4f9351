#pragma once
// The show rendered offline through the real part: a window of the capture
// size, the part loaded from the working directory, its clock set frame by
// frame, the music position following the clock and the spectrum taken from
// the decoded music at that position.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

struct TDemoApp;
struct Part_Dancers;

class CaptureSession {
public:
    // The show's display ran at 60 frames a second: the spectrum is smoothed
    // at that rate whatever rate the frames are captured at.
    static constexpr double kSpectrumStepsPerSecond = 60.0;

    CaptureSession();
    ~CaptureSession();
    CaptureSession(const CaptureSession&) = delete;
    CaptureSession& operator=(const CaptureSession&) = delete;

    // Opens the window and loads the show. False (with the reason) when no
    // window or GL context could be made.
    bool open(int width, int height, std::string& error);

    // Renders the frame at `t` into the window and reads it back: RGB, rows
    // top down. Frames are cheapest in increasing time; a jump back or of
    // more than a second first replays a second of spectrum before `t`.
    void renderFrame(double t, std::vector<uint8_t>& rgb);

    int width() const { return width_; }
    int height() const { return height_; }
    TDemoApp& app() { return *app_; }
    Part_Dancers& part() { return *part_; }

private:
    void spectrumStep(double t);

    std::unique_ptr<TDemoApp> app_;
    Part_Dancers* part_ = nullptr;  // lives until the process ends, as in the player
    int width_ = 0;
    int height_ = 0;
    bool started_ = false;
    double nextSpectrumTime_ = 0;
    double lastFrameTime_ = 0;
};
