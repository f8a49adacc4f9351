#pragma once
// Pictures on disk, read and written with the stb headers: any PNG, JPEG,
// BMP, TGA, GIF or PNM read as 8-bit RGB (alpha dropped, grey expanded, 16-bit
// channels cut to their high byte); PNG written.
#include <cstdint>
#include <string>
#include <vector>

struct RgbImage {
    int32_t width = 0;
    int32_t height = 0;
    std::vector<unsigned char> pixels;  // rows top first, 3 bytes per pixel, packed
};

// False (and `error` says why) when the file cannot be opened or decoded.
bool ReadRgbImage(const std::string& path, RgbImage& image, std::string& error);

// Writes the picture as PNG; false when the file cannot be written.
bool WritePng(const std::string& path, const RgbImage& image);
