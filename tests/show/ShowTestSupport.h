#pragma once
// Helpers of the show's tests: a private working folder with its own shader
// sources and recordings, and where a world point lands in the window.
#include "parts/dancers/CameraRules.h"
#include "parts/dancers/PointCloud.h"

#include <GL/glew.h>
#include <GL/glu.h>
#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <string>

// A fresh folder, made the working directory while the object lives.
class WorkingFolder {
public:
    WorkingFolder() : previous_(std::filesystem::current_path())
    {
        static std::atomic<int> counter{0};
        path_ = std::filesystem::temp_directory_path() /
                ("quellin-show-" + std::to_string(getpid()) + "-" + std::to_string(counter++));
        std::filesystem::remove_all(path_);
        std::filesystem::create_directories(path_);
        std::filesystem::current_path(path_);
    }
    ~WorkingFolder()
    {
        std::filesystem::current_path(previous_);
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    WorkingFolder(const WorkingFolder&) = delete;
    WorkingFolder& operator=(const WorkingFolder&) = delete;

    void write(const std::string& name, const std::string& text) const
    {
        const std::filesystem::path file = path_ / name;
        std::filesystem::create_directories(file.parent_path());
        std::ofstream(file, std::ios::binary) << text;
    }

private:
    std::filesystem::path previous_;
    std::filesystem::path path_;
};

// The window pixel (x right, y up from the bottom) that `world` projects to
// under the show's projection and the camera `look`.
inline Point3 projectToWindow(const LookAt& look, int width, int height, const Point3& world)
{
    GLdouble projection[16];
    GLdouble modelview[16];
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    gluPerspective(55.0, static_cast<double>(width) / height, 0.01, 700.0);
    glGetDoublev(GL_PROJECTION_MATRIX, projection);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
    gluLookAt(look.eye[0], look.eye[1], look.eye[2], look.centre[0], look.centre[1], look.centre[2], look.up[0],
              look.up[1], look.up[2]);
    glGetDoublev(GL_MODELVIEW_MATRIX, modelview);
    glPopMatrix();
    const GLint viewport[4] = {0, 0, width, height};
    GLdouble x = 0, y = 0, z = 0;
    gluProject(world[0], world[1], world[2], modelview, projection, viewport, &x, &y, &z);
    return {static_cast<float>(x), static_cast<float>(y), static_cast<float>(z)};
}
