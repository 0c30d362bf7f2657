#include "plots/data/surface_geometry.hpp"

#include <cmath>

namespace {

constexpr float kPi = 3.14159265f;

// u with its parts along the first `count` (unit, perpendicular) vectors removed.
Vec3 perpendicularPart(Vec3 u, const std::array<Vec3, 3>& basis, int count) {
    for (int k = 0; k < count; ++k) {
        const float along = dot(u, basis[k]);
        for (int i = 0; i < 3; ++i) u[i] -= along * basis[k][i];
    }
    return u;
}

}  // namespace

float normalValue(const Mat3& t, const Vec3& n) { return quadraticForm(t, n); }

std::array<Vec3, 3> completeAxes(const AxisDirections& axes) {
    // A direction with less than this left after removing the others adds no new dimension.
    constexpr float kIndependent = 1e-3f;
    std::array<Vec3, 3> basis{};
    std::array<int, 3> slotOf{};  // basis[k] belongs to axis slotOf[k]
    std::array<bool, 3> filled{};
    int count = 0;
    for (int m = 0; m < 3; ++m) {
        if (!axes[m]) continue;
        const Vec3 rest = perpendicularPart(*axes[m], basis, count);
        if (length(rest) < kIndependent) continue;
        basis[count] = unit(rest);
        slotOf[count++] = m;
        filled[m] = true;
    }
    constexpr std::array<Vec3, 3> kCartesian{{{1.0f, 0.0f, 0.0f}, {0.0f, 1.0f, 0.0f}, {0.0f, 0.0f, 1.0f}}};
    for (int m = 0; m < 3; ++m) {
        if (filled[m]) continue;
        // Of X, Y and Z the one most outside the directions chosen so far.
        Vec3 best{};
        float bestLength = -1.0f;
        for (const Vec3& candidate : kCartesian) {
            const Vec3 rest = perpendicularPart(candidate, basis, count);
            const float restLength = length(rest);
            if (restLength > bestLength) {
                bestLength = restLength;
                best = rest;
            }
        }
        basis[count] = unit(best);
        slotOf[count++] = m;
        filled[m] = true;
    }
    std::array<Vec3, 3> result{};
    for (int k = 0; k < 3; ++k) result[slotOf[k]] = basis[k];
    return result;
}

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
        const float angle = 2.0f * kPi * static_cast<float>(k % steps) / static_cast<float>(steps);
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
        const float polar = kPi * static_cast<float>(i) / static_cast<float>(rows - 1);
        const float sp = std::sin(polar), cp = std::cos(polar);
        for (int j = 0; j < columns; ++j) {
            const float azimuth = 2.0f * kPi * static_cast<float>(j % (columns - 1)) / static_cast<float>(columns - 1);
            const Vec3 n{sp * std::cos(azimuth), sp * std::sin(azimuth), cp};
            const float value = normalValue(tensor, n);
            const float r = std::fabs(value);
            surface.meshPoints.push_back({r * n[0], r * n[1], r * n[2]});
            surface.meshValues.push_back(value);
        }
    }
}
