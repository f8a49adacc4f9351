#include "app/StartupMenu.h"

#include "render/StrokeFont.h"

#include <GL/glew.h>

#include <cmath>

void TStartupMenu::Build()
{
    items.push_back({1, {" +  Quellin and Vessary  +"}, 1.0f, 1.0f, 0.0f});
    items.push_back({3,
                     {" >       1920 x 1080", " >       1920 x 1200", " >       2560 x 1440", " >       1280 x 720"},
                     0.4f, 0.4f, 0.4f});
    items.push_back({4, {" >       Fullscreen", " >        Windowed"}, 0.4f, 0.4f, 0.4f});
    items.push_back({6, {"          + Run +", "          + Run +"}, 0.0f, 0.6f, 0.0f});
}

void TStartupMenu::Draw()
{
    time = static_cast<float>(time + 1.0 / 30.0);
    TMenuItem& title = items[kTitle];
    title.r = std::sin(time) * 0.4f + 0.7f;
    title.g = std::sin(time * 1.4f + 12.0f) * 0.5f + 0.7f;
    title.b = std::sin(time * 1.8f + 514.0f) * 0.5f + 0.7f;
    if (developerMode()) {  // the console is unlocked
        title.r = 1.0f;
        title.g = 0.0f;
        title.b = 0.0f;
    }

    for (TMenuItem& item : items) {
        glPushMatrix();
        // Fixed-function colours clamp at 1, so grey rows light up white.
        const float boost = item.hover ? 11.5f : 1.0f;
        glColor3f(item.r * boost, item.g * boost, item.b * boost);
        glTranslatef(0.0f, 30.0f * static_cast<float>(item.row), 0.0f);
        const int32_t count = static_cast<int32_t>(item.options.size());
        item.clicks %= count;
        DrawStrokeText(item.options[static_cast<size_t>(item.clicks)], 0.0f, 0.0f, 0.0f, 1.0f, 1.0f, 1.0f);
        glPopMatrix();
    }
}
