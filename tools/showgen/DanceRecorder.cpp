#include "tools/showgen/DanceRecorder.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <limits>
#include <stdexcept>

namespace showgen {

double groundLift(const std::vector<SurfacePoint>& body, const Skeleton& skeleton, double jump) {
    double lowestFoot = std::numeric_limits<double>::max();
    for (const auto& p : body)
        if (p.foot) lowestFoot = std::min(lowestFoot, skeleton[p.joint].apply(p.local).y);
    return jump - lowestFoot;
}

void posePoints(const std::vector<SurfacePoint>& body, const Skeleton& skeleton, double lift, std::vector<float>& xyz,
                std::vector<uint8_t>& shade) {
    const Vec3 light = Vec3{0.35, 0.8, -0.5}.normalized();  // above, in front (-z) and to the right
    xyz.resize(3 * body.size());
    shade.resize(body.size());
    for (size_t i = 0; i < body.size(); ++i) {
        const Frame& f = skeleton[body[i].joint];
        const Vec3 p = f.apply(body[i].local);
        xyz[3 * i] = static_cast<float>(p.x);
        xyz[3 * i + 1] = static_cast<float>(p.y + lift);
        xyz[3 * i + 2] = static_cast<float>(p.z);
        // Wrapped diffuse light: the shadow side still shows the form.
        const double lambert = 0.5 + 0.5 * (f.rotation * body[i].normal).dot(light);
        const double intensity = 0.12 + 0.88 * lambert * lambert;
        shade[i] = static_cast<uint8_t>(std::lround(std::clamp(intensity, 0.0, 1.0) * 255.0));
    }
}

void posePoints(const std::vector<SurfacePoint>& body, const Pose& pose, std::vector<float>& xyz,
                std::vector<uint8_t>& shade) {
    const Skeleton skeleton = poseSkeleton(pose);
    posePoints(body, skeleton, groundLift(body, skeleton, pose.jump), xyz, shade);
}

std::vector<FrameData> recordRoutine(const Routine& routine) {
    const auto body = sampleBody(kPointsPerFrame, routine.seed);
    const int n = routine.frameCount();
    std::vector<Skeleton> skeletons(static_cast<size_t>(n));
    std::vector<double> lifts(static_cast<size_t>(n));
    std::vector<Vec3> anchors(static_cast<size_t>(n));
#pragma omp parallel for schedule(dynamic, 8)
    for (int k = 0; k < n; ++k) {
        const Pose pose = routinePose(routine, k);
        skeletons[k] = poseSkeleton(pose);
        lifts[k] = groundLift(body, skeletons[k], pose.jump);
        anchors[k] = skeletons[k][Head].apply(kHairAnchor) + Vec3{0, lifts[k], 0};
    }
    // The ponytail follows where the head has been over the last few frames (the loop included).
    constexpr int kLag = 3;
    std::vector<std::vector<float>> positions(static_cast<size_t>(n));
    std::vector<std::vector<uint8_t>> shades(static_cast<size_t>(n));
#pragma omp parallel for schedule(dynamic, 8)
    for (int k = 0; k < n; ++k) {
        const Vec3 velocity = (anchors[k] - anchors[(k + n - kLag) % n]) * (1.0 / kLag);
        swingHair(skeletons[k], velocity);
        posePoints(body, skeletons[k], lifts[k], positions[k], shades[k]);
    }

    std::vector<FrameData> frames(static_cast<size_t>(n));
#pragma omp parallel for schedule(static)
    for (int k = 0; k < n; ++k) {
        const auto& here = positions[k];
        const auto& before = positions[(k + n - 1) % n];  // the recording loops
        auto& points = frames[k].points;
        points.resize(body.size());
        for (size_t i = 0; i < body.size(); ++i) {
            const uint32_t s = shades[k][i];
            points[i].colour = 0xFF000000u | (s << 16) | (s << 8) | s;
            for (int c = 0; c < 3; ++c) {
                points[i].position[c] = here[3 * i + c];
                points[i].offset[c] = before[3 * i + c] - here[3 * i + c];
            }
        }
    }
    return frames;
}

size_t writeRecording(const Routine& routine, const std::string& folder) {
    std::filesystem::create_directories(folder);
    const auto frames = recordRoutine(routine);
    size_t bytes = 0;
    std::string failure;  // exceptions must not leave the parallel loop
#pragma omp parallel for schedule(static) reduction(+ : bytes)
    for (size_t k = 0; k < frames.size(); ++k) {
        try {
            writeFrameFile(folder + "/" + frameFileName(static_cast<int>(k)), frames[k]);
            bytes += 140 + 28 * frames[k].points.size();
        } catch (const std::exception& e) {
#pragma omp critical(recording_failure)
            if (failure.empty()) failure = e.what();
        }
    }
    if (!failure.empty()) throw std::runtime_error(failure);
    return bytes;
}

}  // namespace showgen
