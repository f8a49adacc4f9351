#include "app/TDemoApp.h"

#include <GL/glew.h>

void TDemoApp::UpdateCamera() {}

void TDemoApp::DrawOverlay()
{
    ResetGLState();
}
