// What the plots show, without Qt: the matching of principal axes across calculations, the powers of ten of the labels, the representation surface's geometry.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "calc/pair_result.hpp"
#include "calc/axis_matching.hpp"
#include "plots/data/plot_collector.hpp"
#include "plots/data/plot_labels.hpp"
#include "plots/data/surface_geometry.hpp"

namespace {

constexpr Vec3 kX{1.0f, 0.0f, 0.0f};
constexpr Vec3 kY{0.0f, 1.0f, 0.0f};
constexpr Vec3 kZ{0.0f, 0.0f, 1.0f};

Vec3 unit(float x, float y, float z) {
    const float n = std::sqrt(x * x + y * y + z * z);
    return {x / n, y / n, z / n};
}

struct MatchCase {
    const char* name;
    AxisDirections tracks;
    AxisDirections current;
    std::array<int, 3> order;
};

TEST(AxisMatching, EachTrackTakesTheMostNearlyParallelAxis) {
    const Vec3 tiltedX = unit(1.0f, 0.2f, 0.0f);
    const Vec3 tiltedY = unit(-0.2f, 1.0f, 0.0f);
    const MatchCase cases[] = {
        {"same order", {kX, kY, kZ}, {kX, kY, kZ}, {0, 1, 2}},
        {"first two swapped", {kX, kY, kZ}, {kY, kX, kZ}, {1, 0, 2}},
        {"all three moved round", {kX, kY, kZ}, {kZ, kX, kY}, {1, 2, 0}},
        {"the sign of a direction means nothing",
         {kX, kY, kZ},
         {Vec3{0.0f, -1.0f, 0.0f}, Vec3{-1.0f, 0.0f, 0.0f}, kZ},
         {1, 0, 2}},
        {"turned a little and swapped", {kX, kY, kZ}, {tiltedY, tiltedX, kZ}, {1, 0, 2}},
        {"an axis without direction takes the track left over", {kX, kY, kZ}, {std::nullopt, kZ, kX}, {2, 0, 1}},
        {"nothing known keeps the order", {std::nullopt, std::nullopt, std::nullopt}, {kY, kX, kZ}, {0, 1, 2}},
        {"no direction now keeps the order", {kX, kY, kZ}, {std::nullopt, std::nullopt, std::nullopt}, {0, 1, 2}},
    };
    for (const MatchCase& c : cases) EXPECT_EQ(matchAxes(c.tracks, c.current), c.order) << c.name;
}

TEST(AxisMatching, ATrackRemembersItsDirectionThroughACircularSection) {
    // Calculation 2 has a double root: axes 1 and 2 have no direction. Calculation 3 lists X and Y
    // in the other order; the tracks still know them from calculation 1.
    const std::vector<AxisDirections> series = {
        {kX, kY, kZ},
        {std::nullopt, std::nullopt, kZ},
        {kY, kX, kZ},
    };
    const auto orders = followAxes(series);
    ASSERT_EQ(orders.size(), 3u);
    EXPECT_EQ(orders[0], (std::array<int, 3>{0, 1, 2}));
    EXPECT_EQ(orders[1][2], 2);
    EXPECT_EQ(orders[2], (std::array<int, 3>{1, 0, 2}));
}

TEST(PlotLabels, ValuesAreShownInUnitsOfAPowerOfTenInStepsOfThree) {
    const struct {
        float largest;
        int exponent;
        const char* power;
    } cases[] = {
        {5.2e-5f, 6, "10⁻⁶"}, {9.99e-4f, 6, "10⁻⁶"},
        {1.0e-3f, 3, "10⁻³"}, {0.0031f, 3, "10⁻³"},
        {2.5f, 0, ""},        {999.0f, 0, ""},
        {1500.0f, -3, "10³"}, {3.0e-12f, 12, "10⁻¹²"},
        {0.0f, 0, ""},        {std::numeric_limits<float>::quiet_NaN(), 0, ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(plotExponent(c.largest), c.exponent) << c.largest;
        EXPECT_EQ(unitPower(c.exponent), c.power) << c.exponent;
        if (c.largest > 0.0f) {
            const float shown = c.largest * plotFactor(c.exponent);
            EXPECT_GE(shown, 1.0f * 0.99999f) << c.largest;
            EXPECT_LT(shown, 1000.0f) << c.largest;
        }
    }
}

TEST(PlotLabels, FileStemIsThePrintFileNameUpToItsFirstDot) {
    EXPECT_EQ(plotFileStem("run.prt"), "run");
    EXPECT_EQ(plotFileStem("run.2.prt"), "run");
    EXPECT_EQ(plotFileStem("noextension"), "noextension");
    const std::string longName = std::string(75, 'x') + ".prt";  // no "." in the first 70 characters
    EXPECT_EQ(plotFileStem(longName), longName);
}

TEST(SurfaceGeometry, CompletedAxesAreOrthonormalAndKeepTheDefinedOnes) {
    const Vec3 d = unit(1.0f, 1.0f, 0.5f);
    const AxisDirections cases[] = {
        {kX, kY, kZ},
        {std::nullopt, d, std::nullopt},
        {std::nullopt, std::nullopt, std::nullopt},
        {d, unit(-1.0f, 1.0f, 0.0f), std::nullopt},
    };
    for (const AxisDirections& given : cases) {
        const auto axes = completeAxes(given);
        for (int i = 0; i < 3; ++i) {
            for (int j = 0; j < 3; ++j) {
                const float dot = axes[i][0] * axes[j][0] + axes[i][1] * axes[j][1] + axes[i][2] * axes[j][2];
                EXPECT_NEAR(dot, i == j ? 1.0f : 0.0f, 1e-5f);
            }
            if (given[i]) {
                for (int k = 0; k < 3; ++k) EXPECT_NEAR(axes[i][k], (*given[i])[k], 1e-5f);
            }
        }
    }
}

TEST(SurfaceGeometry, ASectionOfADiagonalTensorMeetsItsAxesAtThePrincipalValues) {
    Mat3 t;
    t(1, 1) = 1.0f;
    t(2, 2) = -2.0f;
    t(3, 3) = 3.0f;
    const std::array<Vec3, 3> axes{kX, kY, kZ};
    const std::array<Vec3, 3> crystal{kX, unit(0.0f, 1.0f, 1.0f), kZ};
    const SurfaceSection s = sectionOf(t, axes, 0, 1, crystal, 360);
    ASSERT_EQ(s.points.size(), 361u);  // closed: the first point again
    EXPECT_FLOAT_EQ(s.values[0], 1.0f);
    EXPECT_NEAR(s.values[90], -2.0f, 1e-5f);
    // Drawn at the magnitude of the value: the negative lobe points along +Y with length 2.
    EXPECT_NEAR(s.points[90][1], 2.0f, 1e-5f);
    EXPECT_NEAR(s.points[180][0], -1.0f, 1e-5f);
    EXPECT_EQ(s.points.front(), s.points.back());
    // b (along Y + Z) projects on the X-Y plane at length 1/sqrt(2).
    EXPECT_NEAR(s.crystalAxes[1][1], std::sqrt(0.5f), 1e-6f);
    EXPECT_NEAR(s.crystalAxes[1][0], 0.0f, 1e-6f);
}

// A record with three principal axes along the given directions with the given values.
PairResult recordWith(int second, float t, const std::array<Vec3, 3>& directions, const std::array<float, 3>& values) {
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

TEST(PlotCollector, EachLineFollowsOneAxisWhenTheOrderOfTheValuesSwaps) {
    Series series;
    series.points.resize(4);
    PlotCollector collector;
    ASSERT_TRUE(collector.begin(RunHeader{series, {}, "x.dat", "x.dat", ""}));
    // X grows from 1e-5 to 3e-5 and Y falls from 2e-5 to 1e-5: the decomposition lists the
    // smaller first, so at the third calculation X and Y change places.
    collector.calculation(recordWith(2, 10.0f, {kX, kY, kZ}, {1e-5f, 2e-5f, 5e-5f}));
    collector.calculation(recordWith(3, 20.0f, {kX, kY, kZ}, {1.6e-5f, 1.8e-5f, 5e-5f}));
    collector.calculation(recordWith(4, 30.0f, {kY, kX, kZ}, {1e-5f, 3e-5f, 5e-5f}));
    const Figure f = collector.coefficients();
    ASSERT_EQ(f.lines.size(), 3u);
    // Shown in units of 1e-6.
    EXPECT_EQ(f.yLabel, "α (10⁻⁶ per unit of T)");
    const std::vector<float> alongX{10.0f, 16.0f, 30.0f};
    const std::vector<float> alongY{20.0f, 18.0f, 10.0f};
    for (int k = 0; k < 3; ++k) {
        EXPECT_NEAR(f.lines[0].y[k], alongX[k], 1e-4f) << k;
        EXPECT_NEAR(f.lines[1].y[k], alongY[k], 1e-4f) << k;
        EXPECT_NEAR(f.lines[0].esd[k], 0.1f * alongX[k], 1e-4f) << k;
    }
    EXPECT_EQ(f.lines[0].x, (std::vector<float>{10.0f, 20.0f, 30.0f}));
    // The surface of the last calculation names its axes in the order of the lines.
    const SurfaceData s = collector.surface(3);
    EXPECT_NEAR(std::fabs(s.axes[0][0]), 1.0f, 1e-6f);
    EXPECT_NEAR(std::fabs(s.axes[1][1]), 1.0f, 1e-6f);
}

}  // namespace
