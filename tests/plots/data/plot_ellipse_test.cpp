// The K0-K' ellipse figure, without Qt: each arc lies on the ellipse of the covariance at its rise
// of chi2 and rises in K0 (as a fitted curve is drawn), the centre is the fitted K0 and K', and the
// CSV holds every point; a fit without a free K' gives no figure.
#include <gtest/gtest.h>

#include <cmath>

#include "calc/series.hpp"
#include "output/run_output.hpp"
#include "plots/data/figures.hpp"

namespace {

FitResult bm3Fit(std::vector<std::string> parameters, std::vector<double> covariance) {
    FitResult result;
    result.status = FitStatus::success();
    result.pressure = true;
    EosFit fit;
    fit.model = EosModel::BM3;
    fit.status = FitStatus::success();
    fit.v0 = {160.0, 0.1};
    fit.k0 = {90.0, 2.0};
    fit.kp = {4.7, 0.4};
    fit.parameters = std::move(parameters);
    fit.covariance = Covariance(std::move(covariance));
    result.eos.push_back(fit);
    return result;
}

std::optional<NamedFigure> ellipseOf(const FitResult& fits) {
    Series series;
    series.pressureRun = true;
    series.pressureUnit = "GPa";
    PlotRecorder collector;
    collector.begin(RunHeader{series, RunOptions{}, "x.dat", "x.dat", ""});
    collector.fits(fits);
    collector.end();
    return confidenceEllipseFigure(collector);
}

TEST(EllipseFigure, ArcsLieOnTheEllipseOfTheCovarianceAndRiseInK0) {
    // V0, K0, K': the K0-K' block is [[4, -0.7], [-0.7, 0.16]].
    const std::vector<double> c = {0.01, 0.05, -0.01, 0.05, 4.0, -0.7, -0.01, -0.7, 0.16};
    const std::optional<NamedFigure> figure = ellipseOf(bm3Fit({"V0", "K0", "Kp"}, c));
    ASSERT_TRUE(figure);
    EXPECT_EQ(figure->stem, "ellipse");
    EXPECT_EQ(figure->figure.xLabel, "K0 (GPa)");
    const PlotPanel& panel = figure->figure.panels.at(0);
    ASSERT_EQ(panel.curves.size(), 4u);  // two arcs at each of two levels
    const double p = 4.0, q = 0.16, r = -0.7, det = p * q - r * r;
    for (std::size_t k = 0; k < panel.curves.size(); ++k) {
        const FittedCurve& arc = panel.curves[k];
        const double level = k < 2 ? 2.30 : 6.18;
        for (std::size_t i = 0; i < arc.x.size(); ++i) {
            const double x = arc.x[i] - 90.0, y = arc.y[i] - 4.7;
            EXPECT_NEAR((q * x * x - 2.0 * r * x * y + p * y * y) / det, level, 1e-9);
            if (i > 0) {
                EXPECT_GE(arc.x[i], arc.x[i - 1]);
            }
        }
    }
    EXPECT_FLOAT_EQ(panel.lines.at(0).x.at(0), 90.0f);
    EXPECT_FLOAT_EQ(panel.lines.at(0).y.at(0), 4.7f);
    // A head and 72 points at each level.
    EXPECT_EQ(std::count(figure->csv.begin(), figure->csv.end(), '\n'), 1 + 2 * 72);
}

TEST(EllipseFigure, NoneWithoutAFreeKp) {
    EXPECT_FALSE(ellipseOf(bm3Fit({"V0", "K0"}, {0.01, 0.05, 0.05, 4.0})));
}

}  // namespace
