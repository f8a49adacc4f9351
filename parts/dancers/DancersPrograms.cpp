#include "parts/dancers/Part_Dancers.h"

#include "app/TDemoApp.h"

#include <algorithm>
#include <cstdio>
#include <string>

namespace {

std::string shaderPath(const char* name)
{
    return std::string("shaders/") + name + kShaderExtension;
}

}  // namespace

void Part_Dancers::loadShaderPrograms()
{
    const std::string vertex = shaderPath("v_trace");
    progThatch.Load(vertex, shaderPath("f_thatch_intro"));
    progFinal.Load(vertex, shaderPath("f_final_intro"));
    progFinal2.Load(vertex, shaderPath("f_final_intro2"));
    progCloud.Load(vertex, shaderPath("f_cloud"));
}

void Part_Dancers::reloadChangedFiles()
{
    // The first call shows what did not build at load.
    bool errorsChanged = !errorsPublished;
    TGLShader* const programs[] = {&progThatch, &progFinal, &progFinal2, &progCloud};
    for (TGLShader* program : programs)
        if (program->ReloadIfChanged()) errorsChanged = true;

    if (keyframeSources.changed()) {
        keyframeSources.clear();
        keyframeSources.add(kKeyframePath);
        KeyframeTrack track;
        if (track.load(kKeyframePath)) {
            keyframes = std::move(track);
            std::printf("Part_Dancers::reloadChangedFiles() : %s, %zu keyframes\n", kKeyframePath,
                        keyframes.times.size());
        } else {
            std::printf("Part_Dancers::reloadChangedFiles() : cannot read %s; the keyframes stay\n", kKeyframePath);
        }
        std::fflush(stdout);
    }

    if (!errorsChanged || !ctrl) return;
    ctrl->_errors.clear();
    // A shared file that does not build would otherwise say so once per program.
    for (const TGLShader* program : programs)
        for (const std::string& line : program->errorLines)
            if (std::find(ctrl->_errors.begin(), ctrl->_errors.end(), line) == ctrl->_errors.end())
                ctrl->_errors.push_back(line);
    errorsPublished = true;
}
