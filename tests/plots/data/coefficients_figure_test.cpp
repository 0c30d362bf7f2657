// The coefficients figure against the first point: the points are means from point 1 to each
// later point at their midpoint, and the curve drawn with them is the same mean from the tensor
// fit, worked out here from the fitted strain polynomials alone.
#include <gtest/gtest.h>

#include <cmath>

#include "../../run/run_support.hpp"
#include "plot_test_records.hpp"
#include "plots/data/figures.hpp"

namespace {

using namespace testing_support;

// A strain component of the tensor fit at x, from its coefficients about its origin.
double strainAt(const PolynomialFit& fit, double x) {
    double q = 0.0, power = 1.0;
    for (const double c : fit.coefficients) {
        q += c * power;
        power *= x - fit.origin;
    }
    return q;
}

struct AgainstFirstRun {
    TempFolder dir;
    PlotRecorder record;
    explicit AgainstFirstRun(const char* name) : dir("plots-against-first") {
        RunOptions options;
        options.incremental = false;
        EXPECT_EQ(runOnce(example(name), dir / "r.prt", options, {&record}).outcome, RunOutcome::completed);
    }
};

// Stishovite under pressure (X, Y, Z the axes): each curve at m is -(e(x) - e(x1)) / (x - x1) of
// its diagonal component, x the point whose midpoint with x1 is m.
TEST(CoefficientsFigure, AgainstFirstTheCurveIsTheMeanFromPointOneOfTheTensorFit) {
    AgainstFirstRun run("stishovite_tetragonal_P.dat");
    const FitResult& fits = *run.record.fitResult();
    ASSERT_TRUE(fits.tensor && fits.tensor->status.ok);
    const double x1 = run.record.points().front().x;
    const Figure figure = coefficientsFigure(run.record);
    const PlotPanel& panel = figure.panels.at(0);
    ASSERT_EQ(panel.curves.size(), panel.lines.size());
    for (std::size_t n = 0; n < panel.lines.size(); ++n) {
        const int k = panel.lines[n].columns.front()[0] - 'X';  // X, Y or Z
        const FittedCurve& curve = panel.curves[n];
        ASSERT_GT(curve.x.size(), 10u);
        for (const std::size_t s : {std::size_t{0}, curve.x.size() / 2, curve.x.size() - 1}) {
            const double x = 2.0 * curve.x[s] - x1;
            const PolynomialFit& e = fits.tensor->components[static_cast<std::size_t>(k)];
            const double mean = -(strainAt(e, x) - strainAt(e, x1)) / (x - x1);
            EXPECT_NEAR(curve.y[s], mean, 1e-9 * std::fabs(mean) + 1e-15) << "line " << n << " sample " << s;
        }
        // The points are means too: each lies at the midpoint of point 1 and a later point.
        for (const float m : panel.lines[n].x) EXPECT_GT(m, x1);
    }
    EXPECT_NE(figure.fitLegend.find("mean from point 1"), std::string::npos);
    EXPECT_NE(figure.caption.find("same mean from the tensor fit"), std::string::npos);
}

// Metacetamol (monoclinic, principal axes): at each sample the three curves are the principal
// values of the mean tensor, so they add up to its trace.
TEST(CoefficientsFigure, AgainstFirstThePrincipalCurvesAddUpToTheMeanTensorsTrace) {
    AgainstFirstRun run("metacetamol_monoclinic_T.dat");
    const FitResult& fits = *run.record.fitResult();
    ASSERT_TRUE(fits.tensor && fits.tensor->status.ok);
    const double x1 = run.record.points().front().x;
    const Figure figure = coefficientsFigure(run.record);
    const PlotPanel& panel = figure.panels.at(0);
    ASSERT_EQ(panel.curves.size(), 3u);
    const FittedCurve& first = panel.curves[0];
    for (std::size_t s = 0; s < first.x.size(); s += 20) {
        const double x = 2.0 * first.x[s] - x1;
        double trace = 0.0;
        for (std::size_t k = 0; k < 3; ++k)
            trace += (strainAt(fits.tensor->components[k], x) - strainAt(fits.tensor->components[k], x1)) / (x - x1);
        const double sum = panel.curves[0].y[s] + panel.curves[1].y[s] + panel.curves[2].y[s];
        EXPECT_NEAR(sum, trace, 1e-6 * std::fabs(trace) + 1e-12) << "sample " << s;
    }
}

// Incremental calculations keep the fit's coefficient at each x: no mean, no such caption.
TEST(CoefficientsFigure, IncrementalCurvesAreTheTensorFitAtEachX) {
    TempFolder dir("plots-incremental");
    PlotRecorder record;
    ASSERT_EQ(runOnce(example("stishovite_tetragonal_P.dat"), dir / "r.prt", {}, {&record}).outcome,
              RunOutcome::completed);
    const Figure figure = coefficientsFigure(record);
    const FittedCurve& curve = figure.panels.at(0).curves.at(0);
    const std::size_t s = curve.x.size() / 2;
    EXPECT_DOUBLE_EQ(curve.y[s], record.fitResult()->tensor->tensorAt(curve.x[s]).tensor(1, 1));
    EXPECT_EQ(figure.fitLegend.find("mean"), std::string::npos);
}

}  // namespace
