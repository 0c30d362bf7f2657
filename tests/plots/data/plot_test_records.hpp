#pragma once
// Calculations and series made up for the plots' tests.
#include <array>
#include <cstddef>
#include <filesystem>

#include "calc/pair_result.hpp"
#include "calc/series.hpp"

namespace testing_support {

// A bundled example data file.
inline std::filesystem::path example(const char* name) {
    return std::filesystem::path(TENZIO_SOURCE_DIR) / "examples" / name;
}

// A record with three principal axes along the given directions with the given values.
inline PairResult recordWith(int second, float t, const std::array<Vec3, 3>& directions, const std::array<float, 3>& values) {
    PairResult r;
    r.first = second - 1;
    r.second = second;
    r.delta = {10.0f, 0.0f, t};
    r.principalAxes = true;
    r.strain.esdCount = 2;
    r.sMatrix1 = r.sMatrix2 = Mat3::identity();
    for (int m = 0; m < 3; ++m) {
        r.principal[m].property = values[m];
        r.principal[m].propertyEsd = 0.1f * values[m];
        r.principal[m].strain = values[m] * 10.0f;
        r.principal[m].strainEsd = values[m];
        r.principal[m].hasDirection = true;
        r.principal[m].direction = directions[m];
    }
    return r;
}

// A series of `count` points of a valid cell, at T = 0, 10, 20, ...
inline Series seriesOf(std::size_t count) {
    Series series;
    series.points.resize(count);
    for (std::size_t k = 0; k < count; ++k) {
        DataPoint& p = series.points[k];
        p.t = 10.0f * static_cast<float>(k);
        p.cell.a = p.cell.b = p.cell.c = 5.0f;
        p.cell.alpha = p.cell.beta = p.cell.gamma = 90.0f;
    }
    return series;
}

}  // namespace testing_support
