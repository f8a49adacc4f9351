// The Windows platform layer's file handling, on the real file system of
// Windows (Wine's on the test machines): the camera file replaced whole,
// file change checks for hot reload, paths written with doubled separators,
// the desktop rectangle.
#include "live/FreeCam.h"
#include "platform/FileWatch.h"
#include "platform/Platform.h"
#include "render/ImageFile.h"

#include <SDL2/SDL.h>
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace {

namespace fs = std::filesystem;

// A fresh folder under the temporary folder, which is also the working
// directory while it lives (the show's paths are relative).
class ScratchFolder {
public:
    ScratchFolder()
    {
        root_ = fs::temp_directory_path() / ("quellin_windows_" + std::to_string(GetCurrentProcessId()));
        fs::remove_all(root_);
        fs::create_directories(root_);
        previous_ = fs::current_path();
        fs::current_path(root_);
    }
    ~ScratchFolder()
    {
        fs::current_path(previous_);
        std::error_code error;
        fs::remove_all(root_, error);
    }

private:
    fs::path root_, previous_;
};

std::string contents(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

void writeFile(const std::string& path, const std::string& text)
{
    std::ofstream(path, std::ios::binary | std::ios::trunc) << text;
}

std::string cameraBytes(const TFreeCam& camera)
{
    return std::string(reinterpret_cast<const char*>(&camera), sizeof camera);
}

// Windows refuses to rename over an existing file unless asked to replace it:
// the camera's second save is where a plain rename fails.
TEST(WindowsFiles, TheCameraFileIsReplacedWholeAndAHeldFileIsLeftAlone)
{
    ScratchFolder folder;
    TFreeCam first, second;
    first.zoom = 3.0f;
    second.zoom = 7.5f;
    second.pan = {1.0f, 2.0f, 3.0f};

    ASSERT_TRUE(SaveFreeCam(first, "FreeCam.bin"));
    ASSERT_TRUE(SaveFreeCam(second, "FreeCam.bin"));
    EXPECT_EQ(contents("FreeCam.bin"), cameraBytes(second));
    EXPECT_FALSE(fs::exists("FreeCam.bin.tmp"));

    // A reader that holds the file open (the C library's fopen forbids
    // replacing it meanwhile) makes the save fail without touching the file
    // or leaving the temporary one behind; the next save goes through.
    FILE* held = std::fopen("FreeCam.bin", "rb");
    ASSERT_NE(held, nullptr);
    EXPECT_FALSE(SaveFreeCam(first, "FreeCam.bin"));
    std::fclose(held);
    EXPECT_EQ(contents("FreeCam.bin"), cameraBytes(second));
    EXPECT_FALSE(fs::exists("FreeCam.bin.tmp"));
    EXPECT_TRUE(SaveFreeCam(first, "FreeCam.bin"));
    EXPECT_EQ(contents("FreeCam.bin"), cameraBytes(first));
}

// Every way an editor saves is seen, through paths as the show writes them.
TEST(WindowsFiles, ChangeChecksSeeWritesInPlaceRenamesOverAndNewFilesThroughDoubledSeparators)
{
    ScratchFolder folder;
    fs::create_directories("shaders");
    writeFile("shaders/pass.glsl", "void main() {}\n");
    platform::WatchedFiles watched;
    watched.add("shaders//pass.glsl");
    watched.add("shaders//later.glsl");
    EXPECT_FALSE(watched.changed());

    writeFile("shaders/pass.glsl", "void main() { }\n");  // in place, one byte longer
    EXPECT_TRUE(watched.changed());

    // The same size, written under another name and moved over the old file.
    watched.clear();
    watched.add("shaders//pass.glsl");
    writeFile("shaders/pass.glsl.new", "void main() {!}\n");
    ASSERT_TRUE(platform::MoveFileOver("shaders//pass.glsl.new", "shaders//pass.glsl"));
    EXPECT_TRUE(watched.changed());
    EXPECT_EQ(contents("shaders//pass.glsl"), "void main() {!}\n");

    watched.clear();
    watched.add("shaders//later.glsl");
    EXPECT_FALSE(watched.changed());
    writeFile("shaders/later.glsl", "");
    EXPECT_TRUE(watched.changed());
}

TEST(WindowsFiles, DoubledSeparatorsReachFilesThroughEveryReader)
{
    ScratchFolder folder;
    fs::create_directories("newresources");
    writeFile("newresources/Storage1.txt", "0 1\n");
    RgbImage picture;
    picture.width = 3;
    picture.height = 1;
    picture.pixels = {255, 0, 0, 0, 255, 0, 0, 0, 255};
    ASSERT_TRUE(WritePng("newresources//velisse.png", picture));

    FILE* file = std::fopen("newresources//Storage1.txt", "rb");
    ASSERT_NE(file, nullptr);
    std::fclose(file);
    EXPECT_EQ(contents("newresources//Storage1.txt"), "0 1\n");
    EXPECT_TRUE(fs::is_regular_file("newresources//Storage1.txt"));
    RgbImage back;
    std::string why;
    ASSERT_TRUE(ReadRgbImage("newresources//velisse.png", back, why)) << why;
    EXPECT_EQ(back.pixels, picture.pixels);
}

TEST(WindowsDesktop, TheRectangleIsThePrimaryDisplays)
{
    ASSERT_EQ(SDL_InitSubSystem(SDL_INIT_VIDEO), 0) << SDL_GetError();
    SDL_Rect display{};
    ASSERT_EQ(SDL_GetDisplayBounds(0, &display), 0) << SDL_GetError();
    const platform::Rect desktop = platform::DesktopRect();
    EXPECT_EQ(desktop.left, display.x);
    EXPECT_EQ(desktop.top, display.y);
    EXPECT_EQ(desktop.right, display.x + display.w);
    EXPECT_EQ(desktop.bottom, display.y + display.h);
    EXPECT_GT(desktop.right, 0);
    EXPECT_GT(desktop.bottom, 0);
}

}  // namespace
