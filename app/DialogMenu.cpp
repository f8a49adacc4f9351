#include "app/TDemoApp.h"
#include "render/StrokeFont.h"

#include <GL/glew.h>

void TDemoApp::DrawMenu()
{
    const int32_t w = window.width;
    const int32_t h = window.height;
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    glUseProgram(0);
    glViewport(0, 0, w, h);
    glClearColor(0.02f, 0.02f, 0.05f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);

    // Window pixels, origin at the top-left corner, y growing downward.
    glMatrixMode(GL_TEXTURE);
    glLoadIdentity();
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    MultPixelSpace(static_cast<float>(w), static_cast<float>(h));

    // Only the vertical position counts: a row spans the whole width.
    const float my = static_cast<float>(controls._mouse_y);
    const bool held = controls._button_left;
    int selected = -1;
    for (size_t j = 0; j < menu.items.size(); ++j) {
        TMenuItem& item = menu.items[j];
        item.hover = false;
        const bool over = TStartupMenu::RowTop(item.row) < my && my < TStartupMenu::RowBottom(item.row);
        if (j == TStartupMenu::kTitle) {
            // Every frame held over the title counts, not clicks.
            if (over && held) ++menu.title_clicks;
        } else if (over) {
            item.hover = true;
            selected = static_cast<int>(j);
        }
    }

    // A click is the frame in which the button goes down; a press that starts
    // between rows selects nothing, even when dragged onto a row.
    if (held && !menu.mouse_was_down) {
        if (selected != -1) ++menu.items[static_cast<size_t>(selected)].clicks;
        menu.mouse_was_down = true;
    } else if (!held) {
        menu.mouse_was_down = false;
    }

    if (menu.items[TStartupMenu::kRun].clicks == 1) menu.done = true;
    menu.Draw();
}
