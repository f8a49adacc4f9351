#include "app/TDemoApp.h"

#include "parts/Part.h"

#include <GL/glew.h>
#include <opencv2/core.hpp>
#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>

#include <cstdio>
#include <filesystem>
#include <string>

namespace {

// "shots/63.420.png", or with "-2", "-3" ... when a paused clock repeats a time.
std::string freeShotPath(float showTime)
{
    char stem[64];
    std::snprintf(stem, sizeof stem, "shots/%.3f", showTime);
    std::string path = std::string(stem) + ".png";
    std::error_code error;
    for (int n = 2; std::filesystem::exists(path, error); ++n) path = std::string(stem) + "-" + std::to_string(n) + ".png";
    return path;
}

}  // namespace

void TDemoApp::SaveScreenshot()
{
    const int w = window.width, h = window.height;
    cv::Mat rgb(h, w, CV_8UC3);
    glBindFramebuffer(GL_READ_FRAMEBUFFER, 0);
    glReadBuffer(GL_BACK);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, w, h, GL_RGB, GL_UNSIGNED_BYTE, rgb.data);

    // GL rows run bottom up, the file's top down; the file wants blue first.
    cv::Mat image;
    cv::flip(rgb, image, 0);
    cv::cvtColor(image, image, cv::COLOR_RGB2BGR);

    std::error_code error;
    std::filesystem::create_directories("shots", error);
    const std::string path = freeShotPath(parts.empty() ? 0.0f : parts.front()->ttime);
    bool written = false;
    try {
        written = cv::imwrite(path, image);
    } catch (const cv::Exception&) {
        written = false;
    }
    if (written)
        std::printf("Screenshot: %s\n", path.c_str());
    else
        std::printf("Screenshot: cannot write %s\n", path.c_str());
    std::fflush(stdout);
}
