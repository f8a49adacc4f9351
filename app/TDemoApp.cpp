#include "app/TDemoApp.h"

#include "parts/Part.h"
#include "platform/Platform.h"

#include <GL/glew.h>

#include <cstdio>

void ResetGLState()
{
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    glUseProgram(0);
    glMatrixMode(GL_TEXTURE);
    glLoadIdentity();
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glDisable(GL_TEXTURE_2D);
    glDisable(GL_BLEND);
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_CULL_FACE);
}

void TDemoApp::CreateRenderTargets(int32_t w, int32_t h)
{
    renderTargets[kFullMultisample].Create(w, h, 4);
    renderTargets[kFull].Create(w, h, 0);
    renderTargets[kQuarterMultisample].Create(w / 4, h / 4, 4);
    renderTargets[kQuarter].Create(w / 4, h / 4, 0);
    renderTargets[kSquare].Create(1024, 1024, 0);
}

void TDemoApp::Start()
{
    if (FILE* file = std::fopen("FreeCam.bin", "rb")) {
        // A shorter file replaces only what it holds.
        [[maybe_unused]] const size_t read = std::fread(&camera, 1, sizeof(camera), file);
        std::fclose(file);
        // A damaged file would put the camera nowhere, and be saved again.
        if (!FreeCamIsFinite(camera)) {
            camera = TFreeCam();
            std::printf("TDemoApp::Start() : FreeCam.bin holds numbers that are not finite; using the default camera\n");
            std::fflush(stdout);
        }
    }

    CreateRenderTargets(window.width, window.height);

    controls._nano = &nano_kontrol2;
    if (developer_mode) {
        surface.begin();
    } else {
        MidiIn::printDeviceNames();
        if (!nano_kontrol2.start()) {
            std::printf("nano_kontrol2.start() failed...\n");
            std::fflush(stdout);
        }
    }

    for (Part* part : parts) {
        part->ctrl = &controls;
        part->app = this;
        part->load();
    }
    last_ticks = platform::TicksNow();
    platform::Sleep(5);
}

void TDemoApp::RunFrame()
{
    PollInput();
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    glUseProgram(0);
    // The count is read again for every index: a part may append parts.
    for (size_t i = 0; i < parts.size(); ++i) {
        Part* part = parts[i];
        part->app = this;
        part->ctrl = &controls;
        if (developer_mode) part->reloadChangedFiles();
        part->update();
        part->render();
        ResetGLState();
    }
    DrawOverlay();
    if (screenshot_requested) {
        screenshot_requested = false;
        SaveScreenshot();
    }
    SDL_GL_SwapWindow(window.window);
}
