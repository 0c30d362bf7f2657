// Fits over a series, checked against independent truths: the textbook least-squares line, a
// strain law known in closed form, an equation of state the data were made from.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <functional>
#include <limits>
#include <string_view>
#include <vector>

#include <nlohmann/json.hpp>

#include "export/fit_json.hpp"
#include "least_squares.hpp"
#include "fit/empirical_fit.hpp"
#include "fit/equation_of_state.hpp"
#include "fit/fit_weights.hpp"
#include "fit/fit_series.hpp"
#include "fit/linear_fit.hpp"

namespace {

// A reproducible, roughly normal noise (mean 0, sd 1): Park-Miller uniforms, four summed.
class Noise {
public:
    double next() {
        double sum = 0.0;
        for (int k = 0; k < 4; ++k) {
            seed_ = (16807 * seed_) % 2147483647;
            sum += static_cast<double>(seed_) / 2147483647.0;
        }
        return (sum - 2.0) * std::sqrt(3.0);
    }

private:
    std::int64_t seed_ = 20240611;
};

DataPoint orthorhombicPoint(double x, double a, double b, double c, float esd, bool pressure) {
    DataPoint d;
    (pressure ? d.p : d.t) = static_cast<float>(x);
    d.cell.a = static_cast<float>(a);
    d.cell.b = static_cast<float>(b);
    d.cell.c = static_cast<float>(c);
    d.cell.alpha = d.cell.beta = d.cell.gamma = 90.0f;
    d.cell.esd.a = d.cell.esd.b = d.cell.esd.c = esd;
    return d;
}

TEST(LinearFit, EqualWeightsGiveTheTextbookLineAndEsds) {
    // No esds at all, and esds ignored by --weights none: both are ordinary least squares.
    const std::vector<double> x = {10, 25, 40, 55, 70, 85, 100};
    const std::vector<double> y = {1.02, 1.47, 2.11, 2.38, 3.05, 3.31, 4.02};
    double sx = 0, sy = 0;
    for (std::size_t i = 0; i < x.size(); ++i) {
        sx += x[i];
        sy += y[i];
    }
    const double n = static_cast<double>(x.size());
    const double mx = sx / n, my = sy / n;
    double sxx = 0, sxy = 0;
    for (std::size_t i = 0; i < x.size(); ++i) {
        sxx += (x[i] - mx) * (x[i] - mx);
        sxy += (x[i] - mx) * (y[i] - my);
    }
    const double slope = sxy / sxx;
    const double intercept = my - slope * mx;
    double ssr = 0;
    for (std::size_t i = 0; i < x.size(); ++i) ssr += std::pow(y[i] - intercept - slope * x[i], 2);
    const double s2 = ssr / (n - 2);
    const double slopeEsd = std::sqrt(s2 / sxx);
    const double interceptEsd = std::sqrt(s2 * (1.0 / n + mx * mx / sxx));

    for (const bool withEsds : {false, true}) {
        std::vector<FitPoint> points;
        for (std::size_t i = 0; i < x.size(); ++i)
            points.push_back({x[i], withEsds ? 0.5 : 0.0, y[i], withEsds ? 0.01 * static_cast<double>(i + 1) : 0.0});
        const FitWeights mode = withEsds ? FitWeights::none : FitWeights::esd;
        for (const bool pressure : {false, true}) {
            const LinearFit fit = fitLine(points, x[2], pressure, mode);
            ASSERT_TRUE(fit.line.status.ok) << fit.line.status.text;
            EXPECT_NEAR(fit.coefficient, pressure ? -slope : slope, 1e-12);
            EXPECT_NEAR(fit.esd, slopeEsd, 1e-12);
            EXPECT_NEAR(fit.intercept, intercept, 1e-12);
            EXPECT_NEAR(fit.interceptEsd, interceptEsd, 1e-12);
            EXPECT_EQ(fit.line.dof, 5);
            EXPECT_NEAR(fit.line.chi2, ssr, 1e-12);
        }
    }
}

TEST(FitWeights, EsdsBeyondDoublePrecisionTellNothingAndLargeOnesDoNotOverflow) {
    const double inf = std::numeric_limits<double>::infinity();
    // No usable esd at all: equal weights, as with none.
    EXPECT_EQ(weightsOf({inf, 0.0, inf}, FitWeights::esd), (std::vector<double>{1.0, 1.0, 1.0}));
    // One usable esd: the others take it.
    EXPECT_EQ(weightsOf({inf, 2.0, 0.0}, FitWeights::esd), (std::vector<double>{0.25, 0.25, 0.25}));
    EXPECT_DOUBLE_EQ(effectiveEsd(3.0, -2.0, 2.0), 5.0);
    // Squares beyond double precision: still the length of (sigY, slope sigX).
    EXPECT_DOUBLE_EQ(effectiveEsd(3e200, 2.0, 2e200), 5e200);
}

TEST(LinearFit, EsdWeightsFollowTheEffectiveVariance) {
    // Points on an exact line with esds in x only: sigma_i = |slope| sigX_i, so the fit is exact
    // and its weights are 1 / (slope sigX)^2, whatever the starting weights were.
    std::vector<FitPoint> points;
    for (int i = 0; i < 6; ++i) points.push_back({10.0 * i, 0.1 * (i + 1), 3.0 - 0.02 * 10.0 * i, 0.0});
    const LinearFit fit = fitLine(points, 0.0, false, FitWeights::esd);
    ASSERT_TRUE(fit.line.status.ok);
    EXPECT_NEAR(fit.coefficient, -0.02, 1e-14);
    EXPECT_NEAR(fit.intercept, 3.0, 1e-12);
}

TEST(TensorFit, EdgesOnAKnownPolynomialGiveItsDerivativeAtEveryT) {
    // a, b, c follow known quadratics in T; the infinitesimal Lagrangian strain of an orthogonal
    // cell is then e11 = a/a_ref - 1 exactly, so the fitted alpha_11(T) must be a'(T) / a_ref.
    const double t0 = 100.0;
    const auto a = [&](double t) { return 6.0 * (1.0 + 3.0e-5 * (t - t0) + 4.0e-8 * (t - t0) * (t - t0)); };
    const auto b = [&](double t) { return 8.0 * (1.0 - 1.0e-5 * (t - t0) + 2.0e-8 * (t - t0) * (t - t0)); };
    const auto c = [&](double t) { return 9.0 * (1.0 + 5.0e-5 * (t - t0)); };
    const auto da = [&](double t) { return 6.0 * (3.0e-5 + 8.0e-8 * (t - t0)) / a(t0); };
    const auto db = [&](double t) { return 8.0 * (-1.0e-5 + 4.0e-8 * (t - t0)) / b(t0); };
    const double dc = 9.0 * 5.0e-5 / c(t0);

    Series series;
    series.crystalSystem = CrystalSystem::orthorhombic;
    for (double t = t0; t <= 400.0; t += 25.0) series.points.push_back(orthorhombicPoint(t, a(t), b(t), c(t), 2e-4f, false));
    FitOptions options;
    options.run.strainType = StrainType::infinitesimalLagrangian;
    options.order = 2;
    options.at = {237.5};
    const FitResult result = fitSeries(series, options);
    ASSERT_TRUE(result.status.ok);
    ASSERT_TRUE(result.tensor && result.tensor->status.ok) << result.tensor->status.text;
    ASSERT_EQ(result.tensor->at().size(), series.points.size() + 1);
    for (const TensorAt& at : result.tensor->at()) {
        // Single-precision cells carry about 1e-7 of rounding; over 300 K that is a few 1e-9 per K.
        EXPECT_NEAR(at.tensor(1, 1), da(at.x), 5e-9) << "T = " << at.x;
        EXPECT_NEAR(at.tensor(2, 2), db(at.x), 5e-9) << "T = " << at.x;
        EXPECT_NEAR(at.tensor(3, 3), dc, 5e-9) << "T = " << at.x;
        EXPECT_NEAR(at.tensor(1, 2), 0.0, 1e-12);
        // Orthorhombic: the principal axes are X, Y, Z, along a, b, c.
        EXPECT_DOUBLE_EQ(at.principal[0].value, at.tensor(1, 1));
        EXPECT_NEAR(at.principal[0].toAbc[0], 0.0f, 1e-3f);
        EXPECT_NEAR(at.principal[2].uvw[2], 1.0, 1e-6);
        EXPECT_GT(at.esd(1, 1), 0.0);
    }
    EXPECT_FALSE(result.tensor->at().back().measured);
    // The linear coefficient of c is its (constant) relative slope.
    EXPECT_NEAR(result.linear->c.coefficient, dc, 5e-9);
}

// A cubic crystal compressed along a known BM3 equation of state, P and a with noise of their esds.
struct Bm3Truth {
    double v0 = 74.7;
    double k0 = 160.0;
    double kp = 4.6;
};

Series bm3Series(const Bm3Truth& truth, int points) {
    const auto pressure = [&](double v) {
        const double f = 0.5 * (std::pow(truth.v0 / v, 2.0 / 3.0) - 1.0);
        return 3.0 * truth.k0 * f * std::pow(1.0 + 2.0 * f, 2.5) * (1.0 + 1.5 * (truth.kp - 4.0) * f);
    };
    Noise noise;
    Series series;
    series.crystalSystem = CrystalSystem::cubic;
    series.pressureRun = true;
    for (int i = 0; i < points; ++i) {
        const double v = truth.v0 * (1.0 - 0.16 * i / (points - 1));
        const double sigA = 2e-4, sigP = 0.02;
        DataPoint d = orthorhombicPoint(pressure(v) + sigP * noise.next(), 0, 0, 0, static_cast<float>(sigA), true);
        d.sigP = static_cast<float>(sigP);
        d.cell.a = d.cell.b = d.cell.c = static_cast<float>(std::cbrt(v) + sigA * noise.next());
        series.points.push_back(d);
    }
    return series;
}

TEST(EquationOfState, DataFromAKnownBm3GiveItsParametersBack) {
    const Bm3Truth truth;
    const Series series = bm3Series(truth, 15);
    const EosData volume = eosDataOf(series, EosQuantity::volume);
    const EosFit bm3 = fitEquationOfState(EosModel::BM3, volume, FitWeights::esd);
    ASSERT_TRUE(bm3.status.ok) << bm3.status.text;
    EXPECT_NEAR(bm3.v0.value, truth.v0, 3.0 * *bm3.v0.esd);
    EXPECT_NEAR(bm3.k0.value, truth.k0, 3.0 * *bm3.k0.esd);
    EXPECT_NEAR(bm3.kp.value, truth.kp, 3.0 * *bm3.kp.esd);
    EXPECT_LT(*bm3.k0.esd, 0.05 * truth.k0);  // esds that mean something
    EXPECT_EQ(bm3.dof, 12);
    // Noise of the size of the esds: chi2 / dof near 1.
    EXPECT_GT(bm3.chi2 / bm3.dof, 0.2);
    EXPECT_LT(bm3.chi2 / bm3.dof, 3.0);
    // K'' is fixed at the value BM3 implies, -[(3 - K')(4 - K') + 35/9] / K0, with no esd.
    EXPECT_FALSE(bm3.kpp.esd);
    const double kp = bm3.kp.value;
    EXPECT_NEAR(bm3.kpp.value, -((3.0 - kp) * (4.0 - kp) + 35.0 / 9.0) / bm3.k0.value, 1e-6 * std::fabs(bm3.kpp.value));
    // The curve: P at V0 is 0, and V at a pressure inverts P(V).
    EXPECT_NEAR(bm3.pressureAt(bm3.v0.value), 0.0, 1e-12);
    const std::optional<ValueAt> v10 = bm3.volumeAt(10.0);
    ASSERT_TRUE(v10);
    EXPECT_NEAR(bm3.pressureAt(v10->value), 10.0, 1e-9);
    EXPECT_GT(v10->esd, 0.0);
    // The correlation matrix has a unit diagonal.
    ASSERT_EQ(bm3.covariance.size(), 3u);
    for (std::size_t k = 0; k < 3; ++k) EXPECT_NEAR(bm3.covariance.correlation(k, k), 1.0, 1e-12);

    // BM2 fixes K' = 4: its esd is null.
    const EosFit bm2 = fitEquationOfState(EosModel::BM2, volume, FitWeights::esd);
    ASSERT_TRUE(bm2.status.ok);
    EXPECT_EQ(bm2.kp.value, 4.0);
    EXPECT_FALSE(bm2.kp.esd);
    EXPECT_EQ(bm2.parameters.size(), 2u);
}

// What ordinary least squares says of parameters t of y = model(t, x), worked out from the model
// alone (equal weights).
testing_support::LeastSquaresAt ordinaryLeastSquaresAt(const testing_support::Model& model, const std::vector<double>& x,
                                                       const std::vector<double>& y, const std::vector<double>& t) {
    return testing_support::leastSquaresAt(model, x, y, std::vector<double>(x.size(), 1.0), t);
}

void expectOrdinaryLeastSquares(const testing_support::LeastSquaresAt& o, const std::vector<FittedValue>& fitted, double chi2,
                                std::string_view name) {
    EXPECT_NEAR(chi2, o.sumOfSquares, 1e-8 * o.sumOfSquares) << name;
    for (std::size_t j = 0; j < fitted.size(); ++j) {
        // A parameter off its minimum by k esds leaves a cosine of at least k / sqrt(n - p): this
        // finds one off by a few ten-thousandths of its esd.
        EXPECT_LT(std::fabs(o.cosines[j]), 1e-4) << name << " parameter " << j;
        ASSERT_TRUE(fitted[j].esd) << name << " parameter " << j;
        EXPECT_NEAR(*fitted[j].esd, o.esds[j], 1e-4 * o.esds[j]) << name << " parameter " << j;
    }
}

TEST(EquationOfState, EqualWeightsGiveTheOrdinaryLeastSquaresMinimumAndEsds) {
    // --weights none: the parameters of any standard least-squares program, and its esds.
    const Series series = bm3Series(Bm3Truth{}, 15);
    const EosData volume = eosDataOf(series, EosQuantity::volume);
    const auto bm = [](const std::vector<double>& t, double v) {
        const double x = std::cbrt(t[0] / v);  // (V0/V)^(1/3)
        const double kp = t.size() > 2 ? t[2] : 4.0;
        return 1.5 * t[1] * (std::pow(x, 7) - std::pow(x, 5)) * (1.0 + 0.75 * (kp - 4.0) * (x * x - 1.0));
    };
    const auto vinet = [](const std::vector<double>& t, double v) {
        const double eta = std::cbrt(v / t[0]);
        return 3.0 * t[1] * (1.0 - eta) / (eta * eta) * std::exp(1.5 * (t[2] - 1.0) * (1.0 - eta));
    };
    const struct {
        EosModel model;
        std::function<double(const std::vector<double>&, double)> pressure;
    } cases[] = {{EosModel::BM2, bm}, {EosModel::BM3, bm}, {EosModel::Vinet3, vinet}};
    std::optional<EosFit> seed;
    for (const auto& c : cases) {
        // Each after the first seeded from BM2, as a run seeds them.
        const EosFit fit = fitEquationOfState(c.model, volume, FitWeights::none, seed ? &*seed : nullptr);
        ASSERT_TRUE(fit.status.ok) << eosModelName(c.model) << ": " << fit.status.text;
        if (!seed) seed = fit;
        std::vector<FittedValue> fitted = {fit.v0, fit.k0};
        if (c.model != EosModel::BM2) fitted.push_back(fit.kp);
        std::vector<double> t;
        for (const FittedValue& f : fitted) t.push_back(f.value);
        expectOrdinaryLeastSquares(ordinaryLeastSquaresAt(c.pressure, volume.v, volume.p, t), fitted, fit.chi2,
                                   eosModelName(c.model));
    }
}

TEST(EmpiricalFit, EqualWeightsGiveTheOrdinaryLeastSquaresMinimumAndEsds) {
    // A strain along eps0 + lambda (P - Pc)^nu with noise: the law comes back, at the minimum.
    const double eps0 = 0.012, lambda = -0.009, pc = -0.8, nu = 0.55;
    Noise noise;
    std::vector<FitPoint> points;
    std::vector<double> x, y;
    for (int i = 0; i < 24; ++i) {
        const double p = 0.4 * i;
        points.push_back({p, 0.01, eps0 + lambda * std::pow(p - pc, nu) + 2e-5 * noise.next(), 2e-5});
        x.push_back(points.back().x);
        y.push_back(points.back().y);
    }
    const EmpiricalFit fit = fitEmpiricalAxis(points, 1, FitWeights::none);
    ASSERT_TRUE(fit.status.ok) << fit.status.text;
    const std::vector<FittedValue> fitted = {fit.eps0, fit.lambda, fit.pc, fit.nu};
    const std::vector<double> truth = {eps0, lambda, pc, nu};
    for (std::size_t j = 0; j < 4; ++j) EXPECT_NEAR(fitted[j].value, truth[j], 4.0 * *fitted[j].esd) << j;
    const auto law = [](const std::vector<double>& t, double p) { return t[0] + t[1] * std::pow(p - t[2], t[3]); };
    expectOrdinaryLeastSquares(ordinaryLeastSquaresAt(law, x, y, {fit.eps0.value, fit.lambda.value, fit.pc.value, fit.nu.value}),
                               fitted, fit.chi2, "empirical");
    // K = -d(eps)/dP.
    ASSERT_EQ(fit.points.count, points.size());
    EXPECT_NEAR(fit.kAt(5).value, -fit.lambda.value * fit.nu.value * std::pow(2.0 - fit.pc.value, fit.nu.value - 1.0), 1e-12);
}

TEST(EquationOfState, AnEdgeOfACubicCellIsTheVolumeWithLinearModuli) {
    // V = a^3 and sigma(V) = 3 a^2 sigma(a): the edge's fit is the volume's, with x0^3 = V0,
    // M0 = 3 K0 and M' = 3 K', for every model.
    const Series series = bm3Series(Bm3Truth{}, 12);
    for (const EosModel model : {EosModel::BM3, EosModel::Vinet3, EosModel::NS3, EosModel::Murnaghan}) {
        const EosFit v = fitEquationOfState(model, eosDataOf(series, EosQuantity::volume), FitWeights::esd);
        const EosFit a = fitEquationOfState(model, eosDataOf(series, EosQuantity::a), FitWeights::esd);
        ASSERT_TRUE(v.status.ok && a.status.ok) << eosModelName(model);
        // The cell's volume is a^3 rounded to single precision.
        EXPECT_NEAR(std::pow(a.v0.value, 3), v.v0.value, 1e-5 * v.v0.value) << eosModelName(model);
        EXPECT_NEAR(a.k0.value, 3.0 * v.k0.value, 1e-3 * v.k0.value) << eosModelName(model);
        EXPECT_NEAR(a.kp.value, 3.0 * v.kp.value, 1e-3 * v.kp.value) << eosModelName(model);
        EXPECT_NEAR(*a.k0.esd, 3.0 * *v.k0.esd, 1e-2 * *v.k0.esd) << eosModelName(model);
        EXPECT_EQ(a.quantity, EosQuantity::a);
    }
}

TEST(Fits, TooFewPointsOrOneXGiveAReasonAndNoNumbers) {
    Series two;
    two.points = {orthorhombicPoint(100, 5, 6, 7, 0.001f, false), orthorhombicPoint(200, 5.01, 6, 7, 0.001f, false)};
    const FitResult none = fitSeries(two, {});
    EXPECT_FALSE(none.status.ok);
    EXPECT_EQ(none.status.text, "fewer than 3 points");
    EXPECT_FALSE(none.linear);

    // Three points at one pressure: every fit fails with its reason, and says so.
    Series same;
    same.pressureRun = true;
    for (const double a : {5.0, 4.99, 4.98}) same.points.push_back(orthorhombicPoint(2.0, a, 6, 7, 0.001f, true));
    const FitResult result = fitSeries(same, {});
    ASSERT_TRUE(result.status.ok);
    EXPECT_FALSE(result.linear->volume.line.status.ok);
    EXPECT_EQ(result.linear->volume.line.status.text, "all x equal");
    EXPECT_FALSE(result.tensor->status.ok);
    EXPECT_TRUE(result.tensor->at().empty());
    ASSERT_FALSE(result.eos.empty());
    for (const EosFit& fit : result.eos) EXPECT_FALSE(fit.status.ok);
    for (const EmpiricalFit& fit : result.empirical) EXPECT_FALSE(fit.status.ok);
}

TEST(EquationOfState, AFitThatCannotConvergeSaysSoAndHasNoNumbers) {
    // Volumes halving with every unit of P: no Birch-Murnaghan curve comes near them.
    EosData d;
    d.v = {100, 50, 25, 12, 6, 3};
    d.p = {0, 1, 2, 3, 4, 5};
    d.sigV.assign(6, 0.01);
    d.sigP.assign(6, 0.01);
    FitResult result;
    result.status = FitStatus::success();
    result.pressure = true;
    result.eos.push_back(fitEquationOfState(EosModel::BM3, d, FitWeights::esd));
    const EosFit& fit = result.eos.back();
    EXPECT_FALSE(fit.status.ok);
    EXPECT_NE(fit.status.text.find("no convergence"), std::string::npos) << fit.status.text;
    EXPECT_TRUE(std::isnan(fit.pressureAt(50.0)));
    EXPECT_FALSE(fit.volumeAt(1.0));

    // In the JSON: the status, and null for every number (the document parses: no NaN in it).
    // Appended, not "{" + members: GCC 12 takes that for an overlapping copy (-Wrestrict).
    const auto doc = nlohmann::json::parse(std::string("{").append(fitsJsonMembers(result)).append("}"));
    const auto& eos = doc.at("fits").at("eos")[0];
    EXPECT_EQ(eos.at("status"), fit.status.text);
    for (const char* key : {"V0", "V0_esd", "K0", "K0_esd", "Kp", "Kp_esd", "Kpp", "correlation", "chi2", "max_residual"})
        EXPECT_TRUE(eos.at(key).is_null()) << key;
}

TEST(Fits, NoFitsAreNullWithTheirReasonInTheJson) {
    FitResult none;
    none.status = FitStatus::failure("fewer than 3 points");
    // Appended, not "{" + members: GCC 12 takes that for an overlapping copy (-Wrestrict).
    const auto doc = nlohmann::json::parse(std::string("{").append(fitsJsonMembers(none)).append("}"));
    EXPECT_TRUE(doc.at("fits").is_null());
    EXPECT_EQ(doc.at("fits_reason"), "fewer than 3 points");
}

}  // namespace
