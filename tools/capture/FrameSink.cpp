#include "tools/capture/FrameSink.h"

#include <opencv2/core.hpp>
#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>

#include <csignal>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

std::string seconds(double value)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.6f", value);
    return text;
}

}  // namespace

std::string PngSink::fileName(size_t index, double time) const
{
    char name[48];
    if (nameByTime_)
        std::snprintf(name, sizeof name, "t_%07.3f.png", time);
    else
        std::snprintf(name, sizeof name, "frame_%05zu.png", index);
    return (std::filesystem::path(folder_) / name).string();
}

bool PngSink::write(const std::vector<uint8_t>& rgb, int width, int height, double time, std::string& error)
{
    std::error_code ec;
    std::filesystem::create_directories(folder_, ec);
    if (ec) {
        error = "cannot make the folder " + folder_ + ": " + ec.message();
        return false;
    }
    const std::string path = fileName(count_++, time);
    cv::Mat image(height, width, CV_8UC3, const_cast<uint8_t*>(rgb.data()));
    cv::Mat bgr;
    cv::cvtColor(image, bgr, cv::COLOR_RGB2BGR);
    bool ok = false;
    try {
        ok = cv::imwrite(path, bgr);
    } catch (const cv::Exception&) {
        ok = false;
    }
    if (!ok) error = "cannot write " + path;
    return ok;
}

Mp4Sink::Mp4Sink(std::string file, std::string music, int width, int height, double fps, double from, double duration)
    : file_(std::move(file)), music_(std::move(music)), width_(width), height_(height), fps_(fps), from_(from),
      duration_(duration)
{
}

Mp4Sink::~Mp4Sink()
{
    std::string ignored;
    if (child_ > 0) finish(ignored);
}

std::vector<std::string> Mp4Sink::arguments() const
{
    std::vector<std::string> a = {"ffmpeg", "-hide_banner", "-loglevel", "error", "-y",
                                  "-f", "rawvideo", "-pix_fmt", "rgb24",
                                  "-s", std::to_string(width_) + "x" + std::to_string(height_),
                                  "-r", seconds(fps_), "-i", "-"};
    const bool withMusic = std::filesystem::is_regular_file(music_);
    if (withMusic) {
        // The music from the first frame's time on; a start before the music
        // delays it instead.
        if (from_ >= 0) {
            a.insert(a.end(), {"-ss", seconds(from_)});
        } else {
            a.insert(a.end(), {"-itsoffset", seconds(-from_)});
        }
        a.insert(a.end(), {"-i", music_, "-map", "0:v:0", "-map", "1:a:0", "-c:a", "aac", "-b:a", "192k"});
    }
    a.insert(a.end(), {"-c:v", "libx264", "-preset", "medium", "-crf", "18", "-pix_fmt", "yuv420p",
                       "-movflags", "+faststart", "-t", seconds(duration_), file_});
    return a;
}

bool Mp4Sink::start(std::string& error)
{
    int fds[2];
    if (pipe(fds) != 0) {
        error = std::string("no pipe to ffmpeg: ") + std::strerror(errno);
        return false;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, fds[0], STDIN_FILENO);
    posix_spawn_file_actions_addclose(&actions, fds[0]);
    posix_spawn_file_actions_addclose(&actions, fds[1]);

    const std::vector<std::string> args = arguments();
    std::vector<char*> argv;
    for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    pid_t pid = 0;
    const int result = posix_spawnp(&pid, "ffmpeg", &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(fds[0]);
    if (result != 0) {
        close(fds[1]);
        error = std::string("cannot run ffmpeg (install Debian's ffmpeg): ") + std::strerror(result);
        return false;
    }
    // A dead encoder must show up as a failed write, not end this process.
    std::signal(SIGPIPE, SIG_IGN);
    pipe_ = fds[1];
    child_ = pid;
    return true;
}

bool Mp4Sink::write(const std::vector<uint8_t>& rgb, int width, int height, double, std::string& error)
{
    if (pipe_ < 0 || width != width_ || height != height_) {
        error = "the encoder is not running for frames of this size";
        return false;
    }
    const uint8_t* data = rgb.data();
    size_t left = rgb.size();
    while (left > 0) {
        const ssize_t n = ::write(pipe_, data, left);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            error = "ffmpeg stopped taking frames (see its message above)";
            return false;
        }
        data += n;
        left -= static_cast<size_t>(n);
    }
    return true;
}

bool Mp4Sink::finish(std::string& error)
{
    if (pipe_ >= 0) close(pipe_);
    pipe_ = -1;
    if (child_ <= 0) return true;
    int status = 0;
    while (waitpid(child_, &status, 0) < 0 && errno == EINTR) {
    }
    child_ = -1;
    if (WIFEXITED(status) && WEXITSTATUS(status) == 0) return true;
    error = "ffmpeg failed making " + file_;
    return false;
}
