#include "render/ImageFile.h"

#define STB_IMAGE_IMPLEMENTATION
#define STB_IMAGE_WRITE_IMPLEMENTATION
#define STBI_ONLY_PNG
#define STBI_ONLY_JPEG
#define STBI_ONLY_BMP
#define STBI_ONLY_TGA
#define STBI_ONLY_GIF
#define STBI_ONLY_PNM
#include <stb/stb_image.h>
#include <stb/stb_image_write.h>

#include <cstdio>
#include <memory>

bool ReadRgbImage(const std::string& path, RgbImage& image, std::string& error)
{
    image = {};
    // The file is opened here, so a folder or a missing file gets a plain reason.
    std::unique_ptr<FILE, int (*)(FILE*)> file(std::fopen(path.c_str(), "rb"), &std::fclose);
    if (!file) {
        error = "cannot be opened";
        return false;
    }
    int width = 0, height = 0, channels = 0;
    std::unique_ptr<unsigned char, void (*)(void*)> pixels(stbi_load_from_file(file.get(), &width, &height, &channels, 3),
                                                           &stbi_image_free);
    if (!pixels) {
        error = stbi_failure_reason() ? stbi_failure_reason() : "not a picture";
        return false;
    }
    image.width = width;
    image.height = height;
    image.pixels.assign(pixels.get(), pixels.get() + static_cast<size_t>(width) * static_cast<size_t>(height) * 3);
    return true;
}

bool WritePng(const std::string& path, const RgbImage& image)
{
    if (image.width <= 0 || image.height <= 0 ||
        image.pixels.size() != static_cast<size_t>(image.width) * static_cast<size_t>(image.height) * 3)
        return false;
    return stbi_write_png(path.c_str(), image.width, image.height, 3, image.pixels.data(), image.width * 3) != 0;
}
