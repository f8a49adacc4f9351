#include "platform/Platform.h"
#include "platform/windows/WidePath.h"

#include <windows.h>

#include <string>

namespace platform {

namespace {

bool hidConsole = false;

}  // namespace

// The console was made for this process alone (a double-click from Explorer)
// rather than shared with the terminal it was started from.
bool ConsoleIsOwn()
{
    DWORD processes[2] = {};
    return GetConsoleWindow() != nullptr && GetConsoleProcessList(processes, 2) == 1;
}

bool ShowViewerMessage(const std::string& title, const std::string& text)
{
    if (!hidConsole) return false;
    MessageBoxW(nullptr, widePath(text).c_str(), widePath(title).c_str(), MB_OK | MB_ICONERROR);
    return true;
}

void HideConsole()
{
    if (!ConsoleIsOwn()) return;
    ShowWindow(GetConsoleWindow(), SW_HIDE);
    hidConsole = true;
}

void ShowConsole()
{
    if (hidConsole) ShowWindow(GetConsoleWindow(), SW_SHOW);
}

void EnterProgramFolderIfNeeded()
{
    if (GetFileAttributesW(L"shaders") != INVALID_FILE_ATTRIBUTES) return;
    std::wstring program(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = GetModuleFileNameW(nullptr, program.data(), static_cast<DWORD>(program.size()));
        if (length == 0) return;
        if (length < program.size()) {
            program.resize(length);
            break;
        }
        program.resize(program.size() * 2);
    }
    const size_t slash = program.find_last_of(L"\\/");
    if (slash == std::wstring::npos) return;
    const std::wstring folder = program.substr(0, slash);
    if (GetFileAttributesW((folder + L"\\shaders").c_str()) != INVALID_FILE_ATTRIBUTES)
        SetCurrentDirectoryW(folder.c_str());
}

Rect DesktopRect()
{
    RECT desktop{};
    Rect rect;
    if (GetWindowRect(GetDesktopWindow(), &desktop)) {
        rect.left = desktop.left;
        rect.top = desktop.top;
        rect.right = desktop.right;
        rect.bottom = desktop.bottom;
    }
    return rect;
}

int64_t TicksNow()
{
    // The performance counter in 100 ns units: the time base the audio clock
    // reports its positions in.
    static const int64_t frequency = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return f.QuadPart;
    }();
    LARGE_INTEGER counter;
    QueryPerformanceCounter(&counter);
    const int64_t seconds = counter.QuadPart / frequency;
    return seconds * 10'000'000 + (counter.QuadPart % frequency) * 10'000'000 / frequency;
}

void Sleep(uint32_t milliseconds)
{
    ::Sleep(milliseconds);
}

bool MoveFileOver(const std::string& from, const std::string& to)
{
    // Replaces the target in one step, and returns only once the move is on disk.
    return MoveFileExW(widePath(from).c_str(), widePath(to).c_str(),
                       MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}

}  // namespace platform
