#include "parts/dancers/Part_Dancers.h"

#include "parts/dancers/DancerSchedule.h"

#include <GL/glew.h>

#include <utility>

namespace {

void drawArray(const std::vector<DancerVertex>& v, GLenum mode)
{
    if (v.empty()) return;
    glVertexPointer(3, GL_FLOAT, sizeof(DancerVertex), v[0].position);
    glColorPointer(3, GL_FLOAT, sizeof(DancerVertex), v[0].colour);
    glNormalPointer(GL_FLOAT, sizeof(DancerVertex), v[0].normal);
    glDrawArrays(mode, 0, static_cast<GLsizei>(v.size()));
}

}  // namespace

void Part_Dancers::drawDancer(int slot, float keep, float rate, float start, const float place[3], float angle)
{
    glUseProgram(progCloud.program);
    // This dancer may take points of the one drawn before; then it becomes
    // the one drawn before.
    std::swap(previousDancer, prevPoints);
    prevPoints.clear();

    const bool known = slot >= 0 && slot < kSequenceSlots;
    const FrameChoice choice = known ? chooseFrame(rate, start, ttime, sequences[slot].frames.size()) : FrameChoice{};
    if (!choice.valid) {
        // No frame to show: nothing drawn, nothing left for the next dancer.
        glUseProgram(0);
        return;
    }

    DancerPose pose;
    pose.f = choice.f;
    pose.placement = DancerPlacement(place, angle, dancerScale);
    pose.keep = keep;
    pose.t = ttime;
    pose.fftBeat = fftBeat;
    buildDancerVertices(sequences[slot].frames[choice.index], pose, previousDancer, dancerLists, prevPoints);

    glEnableClientState(GL_VERTEX_ARRAY);
    glEnableClientState(GL_COLOR_ARRAY);
    glEnableClientState(GL_NORMAL_ARRAY);
    glPointSize(3.0f);
    drawArray(dancerLists.body, GL_POINTS);
    glPointSize(4.0f);
    drawArray(dancerLists.thrown, GL_POINTS);
    glLineWidth(1.0f);
    drawArray(dancerLists.lines, GL_LINES);
    glDisableClientState(GL_NORMAL_ARRAY);
    glDisableClientState(GL_COLOR_ARRAY);
    glDisableClientState(GL_VERTEX_ARRAY);

    // Leave current the colour that the last vertex drawn one by one would
    // have left; the pulse rings are drawn in it.
    const std::vector<DancerVertex>* last = !dancerLists.lines.empty()    ? &dancerLists.lines
                                            : !dancerLists.thrown.empty() ? &dancerLists.thrown
                                                                          : &dancerLists.body;
    if (!last->empty()) {
        const float* colour = last->back().colour;
        for (int i = 0; i < 3; ++i) currentColour[i] = colour[i];
    }
    glColor3fv(currentColour);
    glUseProgram(0);
}
