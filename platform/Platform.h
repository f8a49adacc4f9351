#pragma once
// Small stand-ins for the desktop-system calls the player makes.
#include <cstdint>

namespace platform {

// The console window is a Windows notion; on Linux the text output simply goes
// to standard output, so hiding and showing it change nothing.
void HideConsole();
void ShowConsole();

struct Rect {
    int32_t left = 0, top = 0, right = 0, bottom = 0;
};

// The rectangle of the primary display, in screen pixels.
Rect DesktopRect();

// A steady tick count in units of 100 nanoseconds.
int64_t TicksNow();

// Blocks the calling thread for the given number of milliseconds.
void Sleep(uint32_t milliseconds);

}  // namespace platform
