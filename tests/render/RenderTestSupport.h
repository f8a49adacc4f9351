#pragma once
// Helpers for the rendering toolkit's tests: scratch files on disk, standard
// output capture and the console colour mode.
#include "render/ConsoleColour.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

// A fresh folder under the system's temporary folder, removed at the end.
class ScratchDir {
public:
    ScratchDir()
    {
        const auto* info = testing::UnitTest::GetInstance()->current_test_info();
        std::string name = "quellin_render_";
        if (info) name += std::string(info->test_suite_name()) + "_" + info->name();
        root_ = std::filesystem::temp_directory_path() / name;
        std::filesystem::remove_all(root_);
        std::filesystem::create_directories(root_);
    }
    ~ScratchDir() { std::filesystem::remove_all(root_); }
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;

    // The full path of `name` inside the folder.
    std::string path(const std::string& name) const { return (root_ / name).string(); }
    const std::filesystem::path& root() const { return root_; }

    // Writes `text` byte for byte and returns the file's full path.
    std::string write(const std::string& name, const std::string& text) const
    {
        const std::filesystem::path file = root_ / name;
        std::filesystem::create_directories(file.parent_path());
        std::ofstream(file, std::ios::binary) << text;
        return file.string();
    }

private:
    std::filesystem::path root_;
};

// Sets the colour mode for one test and puts the automatic mode back afterwards.
struct ColourModeScope {
    explicit ColourModeScope(console::ColourMode mode) { console::setColourMode(mode); }
    ~ColourModeScope() { console::setColourMode(console::ColourMode::Auto); }
};

// Runs `action` and returns what it wrote to standard output.
template <typename Action>
std::string capturedStdout(Action&& action)
{
    testing::internal::CaptureStdout();
    action();
    return testing::internal::GetCapturedStdout();
}

// The escape sequences the four colours write when colour is on.
inline const std::string kCyan = "\x1b[96m";
inline const std::string kGreen = "\x1b[92m";
inline const std::string kWhite = "\x1b[37m";
inline const std::string kRed = "\x1b[91m";
