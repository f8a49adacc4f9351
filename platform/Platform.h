#pragma once
// Small stand-ins for the desktop-system calls the player makes.
#include <cstdint>
#include <string>

namespace platform {

// The console window is a Windows notion: the player hides the console it
// was given at start and shows it again for a maker. A console the player
// shares with the terminal it was started from is left alone. On Linux the
// text output simply goes to standard output, so both change nothing.
void HideConsole();
void ShowConsole();

// Whether the program's console window is its own and closes with it, as
// after a double-click in the file manager (never on Linux).
bool ConsoleIsOwn();

// Puts a message the viewer must act on where they can see it: in a message
// box when the player hid its console (true), else nowhere (false; the
// caller prints it on standard output in any case).
bool ShowViewerMessage(const std::string& title, const std::string& text);

// The show reads its files relative to the working directory. Where that
// directory lacks them ("shaders/") but the program's own folder has them, as
// when the program is started from a file manager or a shortcut, the
// program's folder becomes the working directory. Linux leaves it as it is.
void EnterProgramFolderIfNeeded();

struct Rect {
    int32_t left = 0, top = 0, right = 0, bottom = 0;
};

// The rectangle of the primary display, in screen pixels.
Rect DesktopRect();

// A steady tick count in units of 100 nanoseconds.
int64_t TicksNow();

// Blocks the calling thread for the given number of milliseconds.
void Sleep(uint32_t milliseconds);

// Puts the file `from` in the place of `to` in one step: a reader sees the
// old file or the new one, never neither and never a part. False when the
// system refuses (`from` is then left where it was).
bool MoveFileOver(const std::string& from, const std::string& to);

}  // namespace platform
