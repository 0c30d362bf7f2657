// The residuals and the F-f points the fits make when they are written, checked against the
// model's formula at the series' points, worked out here; and the outlier flag at its boundary.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <memory>
#include <vector>

#include "fit/empirical_fit.hpp"
#include "fit/fit_series.hpp"
#include "fit/reweighting.hpp"

namespace {

// P of a third-order Birch-Murnaghan equation of state at V.
double bm3Pressure(double v, double v0, double k0, double kp) {
    const double f = 0.5 * (std::pow(v0 / v, 2.0 / 3.0) - 1.0);
    return 3.0 * k0 * f * std::pow(1.0 + 2.0 * f, 2.5) * (1.0 + 1.5 * (kp - 4.0) * f);
}

// Park-Miller uniforms in (-1, 1): reproducible scatter.
class Scatter {
public:
    double next() {
        seed_ = (16807 * seed_) % 2147483647;
        return 2.0 * static_cast<double>(seed_) / 2147483647.0 - 1.0;
    }

private:
    std::int64_t seed_ = 4242;
};

// A cubic cell compressed along a BM3 curve, P with esds and scatter, the cell without esds (so
// that each point weighs 1 / sigma_P^2 in one pass). The first point is at P = 0; point `far` is
// 8 esds off the curve.
Series cubicSeries(int points, int far) {
    Scatter scatter;
    Series series;
    series.crystalSystem = CrystalSystem::cubic;
    series.pressureRun = true;
    for (int i = 0; i < points; ++i) {
        const double v = 160.0 * (1.0 - 0.12 * i / (points - 1));
        const double sigP = 0.01 + 0.002 * (i % 3);
        DataPoint d;
        const double p = i == 0 ? 0.0 : bm3Pressure(v, 160.0, 90.0, 4.8) + sigP * (i == far ? 8.0 : scatter.next());
        d.p = static_cast<float>(p);
        d.sigP = static_cast<float>(sigP);
        d.cell.a = d.cell.b = d.cell.c = static_cast<float>(std::cbrt(v));
        d.cell.alpha = d.cell.beta = d.cell.gamma = 90.0f;
        series.points.push_back(d);
    }
    return series;
}

const EosFit& volumeFit(const FitResult& result, EosModel model) {
    for (const EosFit& fit : result.eos)
        if (fit.model == model && !fit.isEdge()) return fit;
    throw std::logic_error("no such fit");
}

TEST(ResidualsOnDemand, EquationOfStateResidualsAreTheModelsAtTheSeriesPoints) {
    const int far = 9;
    const Series series = cubicSeries(20, far);
    const FitResult result = fitSeries(series, {});
    const EosFit& fit = volumeFit(result, EosModel::BM3);
    ASSERT_TRUE(fit.status.ok) << fit.status.text;
    const ResidualList residuals = fit.residuals();
    ASSERT_EQ(residuals.size(), series.points.size());
    int flagged = 0;
    for (std::size_t i = 0; i < series.points.size(); ++i) {
        const DataPoint& d = series.points[i];
        const double v = d.cell.volume();  // the series' volume of the cell
        const double calculated = bm3Pressure(v, fit.v0.value, fit.k0.value, fit.kp.value);
        const Residual r = residuals[i];
        EXPECT_EQ(r.point, static_cast<int>(i) + 1);
        EXPECT_EQ(r.x, d.cell.volume());
        EXPECT_EQ(r.observed, static_cast<double>(d.p));
        EXPECT_NEAR(r.calculated, calculated, 1e-9 * fit.k0.value);
        // No esd of V: the weights are 1 / sigma_P^2 whatever the slope.
        EXPECT_NEAR(r.weighted, (d.p - calculated) / d.sigP, 1e-6) << "point " << i + 1;
        EXPECT_EQ(r.outlier, std::fabs(r.weighted) > 3.0);
        flagged += r.outlier;
    }
    EXPECT_TRUE(residuals[far].outlier);
    EXPECT_EQ(flagged, 1);
    // Visited twice, the same residuals.
    const ResidualList again = fit.residuals();
    for (std::size_t i = 0; i < again.size(); ++i) EXPECT_EQ(again[i].weighted, residuals[i].weighted);
}

TEST(ResidualsOnDemand, EqualWeightsScaleResidualsByTheFitsScatter) {
    const Series series = cubicSeries(16, -1);
    FitOptions options;
    options.weights = FitWeights::none;
    const FitResult result = fitSeries(series, options);
    const EosFit& fit = volumeFit(result, EosModel::BM2);
    ASSERT_TRUE(fit.status.ok) << fit.status.text;
    // BM2: K' = 4; chi2 is the plain sum of squares.
    std::vector<double> differences;
    double chi2 = 0.0;
    for (const DataPoint& d : series.points) {
        const double v = d.cell.volume();  // the series' volume of the cell
        differences.push_back(d.p - bm3Pressure(v, fit.v0.value, fit.k0.value, 4.0));
        chi2 += differences.back() * differences.back();
    }
    const double scatter = std::sqrt(chi2 / static_cast<double>(series.points.size() - 2));
    const ResidualList residuals = fit.residuals();
    ASSERT_EQ(residuals.size(), differences.size());
    for (std::size_t i = 0; i < differences.size(); ++i)
        EXPECT_NEAR(residuals[i].weighted, differences[i] / scatter, 1e-6) << "point " << i + 1;
}

TEST(ResidualsOnDemand, EmpiricalResidualsAreTheLawAtEachPressure) {
    const double eps0 = 0.004, lambda = -0.006, pc = -0.5, nu = 0.7;
    Scatter scatter;
    std::vector<FitPoint> points;
    for (int i = 0; i < 18; ++i) {
        const double p = 0.5 * i;
        const double sigY = 1e-5 * (1 + i % 4);
        points.push_back({p, 0.0, eps0 + lambda * std::pow(p - pc, nu) + sigY * scatter.next(), sigY});
    }
    const EmpiricalFit fit = fitEmpiricalAxis(points, 2, FitWeights::esd);
    ASSERT_TRUE(fit.status.ok) << fit.status.text;
    const ResidualList residuals = fit.residuals();
    ASSERT_EQ(residuals.size(), points.size());
    for (std::size_t i = 0; i < points.size(); ++i) {
        const FitPoint& p = points[i];
        const double calculated = fit.eps0.value + fit.lambda.value * std::pow(p.x - fit.pc.value, fit.nu.value);
        EXPECT_EQ(residuals[i].point, static_cast<int>(i) + 1);
        EXPECT_EQ(residuals[i].observed, p.y);
        EXPECT_NEAR(residuals[i].calculated, calculated, 1e-12);
        EXPECT_NEAR(residuals[i].weighted, (p.y - calculated) / p.sigY, 1e-6);
        // K = -d(eps)/dP = -lambda nu (P - Pc)^(nu - 1).
        const ValueAtPoint k = fit.kAt(i);
        EXPECT_FLOAT_EQ(k.x, static_cast<float>(p.x));
        EXPECT_NEAR(k.value, -fit.lambda.value * fit.nu.value * std::pow(p.x - fit.pc.value, fit.nu.value - 1.0), 1e-10);
    }
}

TEST(ResidualsOnDemand, FfLeavesOutThePointAtZeroPressureAndKeepsNumbers) {
    const Series series = cubicSeries(12, -1);
    const FitResult result = fitSeries(series, {});
    ASSERT_TRUE(result.ff && result.ff->status.ok);
    const double v0 = result.ff->v0.value;
    EXPECT_EQ(v0, volumeFit(result, EosModel::BM3).v0.value);
    std::vector<int> numbers;
    result.ff->forEachPoint([&](const NormalisedPressurePoint& p) {
        numbers.push_back(p.point);
        const DataPoint& d = series.points.at(static_cast<std::size_t>(p.point - 1));
        const double v = d.cell.volume();  // the series' volume of the cell
        const double f = 0.5 * (std::pow(v0 / v, 2.0 / 3.0) - 1.0);
        EXPECT_EQ(p.x, d.p);
        EXPECT_NEAR(p.f, f, 1e-12);
        EXPECT_NEAR(p.F, d.p / (3.0 * f * std::pow(1.0 + 2.0 * f, 2.5)), 1e-9 * std::fabs(p.F));
    });
    // Point 1, at P = 0, has no F; the others keep their numbers in the series.
    std::vector<int> expected;
    for (int n = 2; n <= static_cast<int>(series.points.size()); ++n) expected.push_back(n);
    EXPECT_EQ(numbers, expected);
}

TEST(ResidualsOnDemand, APointIsFlaggedOnlyBeyondThreeEsds) {
    // sigma = 0.5 (weight 4): a difference of 1.5 is exactly 3 esds, not beyond.
    const PassWeights weights{{4.0}, true};
    EXPECT_EQ(residualOf(0, 0.0f, 1.5, 0.0, weights, 0.0).weighted, 3.0);
    EXPECT_FALSE(residualOf(0, 0.0f, 1.5, 0.0, weights, 0.0).outlier);
    EXPECT_FALSE(residualOf(0, 0.0f, 0.0, 1.5, weights, 0.0).outlier);
    EXPECT_TRUE(residualOf(0, 0.0f, std::nextafter(1.5, 2.0), 0.0, weights, 0.0).outlier);
    EXPECT_TRUE(residualOf(0, 0.0f, 0.0, std::nextafter(1.5, 2.0), weights, 0.0).outlier);
    // Equal weights: in units of the scatter.
    const PassWeights equal{{}, false};
    EXPECT_FALSE(residualOf(3, 0.0f, 1.5, 0.0, equal, 0.5).outlier);
    EXPECT_TRUE(residualOf(3, 0.0f, 1.6, 0.0, equal, 0.5).outlier);
    EXPECT_EQ(residualOf(3, 0.0f, 1.6, 0.0, equal, 0.5).point, 4);
    // No scatter (a curve through every point): 0, never flagged.
    EXPECT_EQ(residualOf(0, 0.0f, 1.0, 0.0, equal, 0.0).weighted, 0.0);
}

}  // namespace
