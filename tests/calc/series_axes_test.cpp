// The series' axes: numbered as the report numbers them at the named calculation, following one
// physical direction, shown in one sense, with the esd of the strain along each axis.
#include <gtest/gtest.h>

#include <cmath>

#include "calc/series_axes.hpp"
#include "calc/strain_tensors.hpp"

namespace {

DataPoint monoclinicPoint(float t, float a, float b, float c, float beta, float esd) {
    DataPoint d;
    d.t = t;
    d.cell.a = a;
    d.cell.b = b;
    d.cell.c = c;
    d.cell.alpha = d.cell.gamma = 90.0f;
    d.cell.beta = beta;
    d.cell.esd.a = d.cell.esd.b = d.cell.esd.c = esd;
    d.cell.esd.beta = 0.001f;
    return d;
}

// a grows slower than c at first, then faster: the report's order of the two axes in the a-c
// plane swaps between the first and the last calculation against point 1.
Series swappingSeries() {
    Series s;
    s.crystalSystem = CrystalSystem::monoclinic;
    s.points = {monoclinicPoint(0, 5.0f, 6.0f, 7.0f, 90.0f, 0.0002f), monoclinicPoint(10, 5.005f, 6.0f, 7.014f, 90.0f, 0.0002f),
                monoclinicPoint(20, 5.02f, 6.0f, 7.021f, 90.0f, 0.0002f), monoclinicPoint(30, 5.04f, 6.0f, 7.024f, 90.0f, 0.0002f)};
    return s;
}

float absCos(const Vec3& u, const Vec3& v) { return std::fabs(dot(u, v)) / (length(u) * length(v)); }

TEST(SeriesAxes, NumberedAsReportedAndEachKeepsItsDirection) {
    const Series series = swappingSeries();
    RunOptions options;
    options.incremental = false;
    for (int named = 1; named <= 3; ++named) {
        const SeriesAxes axes = seriesAxes(series, options, named);
        EXPECT_EQ(axes.namedCalculation, named);
        // The named calculation compares point 1 with point named + 1: its eigenvector n is axis n.
        const StrainTensors report = strainTensorsBetween(series.points[0].cell, series.points[named].cell,
                                                         options.strainType, series.crystalSystem, options.axisConvention);
        for (int n = 1; n <= 3; ++n) {
            const auto& d = axes.points[static_cast<std::size_t>(named)].direction[n - 1];
            ASSERT_TRUE(d.has_value());
            EXPECT_NEAR(absCos(*d, row(report.eigenVectors, n)), 1.0f, 1e-5f) << "named " << named << ", axis " << n;
            EXPECT_DOUBLE_EQ(axes.points[static_cast<std::size_t>(named)].value[n - 1], report.eigenValues[n - 1]);
        }
        // Every axis is one direction all along the series, whatever order the values take.
        for (int k = 0; k < 3; ++k)
            for (std::size_t i = 1; i < axes.points.size(); ++i)
                EXPECT_GT(absCos(*axes.points[i].direction[k], axes.axes[k].vector), 0.999f) << "axis " << k + 1;
    }
    // Between points, the directions of the nearer one; beyond the ends, those of the end (the
    // reference point's zero strain has none: the mean directions).
    const SeriesAxes axes = seriesAxes(series, options);
    for (const auto& [x, point] : {std::pair{14.0, 1}, {16.0, 2}, {99.0, 3}})
        for (int k = 0; k < 3; ++k) EXPECT_EQ(axes.directionsNear(x)[k], axes.points[point].direction[k]) << x;
    for (int k = 0; k < 3; ++k) EXPECT_EQ(axes.directionsNear(-50.0)[k], axes.axes[k].vector);
    // The order swaps along the series (b, a, c at first; b, c, a at the end): the axis numbered 2
    // at the last calculation is numbered 3 at the first.
    const SeriesAxes atFirst = seriesAxes(series, options, 1), atLast = seriesAxes(series, options, 0);
    EXPECT_EQ(atLast.namedCalculation, 3);
    EXPECT_GT(absCos(atFirst.axes[2].vector, atLast.axes[1].vector), 0.999f);
    EXPECT_GT(absCos(atFirst.axes[1].vector, atLast.axes[2].vector), 0.999f);
    EXPECT_GT(absCos(atFirst.axes[0].vector, atLast.axes[0].vector), 0.999f);
}

TEST(SeriesAxes, EachAxisIsShownWithinNinetyDegreesOfItsNearestCrystalAxis) {
    Series series = swappingSeries();
    series.points[1].cell.beta = 91.0f;  // the a-c axes turn off a and c
    series.points[2].cell.beta = 92.5f;
    series.points[3].cell.beta = 93.0f;
    const SeriesAxes axes = seriesAxes(series, RunOptions{});
    for (const SeriesAxis& axis : axes.axes) {
        ASSERT_TRUE(axis.hasDirection);
        float nearest = 180.0f;
        int which = 0;
        for (int i = 0; i < 3; ++i)
            if (std::fmin(axis.toAbc[i], 180.0f - axis.toAbc[i]) < nearest) {
                nearest = std::fmin(axis.toAbc[i], 180.0f - axis.toAbc[i]);
                which = i;
            }
        EXPECT_LE(axis.toAbc[which], 90.0f) << "axis " << axis.number;
        // [uvw] points the same way: along the crystal axis it is nearest to, positive.
        EXPECT_GT(axis.uvw[which], 0.0) << "axis " << axis.number;
        // Every point's direction in the same sense.
        for (const StrainOnAxes& s : axes.points) {
            if (const auto& d = s.direction[axis.number - 1]) {
                EXPECT_GE(dot(*d, axis.vector), 0.0f);
            }
        }
        EXPECT_TRUE(axis.equalTo.empty());
    }
}

TEST(SeriesAxes, AxesEqualBySymmetryNameEachOther) {
    Series series;
    series.crystalSystem = CrystalSystem::tetragonal;
    for (int k = 0; k < 3; ++k) {
        DataPoint p = monoclinicPoint(static_cast<float>(10 * k), 4.0f + 0.01f * static_cast<float>(k), 4.0f,
                                      3.0f - 0.005f * static_cast<float>(k), 90.0f, 0.0003f);
        p.cell.b = p.cell.a;
        series.points.push_back(p);
    }
    const SeriesAxes axes = seriesAxes(series, RunOptions{});
    EXPECT_FALSE(axes.principalAxes);
    EXPECT_EQ(axes.axes[0].equalTo, std::vector<int>{2});
    EXPECT_EQ(axes.axes[1].equalTo, std::vector<int>{1});
    EXPECT_TRUE(axes.axes[2].equalTo.empty());
    EXPECT_EQ(axes.axes[2].vector, (Vec3{0.0f, 0.0f, 1.0f}));
}

// The esd of the strain along an axis, where the tensor gives no principal esd worth having: at
// the reference point (a zero tensor) and where two principal strains are equal. A cell whose only
// esd is that of b, with b along Y: the strain along Y moves by sigma(b) / b per cell moved (both
// cells are the reference cell at point 1), along X and Z not at all.
TEST(SeriesAxes, TheEsdAlongAnAxisComesFromTheMovesOfTheCellsAlongItsDirection) {
    Series series;
    series.crystalSystem = CrystalSystem::monoclinic;
    for (const float t : {0.0f, 0.0f, 20.0f, 40.0f}) {  // the first two cells identical
        DataPoint p = monoclinicPoint(t, 5.0f + 0.001f * t, 6.0f + 0.0004f * t, 7.0f - 0.0002f * t, 100.0f, 0.0f);
        p.cell.esd.b = 0.0006f;
        p.cell.esd.beta = 0.0f;
        series.points.push_back(p);
    }
    const SeriesAxes axes = seriesAxes(series, RunOptions{});
    const auto alongY = [&] {
        for (int k = 0; k < 3; ++k)
            if (std::fabs(axes.axes[k].vector[1]) > 0.999f) return k;
        return -1;
    }();
    ASSERT_GE(alongY, 0);
    const double expected = std::sqrt(2.0) * 0.0006 / 6.0;
    for (const std::size_t i : {0u, 1u}) {  // zero strain: the esds of the sorted roots mean nothing here
        for (int k = 0; k < 3; ++k)
            EXPECT_NEAR(axes.points[i].esd[k], k == alongY ? expected : 0.0, 0.02 * expected) << "point " << i + 1;
    }
    // Further on, the esd along Y is the same first-order propagation with the later b.
    const double b = 6.0 + 0.0004 * 40.0;
    const double later = std::hypot(0.0006 / 6.0, b * 0.0006 / 36.0);
    EXPECT_NEAR(axes.points[3].esd[alongY], later, 0.02 * later);
}

}  // namespace
