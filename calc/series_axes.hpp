#pragma once
// The principal axes of a whole series, found once for every fit, table, figure and CSV.
//
// The strain of every point is taken against the reference point (the first), with the run's
// strain measure and axial set; its principal axes are followed along the series by direction, so
// that each axis is one physical direction of the crystal wherever the order of the values swaps.
// Each axis carries one number, the one the print file gives it at a chosen calculation (by
// default the last), and one sense, the one at most 90° from its nearest crystal axis. For the
// crystal systems whose principal axes are X, Y and Z the axes are those, numbered 1 to 3.
#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "LIBRARIES/math/mat3.hpp"
#include "calc/axis_matching.hpp"
#include "calc/options.hpp"
#include "calc/series.hpp"

// One axis of the series.
struct SeriesAxis {
    int number = 1;              // 1 to 3
    bool hasDirection = false;   // false when no point gives the axis a direction of its own
    Vec3 vector{};               // the mean direction along the series, unit, on X, Y, Z, in the axis's sense
    std::array<double, 3> uvw{};   // [uvw] of the reference cell, the largest in magnitude +1 or -1
    std::array<float, 3> toAbc{};  // degrees to +a, +b, +c of the reference cell
    std::vector<int> equalTo;      // the numbers of the axes the crystal system makes equal to it
};

// The directions of three axes, some of them none, packed (37 bytes rather than 48), since a
// series keeps them at every point.
class PackedDirections {
public:
    std::optional<Vec3> operator[](std::size_t k) const {
        return (defined_ >> k) & 1u ? std::optional<Vec3>(vectors_[k]) : std::nullopt;
    }
    void set(std::size_t k, const std::optional<Vec3>& direction) {
        vectors_[k] = direction.value_or(Vec3{});
        defined_ = static_cast<std::uint8_t>(direction ? defined_ | (1u << k) : defined_ & ~(1u << k));
    }

private:
    std::array<Vec3, 3> vectors_{};
    std::uint8_t defined_ = 0;
};

// The strain of one point against the reference point, along the series' axes. A series keeps
// one for each of its points (136 bytes), in series order: the point is its place there.
struct StrainOnAxes {
    // For axis k + 1: the esd of the strain along the axis's direction, from the same moves of the
    // cell parameters as every other esd, which stays right where principal values coincide (the
    // reference point's zero tensor, a circular section); and the principal strain (for X, Y, Z
    // the diagonal component).
    std::array<double, 3> esd{};
    float x = 0.0f;  // T or P, as the series holds it
    float sigX = 0.0f;
    SymmetricMat3 strain;  // the tensor, zero at the reference point itself
    SymmetricMat3 strainEsd;
    std::array<float, 3> value{};
    PackedDirections direction;  // in the axis's sense; none where the point gives the axis no direction
    bool withEsds = false;       // either cell of the pair carries esds
};

struct SeriesAxes {
    bool principalAxes = true;  // false for orthorhombic and higher: the axes are X, Y, Z
    int namedCalculation = 0;   // the calculation whose numbers the axes carry, from 1; 0 when there is none
    Mat3 referenceSMatrix;      // rows: a, b, c of the reference cell on X, Y, Z
    std::array<SeriesAxis, 3> axes;  // axes[k] is axis k + 1
    std::vector<StrainOnAxes> points;  // in series order, the reference point first
    std::vector<std::uint32_t> byX;    // the indices of the points in ascending x

    // The axis numbers of a calculation's axes (in the order of its decomposition), found by
    // direction against the axes at the calculation's later point (from 1): number[m] for axis m.
    std::array<int, 3> numbersOf(const AxisDirections& calculationAxes, int point) const;
    // The direction of each axis at the point nearest x (the mean direction where the point gives none).
    AxisDirections directionsNear(double x) const;
};

// The axes of the series, numbered as the print file numbers them at calculation
// `namedCalculation` (1 to the number of calculations; 0 or beyond: the last).
SeriesAxes seriesAxes(const Series& series, const RunOptions& options, int namedCalculation = 0);
