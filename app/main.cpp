#include "app/DialogClickLatch.h"
#include "app/ShowDataCheck.h"
#include "app/TDemoApp.h"
#include "parts/dancers/Part_Dancers.h"
#include "platform/Platform.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>
#include <vector>

// The one application record, built before main and alive until the process ends.
static TDemoApp g_app;

// Without a window or GL context nothing can be shown: say so and stop.
static void openWindowOrExit(int32_t x, int32_t y, int32_t w, int32_t h, bool fullscreen)
{
    if (g_app.window.Init(x, y, w, h, fullscreen)) return;
    std::printf("The show cannot start: %s.\n", g_app.window.failure.c_str());
    std::fflush(stdout);
    std::exit(1);
}

// Without its generated data the show would play black and silent. The line
// is printed for whoever reads the output and the show goes on, except for a
// viewer who cannot see it: they are told in a box what to do, and the
// program ends.
static void checkShowData()
{
    const std::vector<std::string> missing = MissingShowData();
    if (missing.empty()) return;
    std::string list;
    for (const auto& path : missing) list += (list.empty() ? "" : ", ") + path;
    std::printf("The show's data is missing: %s. quellin-showgen makes it.\n", list.c_str());
    std::fflush(stdout);
    const std::string what = missing.size() == kShowDataItems
                                 ? "The show's data is not there yet."
                                 : "Some of the show's data is missing: " + list + ".";
    const std::string text =
        what + "\n\nDouble-click quellin-showgen.exe in this folder to make it, then start quellin.exe again.";
    if (platform::ShowViewerMessage("Quellin and Vessary", text)) std::exit(1);
}

// The dialog's resolutions, in the order of its resolution row.
static constexpr int32_t kResolutions[4][2] = {{1920, 1080}, {1920, 1200}, {2560, 1440}, {1280, 720}};

int main(int, char**)
{
    g_app.width = 1920;
    g_app.height = 1080;
    g_app.fullscreen = false;
    platform::HideConsole();
    platform::EnterProgramFolderIfNeeded();
    checkShowData();

    // The start-up dialog, centred on the desktop, until Run is clicked.
    const platform::Rect desktop = platform::DesktopRect();
    const int32_t x = static_cast<int32_t>(static_cast<float>(desktop.right) * 0.5f - 190.0f);
    const int32_t y = static_cast<int32_t>(static_cast<float>(desktop.bottom) * 0.5f - 105.0f);
    openWindowOrExit(x, y, 380, 210, false);
    // Makers may start in developer mode without holding the title: it is
    // red from the first dialog frame.
    if (const char* developer = std::getenv("QUELLIN_DEVELOPER"); developer && std::strcmp(developer, "1") == 0)
        g_app.menu.title_clicks = TStartupMenu::kDeveloperHold + 1;
    {
        DialogClickLatch quickClicks;
        do {
            g_app.PollInput();
            quickClicks.apply(g_app.controls);
            g_app.DrawMenu();
            platform::Sleep(30);
            SDL_GL_SwapWindow(g_app.window.window);
        } while (!g_app.menu.done);
    }
    if (g_app.window.renderer) SDL_DestroyRenderer(g_app.window.renderer);
    SDL_GL_DeleteContext(g_app.window.context);
    SDL_DestroyWindow(g_app.window.window);
    g_app.window.renderer = nullptr;
    g_app.window.context = nullptr;
    g_app.window.window = nullptr;
    g_app.ForgetDialogButtons();

    const auto& items = g_app.menu.items;
    const int32_t resolution = items[TStartupMenu::kResolution].clicks;
    g_app.width = kResolutions[resolution][0];
    g_app.height = kResolutions[resolution][1];
    g_app.fullscreen = items[TStartupMenu::kMode].clicks == 0;
    if (g_app.menu.developerMode()) {
        platform::ShowConsole();
        g_app.developer_mode = true;
    }

    openWindowOrExit(10, 40, g_app.width, g_app.height, g_app.fullscreen);
    // The part's storage is zeroed before it is built: members its
    // constructor leaves alone start at zero.
    void* storage = ::operator new(sizeof(Part_Dancers));
    std::memset(storage, 0, sizeof(Part_Dancers));
    g_app.parts.push_back(new (storage) Part_Dancers());
    g_app.Start();
    // However the show ends (Escape, the close request, the end of the
    // timeline), the camera's last moves are kept.
    std::atexit([] { SaveFreeCam(g_app.camera, "FreeCam.bin"); });
    SDL_ShowCursor(0);
    while (g_app.running) g_app.RunFrame();
    return 0;
}
