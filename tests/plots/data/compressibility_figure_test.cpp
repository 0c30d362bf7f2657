// The compressibility figure: one curve per group of axes the crystal system makes equal, named
// with its angles to a, b, c, the tensor fit where an axis's law failed, curves cut at the range.
#include <gtest/gtest.h>

#include <cmath>

#include "../../run/run_support.hpp"
#include "plot_test_records.hpp"
#include "plots/data/figures.hpp"
#include "plots/data/plot_ranges.hpp"
#include "plots/data/series_names.hpp"

namespace {

using namespace testing_support;

PlotRecorder recordOf(CrystalSystem system) {
    Series series = seriesOf(3);
    series.crystalSystem = system;
    PlotRecorder record;
    record.begin(RunHeader{series, {}, "x.dat", "x.dat", ""});
    record.end();
    return record;
}

// The groups follow the crystal system's own rule: X = Y for the uniaxial systems, X = Y = Z
// cubic, and no two principal axes of a lower system.
TEST(SymmetryGroups, FollowTheCrystalSystem) {
    using Groups = std::vector<std::vector<int>>;
    EXPECT_EQ(symmetryGroups(recordOf(CrystalSystem::cubic)), (Groups{{0, 1, 2}}));
    EXPECT_EQ(symmetryGroups(recordOf(CrystalSystem::tetragonal)), (Groups{{0, 1}, {2}}));
    EXPECT_EQ(symmetryGroups(recordOf(CrystalSystem::hexagonal)), (Groups{{0, 1}, {2}}));
    EXPECT_EQ(symmetryGroups(recordOf(CrystalSystem::orthorhombic)), (Groups{{0}, {1}, {2}}));
    EXPECT_EQ(symmetryGroups(recordOf(CrystalSystem::monoclinic)), (Groups{{0}, {1}, {2}}));
    EXPECT_EQ(groupLegend(recordOf(CrystalSystem::cubic), {0, 1, 2}), "X = Y = Z (equal by symmetry)");
    EXPECT_EQ(groupColumns(recordOf(CrystalSystem::cubic), {0, 1, 2}), (std::vector<std::string>{"X", "Y", "Z"}));
}

// Stishovite (tetragonal): X and Y are one curve; where their law failed (the a axes follow a
// logarithm of P) it is the tensor fit's derivative, dashed, and the caption gives the reason.
TEST(CompressibilityFigure, EqualAxesAreOneCurveAFailedLawTheTensorFits) {
    TempFolder dir("plots-compressibility");
    PlotRecorder record;
    ASSERT_EQ(runOnce(example("stishovite_tetragonal_P.dat"), dir / "r.prt", {}, {&record}).outcome,
              RunOutcome::completed);
    const FitResult& fits = *record.fitResult();
    const std::optional<Figure> figure = compressibilityFigure(record);
    ASSERT_TRUE(figure.has_value());
    const auto& curves = figure->panels.at(0).curves;
    ASSERT_EQ(curves.size(), 2u);
    EXPECT_EQ(curves[0].columns, (std::vector<std::string>{"X", "Y"}));
    EXPECT_EQ(curves[0].name.rfind("X = Y (equal by symmetry", 0), 0u);
    EXPECT_EQ(curves[1].columns, (std::vector<std::string>{"Z"}));
    // Z is named with its angles to a, b, c: along c.
    EXPECT_EQ(curves[1].name, "Z: 90°, 90°, 0° to a, b, c");
    bool anyFailed = false;
    for (std::size_t g = 0; g < 2; ++g) {
        const int axis = g == 0 ? 0 : 2;
        const EmpiricalFit& law = fits.empirical.at(static_cast<std::size_t>(axis));
        const FittedCurve& curve = curves[g];
        const std::size_t middle = curve.x.size() / 2;
        const double x = curve.x[middle];
        EXPECT_EQ(curve.dashed, !law.status.ok);
        if (law.status.ok) {
            EXPECT_DOUBLE_EQ(curve.y[middle], law.compressibilityAt(x));
        } else {
            anyFailed = true;
            // -de/dP along X: the diagonal of the fitted property tensor there.
            EXPECT_DOUBLE_EQ(curve.y[middle], fits.tensor->tensorAt(x).tensor(axis + 1, axis + 1));
            EXPECT_NE(curve.name.find("tensor fit"), std::string::npos);
            EXPECT_NE(figure->caption.find(law.status.text), std::string::npos);
        }
    }
    EXPECT_TRUE(anyFailed);
}

// A monoclinic series keeps its three principal axes apart, each named with its angles.
TEST(CompressibilityFigure, PrincipalAxesAreNamedWithTheirAnglesToTheCellEdges) {
    TempFolder dir("plots-compressibility-mono");
    PlotRecorder record;
    ASSERT_EQ(runOnce(example("Ag3CoCN6_monoclinic_P.dat"), dir / "r.prt", {}, {&record}).outcome,
              RunOutcome::completed);
    const std::optional<Figure> figure = compressibilityFigure(record);
    ASSERT_TRUE(figure.has_value());
    const auto& curves = figure->panels.at(0).curves;
    ASSERT_EQ(curves.size(), 3u);
    for (std::size_t k = 0; k < 3; ++k) {
        EXPECT_EQ(curves[k].name.rfind("axis " + std::to_string(k + 1) + ": ", 0), 0u) << curves[k].name;
        EXPECT_NE(curves[k].name.find("to a, b, c"), std::string::npos);
    }
    // Near Pc a law runs off to infinity: every curve stays in the range shown, so no band
    // stands across the plot.
    const auto& range = figure->panels[0].yRange;
    ASSERT_TRUE(range.has_value());
    for (const FittedCurve& curve : curves)
        for (const double y : curve.y) {
            EXPECT_GE(y, (*range)[0]);
            EXPECT_LE(y, (*range)[1]);
        }
    EXPECT_NE(figure->caption.find("runs off the range shown"), std::string::npos);
}

// 1/x from 0.1 to 1 in a range up to 4 leaves it at x = 0.25: the cut curve begins on the edge,
// between the samples at 0.24 and 0.25 by linear interpolation, and keeps every sample inside.
TEST(ClipToRange, ACurveEndsOnTheEdgeWhereItLeavesTheRange) {
    FittedCurve curve;
    for (int k = 0; k <= 90; ++k) {
        const double x = 0.1 + 0.01 * k;
        curve.x.push_back(x);
        curve.y.push_back(1.0 / x);
        curve.esd.push_back(0.1 / x);
    }
    FittedCurve onEdge = curve;
    ASSERT_TRUE(clipToRange(curve, {0.0, 4.0}));
    EXPECT_DOUBLE_EQ(curve.y.front(), 4.0);
    // Between (0.24, 1/0.24) and (0.25, 4) the chord meets y = 4 at the sample 0.25 itself, so
    // the curve starts there once, not twice.
    EXPECT_NEAR(curve.x.front(), 0.25, 1e-9);
    EXPECT_NEAR(curve.esd.front(), 0.4, 1e-9);
    EXPECT_NEAR(curve.x[1], 0.26, 1e-9);
    // Up to 4.5: 1/x = 4.5 between the samples 0.22 (4.545) and 0.23 (4.348), on their chord.
    ASSERT_TRUE(clipToRange(onEdge, {0.0, 4.5}));
    const double y0 = 1.0 / 0.22, y1 = 1.0 / 0.23;
    EXPECT_NEAR(onEdge.x.front(), 0.22 + 0.01 * (4.5 - y0) / (y1 - y0), 1e-12);
    EXPECT_DOUBLE_EQ(onEdge.y.front(), 4.5);
    EXPECT_NEAR(onEdge.x[1], 0.23, 1e-12);
    // The one crossing is marked where the curve meets the top edge, whether or not a sample
    // lies on it.
    ASSERT_EQ(curve.exits.size(), 1u);
    EXPECT_NEAR(curve.exits[0].x, 0.25, 1e-9);
    EXPECT_DOUBLE_EQ(curve.exits[0].y, 4.0);
    EXPECT_TRUE(curve.exits[0].upward);
    ASSERT_EQ(onEdge.exits.size(), 1u);
    EXPECT_DOUBLE_EQ(onEdge.exits[0].x, onEdge.x.front());
    // A curve that falls through the bottom edge and comes back has two crossings, both below.
    FittedCurve dip;
    dip.x = {0.0, 1.0, 2.0, 3.0};
    dip.y = {1.0, -1.0, -1.0, 1.0};
    ASSERT_TRUE(clipToRange(dip, {0.0, 2.0}));
    ASSERT_EQ(dip.exits.size(), 2u);
    EXPECT_DOUBLE_EQ(dip.exits[0].x, 0.5);
    EXPECT_DOUBLE_EQ(dip.exits[1].x, 2.5);
    EXPECT_FALSE(dip.exits[0].upward || dip.exits[1].upward);
    EXPECT_EQ(curve.x.size(), curve.y.size());
    EXPECT_EQ(curve.x.size(), curve.esd.size());
    for (std::size_t k = 1; k < curve.x.size(); ++k) EXPECT_GT(curve.x[k], curve.x[k - 1]);
    EXPECT_DOUBLE_EQ(curve.x.back(), 1.0);
    // Inside the range nothing is cut.
    FittedCurve flat;
    flat.x = {0.0, 1.0};
    flat.y = {1.0, 2.0};
    EXPECT_FALSE(clipToRange(flat, {0.0, 5.0}));
    EXPECT_EQ(flat.x.size(), 2u);
    EXPECT_TRUE(flat.exits.empty());
}

}  // namespace
