#include "parts/dancers/PointCloud.h"

#include <fstream>

std::vector<Point3> readPointFile(const std::string& path)
{
    std::ifstream file(path);
    std::vector<Point3> points;
    points.reserve(kCloudPointCount);
    for (size_t i = 0; i < kCloudPointCount; ++i) {
        Point3 p = {0, 0, 0};
        for (float& coordinate : p)
            if (!(file >> coordinate)) coordinate = 0;
        points.push_back(p);
    }
    return points;
}
