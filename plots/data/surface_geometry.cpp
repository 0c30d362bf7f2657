#include "plots/data/surface_geometry.hpp"

#include <cmath>
#include <numbers>

float normalValue(const Mat3& t, const Vec3& n) { return quadraticForm(t, n); }

SurfaceSection sectionOf(const Mat3& tensor, const std::array<Vec3, 3>& axes, int first, int second,
                         const std::array<Vec3, 3>& crystalAxes, int steps) {
    SurfaceSection s;
    s.first = first;
    s.second = second;
    const Vec3& u = axes[first];
    const Vec3& v = axes[second];
    s.points.reserve(steps + 1);
    s.values.reserve(steps + 1);
    for (int k = 0; k <= steps; ++k) {
        const float angle = 2.0f * std::numbers::pi_v<float> * static_cast<float>(k % steps) / static_cast<float>(steps);
        const float c = std::cos(angle), sn = std::sin(angle);
        const Vec3 n{c * u[0] + sn * v[0], c * u[1] + sn * v[1], c * u[2] + sn * v[2]};
        const float value = normalValue(tensor, n);
        const float r = std::fabs(value);
        s.points.push_back({r * c, r * sn});
        s.values.push_back(value);
    }
    for (int k = 0; k < 3; ++k) s.crystalAxes[k] = {dot(crystalAxes[k], u), dot(crystalAxes[k], v)};
    return s;
}

void fillMesh(const Mat3& tensor, int rows, int columns, SurfaceData& surface) {
    surface.rows = rows;
    surface.columns = columns;
    surface.meshPoints.clear();
    surface.meshValues.clear();
    surface.meshPoints.reserve(static_cast<std::size_t>(rows * columns));
    surface.meshValues.reserve(static_cast<std::size_t>(rows * columns));
    for (int i = 0; i < rows; ++i) {
        const float polar = std::numbers::pi_v<float> * static_cast<float>(i) / static_cast<float>(rows - 1);
        const float sp = std::sin(polar), cp = std::cos(polar);
        for (int j = 0; j < columns; ++j) {
            const float azimuth = 2.0f * std::numbers::pi_v<float> * static_cast<float>(j % (columns - 1)) / static_cast<float>(columns - 1);
            const Vec3 n{sp * std::cos(azimuth), sp * std::sin(azimuth), cp};
            const float value = normalValue(tensor, n);
            const float r = std::fabs(value);
            surface.meshPoints.push_back({r * n[0], r * n[1], r * n[2]});
            surface.meshValues.push_back(value);
        }
    }
}
