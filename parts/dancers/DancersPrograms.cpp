#include "parts/dancers/Part_Dancers.h"

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
