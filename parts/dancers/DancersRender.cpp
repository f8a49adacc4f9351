#include "parts/dancers/Part_Dancers.h"

#include "app/TDemoApp.h"
#include "parts/dancers/CameraRules.h"
#include "parts/dancers/DancerSchedule.h"

#include <GL/glew.h>
#include <GL/glu.h>

#include <cstdio>

namespace {

// The scene's pulses and picture value, the same for all three passes.
struct PassInputs {
    float ttime;
    float beat;
    float fftBeat;
    float k0;
    GLuint sceneColour;  // texture A: the scene, then each pass's result
    GLuint sceneGlow;    // texture B: the scene's second output
    GLuint sceneDepth;   // texture D
    GLuint spectrum;
    GLuint picture;
};

void setPassUniforms(TGLShader& shader, const PassInputs& in, bool withDepthAndKeyframe)
{
    shader.SetFloat("ttime", in.ttime);
    shader.SetFloat("beat", in.beat);
    shader.SetFloat("fftbeat", in.fftBeat);
    if (withDepthAndKeyframe) shader.SetFloat("k0", in.k0);
    shader.SetTexture(0, "texture2d", in.sceneColour);
    if (withDepthAndKeyframe) shader.SetTexture(1, "texture2ddepth", in.sceneDepth);
    shader.SetTexture(2, "texture2d2", in.sceneGlow);
    shader.SetTexture(3, "fft", in.spectrum);
    shader.SetTexture(4, "textureText", in.picture);
}

// One quadrilateral over the whole viewport, texture coordinates 0..1.
void drawFullScreenQuad()
{
    glColor3f(1, 1, 1);
    glBegin(GL_QUADS);
    glTexCoord2f(0, 0);
    glVertex3f(-1, -1, 0);
    glTexCoord2f(1, 0);
    glVertex3f(1, -1, 0);
    glTexCoord2f(1, 1);
    glVertex3f(1, 1, 0);
    glTexCoord2f(0, 1);
    glVertex3f(-1, 1, 0);
    glEnd();
}

void resolve(TGLRenderTarget& target, int32_t count)
{
    target.Resolve(count);
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
}

}  // namespace

void Part_Dancers::render()
{
    TGLRenderTarget& target = app->sceneTarget();
    const int32_t width = app->window.width;
    const int32_t height = app->window.height;

    // The scene goes into the multisampled target, colour and glow outputs.
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    target.AttachTextures(1);
    target.BindForDrawing(2);
    glUseProgram(0);
    glViewport(0, 0, width, height);

    const float beatNow = beat();
    updateFftBeat();
    ctrl->_timeline.beat = beatNow;
    ctrl->_timeline.fftBeat = fftBeat;

    glClearColor(0, 0, 0, 0);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(55.0, static_cast<double>(width) / static_cast<double>(height), 0.01, 700.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glEnable(GL_DEPTH_TEST);

    const LookAt look = cameraFor(ttime, ctrl->_k0, closeupStart, closeupEnd);
    glLoadIdentity();
    gluLookAt(look.eye[0], look.eye[1], look.eye[2], look.centre[0], look.centre[1], look.centre[2], look.up[0],
              look.up[1], look.up[2]);

    glGetFloatv(GL_CURRENT_COLOR, currentColour);
    prevPoints.clear();
    dancerScale = 0.3f;
    for (const DancerCall& call : dancersAt(ttime, closeupStart, closeupEnd))
        drawDancer(call.slot, call.keep, call.rate, call.start, call.place, call.angle);

    glUseProgram(progCloud.program);
    const BackgroundChoice scene = backgroundFor(ttime);
    if (scene.circle) background.drawCircle(ttime);
    if (scene.frontRings) background.drawFrontRings(ttime, fftBeat);
    glPointSize(2.0f);
    if (scene.grid) background.drawGrid();
    if (scene.strip) background.drawStrip();
    if (scene.pulseRings) background.drawPulseRings(fftBeat, currentColour);

    glUseProgram(0);
    resolve(target, 2);

    // The three passes: two back into the target, the last into the window.
    glUseProgram(0);
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_TEXTURE_2D);
    glDisable(GL_FOG);
    glViewport(0, 0, width, height);
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glDisable(GL_CULL_FACE);
    glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, target.colorTextures[0]);

    const PassInputs inputs{ttime,
                            beatNow,
                            fftBeat,
                            keyframeValue(),
                            target.colorTextures[0],
                            target.colorTextures[1],
                            target.depthTexture,
                            fftTexture.texture,
                            textTexture.texture};

    target.AttachTextures(1);
    target.BindForDrawing(1);
    glUseProgram(progThatch.program);
    setPassUniforms(progThatch, inputs, false);
    drawFullScreenQuad();
    resolve(target, 1);

    target.AttachTextures(1);
    target.BindForDrawing(1);
    glUseProgram(progFinal.program);
    setPassUniforms(progFinal, inputs, true);
    drawFullScreenQuad();
    glUseProgram(0);
    resolve(target, 1);

    glUseProgram(progFinal2.program);
    setPassUniforms(progFinal2, inputs, true);
    drawFullScreenQuad();

    glDisable(GL_DEPTH_TEST);
    glDisable(GL_TEXTURE_2D);
    glDisable(GL_FOG);
    char status[64];
    std::snprintf(status, sizeof status, "ttime: %.03f", ttime);
    ctrl->_status = status;
}
