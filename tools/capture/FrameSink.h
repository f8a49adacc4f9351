#pragma once
// Where captured frames go: PNG files, or an MP4 made by ffmpeg with the music.
#include <cstdint>
#include <string>
#include <vector>

class FrameSink {
public:
    virtual ~FrameSink() = default;
    // Takes one frame (RGB, rows top down) shown at `time`; false with the
    // reason in `error` when it could not be kept.
    virtual bool write(const std::vector<uint8_t>& rgb, int width, int height, double time, std::string& error) = 0;
    // Finishes the output; false with the reason when that failed.
    virtual bool finish(std::string& error) = 0;
};

// PNG files in a folder (made if missing): frame_00000.png, ... for a time
// range, or t_005.000.png named by the time for single times.
class PngSink : public FrameSink {
public:
    PngSink(std::string folder, bool nameByTime) : folder_(std::move(folder)), nameByTime_(nameByTime) {}
    bool write(const std::vector<uint8_t>& rgb, int width, int height, double time, std::string& error) override;
    bool finish(std::string&) override { return true; }

    // The file name a frame gets.
    std::string fileName(size_t index, double time) const;

private:
    std::string folder_;
    bool nameByTime_;
    size_t count_ = 0;
};

// Raw frames piped into ffmpeg, which encodes H.264 and muxes the music from
// `from` seconds on (when the music file exists).
class Mp4Sink : public FrameSink {
public:
    Mp4Sink(std::string file, std::string music, int width, int height, double fps, double from, double duration);
    ~Mp4Sink() override;
    // Starts ffmpeg; false with the reason when it cannot be run.
    bool start(std::string& error);
    bool write(const std::vector<uint8_t>& rgb, int width, int height, double time, std::string& error) override;
    bool finish(std::string& error) override;

    // ffmpeg's arguments, program name first.
    std::vector<std::string> arguments() const;

private:
    std::string file_;
    std::string music_;
    int width_;
    int height_;
    double fps_;
    double from_;
    double duration_;
    int pipe_ = -1;
    int child_ = -1;
};
