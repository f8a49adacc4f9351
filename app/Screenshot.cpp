#include "app/TDemoApp.h"

#include "parts/Part.h"
#include "render/ImageFile.h"

#include <GL/glew.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

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
    std::vector<unsigned char> rows(static_cast<size_t>(w) * static_cast<size_t>(h) * 3);
    glBindFramebuffer(GL_READ_FRAMEBUFFER, 0);
    glReadBuffer(GL_BACK);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, w, h, GL_RGB, GL_UNSIGNED_BYTE, rows.data());

    // GL rows run bottom up, the file's top down.
    RgbImage image;
    image.width = w;
    image.height = h;
    image.pixels.resize(rows.size());
    const size_t stride = static_cast<size_t>(w) * 3;
    for (int y = 0; y < h; ++y)
        std::memcpy(image.pixels.data() + static_cast<size_t>(y) * stride,
                    rows.data() + static_cast<size_t>(h - 1 - y) * stride, stride);

    std::error_code error;
    std::filesystem::create_directories("shots", error);
    const std::string path = freeShotPath(parts.empty() ? 0.0f : parts.front()->ttime);
    if (WritePng(path, image))
        std::printf("Screenshot: %s\n", path.c_str());
    else
        std::printf("Screenshot: cannot write %s\n", path.c_str());
    std::fflush(stdout);
}
