#include "platform/Video.h"

#include <GL/glx.h>
#include <dlfcn.h>

namespace platform {

std::string DescribeCurrentGLContext()
{
    if (glXGetCurrentContext()) {
        Display* display = glXGetCurrentDisplay();
        return std::string("GLX on ") + (display ? DisplayString(display) : "no display");
    }
    // EGL counts only if some library of the process loaded it.
    if (void* egl = dlopen("libEGL.so.1", RTLD_LAZY | RTLD_NOLOAD)) {
        using CurrentContext = void* (*)();
        const auto current = reinterpret_cast<CurrentContext>(dlsym(egl, "eglGetCurrentContext"));
        const bool made = current && current();
        dlclose(egl);
        if (made) return "EGL";
    }
    return "none";
}

}  // namespace platform
