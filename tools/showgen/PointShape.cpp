#include "tools/showgen/PointShape.h"

#include <cmath>
#include <cstdio>
#include <memory>
#include <stdexcept>

namespace showgen {

namespace {
constexpr double kTau = 6.283185307179586;

Vec3 knot(double t) {
    const double p = 3, q = 7;
    const double r = 0.32 + 0.14 * std::cos(q * t);
    return {r * std::cos(p * t), 0.14 * std::sin(q * t), r * std::sin(p * t)};
}
}  // namespace

std::vector<Vec3> torusKnotPoints(int count) {
    std::vector<Vec3> points;
    points.reserve(static_cast<size_t>(count));
    constexpr double kTube = 0.035, kWindings = 160;  // a spiral of points around the tube
    for (int i = 0; i < count; ++i) {
        const double u = static_cast<double>(i) / count;
        const double t = u * kTau;
        const Vec3 c = knot(t);
        const Vec3 tangent = (knot(t + 1e-4) - knot(t - 1e-4)).normalized();
        const Vec3 side = tangent.cross(Vec3{0, 1, 0}).normalized();
        const Vec3 up = side.cross(tangent);
        const double a = u * kWindings * kTau;
        points.push_back(c + (side * std::cos(a) + up * std::sin(a)) * kTube);
    }
    return points;
}

void writePointFile(const std::string& path, const std::vector<Vec3>& points) {
    struct Closer {
        void operator()(FILE* file) const { std::fclose(file); }
    };
    std::unique_ptr<FILE, Closer> f(std::fopen(path.c_str(), "w"));
    if (!f) throw std::runtime_error("cannot create " + path);
    for (const Vec3& p : points)
        if (std::fprintf(f.get(), "%.5f %.5f %.5f\n", p.x, p.y, p.z) < 0) throw std::runtime_error("cannot write " + path);
    if (std::fflush(f.get()) != 0) throw std::runtime_error("cannot write " + path);
}

}  // namespace showgen
