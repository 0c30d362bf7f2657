// The parameters a weighted fit reports are a minimum of its own weights: the effective-variance
// weights worked out here from the reported parameters and the model alone give a weighted least
// squares whose Gauss-Newton step from them (one more weighting pass) moves no parameter by more
// than a thousandth of its esd, and whose esds are the ones reported.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <string>
#include <vector>

#include "example_series.hpp"
#include "least_squares.hpp"
#include "fit/equation_of_state.hpp"
#include "fit/fit_series.hpp"

namespace {

using testing_support::LeastSquaresAt;
using testing_support::Model;

struct Observations {
    std::vector<double> x, sigX, y, sigY;
};

// One more weighting pass from parameters t: the Gauss-Newton step with the weights w, and the esds.
LeastSquaresAt nextPass(const Model& model, const Observations& o, const std::vector<double>& w, const std::vector<double>& t,
                        const std::vector<std::size_t>& free) {
    return testing_support::leastSquaresAt(model, o.x, o.y, w, t, free);
}

// 1 / (sigY^2 + (slope sigX)^2) at each point, the slope as the model's fit gives it.
std::vector<double> weightsOf(const Observations& o, const std::function<double(std::size_t)>& slope) {
    std::vector<double> w;
    for (std::size_t i = 0; i < o.x.size(); ++i) {
        const double s = slope(i) * o.sigX[i];
        const double variance = o.sigY[i] * o.sigY[i] + s * s;
        EXPECT_GT(variance, 0.0);
        w.push_back(1.0 / variance);
    }
    return w;
}

void expectMinimum(const LeastSquaresAt& next, const std::vector<FittedValue>& reported, const std::vector<std::size_t>& free,
                   const std::string& name) {
    for (std::size_t k = 0; k < free.size(); ++k) {
        const FittedValue& v = reported[free[k]];
        ASSERT_TRUE(v.esd) << name << " parameter " << free[k];
        EXPECT_LE(std::fabs(next.step[k]), 1e-3 * next.esds[k]) << name << " parameter " << free[k];
        EXPECT_NEAR(*v.esd, next.esds[k], 1e-2 * next.esds[k]) << name << " parameter " << free[k];
    }
}

const std::filesystem::path kExamples = std::filesystem::path(TENZIO_SOURCE_DIR) / "examples";

TEST(WeightedMinimum, TheEmpiricalLawOfEveryAxisIsAtTheMinimumOfItsOwnWeights) {
    // eps0 + lambda (P - Pc)^nu; the slope of a point over its own esd of P, from Pc at most.
    const Model law = [](const std::vector<double>& t, double p) { return t[0] + t[1] * std::pow(p - t[2], t[3]); };
    // The Ag3Co(CN)6 series (sigma P = 1 GPa, no cell esds), whose c axis (axis 3) expands under P
    // and whose minimum lies on Pc = the lowest P; the c axis of stishovite, also on that bound.
    const struct {
        const char* file;
        std::vector<int> axes;
    } cases[] = {{"Ag3CoCN6_monoclinic_P.dat", {1, 2, 3}}, {"stishovite_tetragonal_P.dat", {3}}};
    int onBound = 0;
    for (const auto& c : cases) {
        const FitResult result = fitSeries(testing_support::readExample({kExamples / c.file}), {});
        for (const int axis : c.axes) {
            const std::string name = std::string(c.file) + " axis " + std::to_string(axis);
            const EmpiricalFit& fit = result.empirical[static_cast<std::size_t>(axis - 1)];
            ASSERT_TRUE(fit.status.ok) << name << ": " << fit.status.text;
            Observations o;
            for (const StrainOnAxes& s : result.axes->points) {
                o.x.push_back(s.x);
                o.sigX.push_back(s.sigX);
                o.y.push_back(s.value[static_cast<std::size_t>(axis - 1)]);
                o.sigY.push_back(s.esd[static_cast<std::size_t>(axis - 1)]);
            }
            const std::vector<double> t = {fit.eps0.value, fit.lambda.value, fit.pc.value, fit.nu.value};
            const std::vector<double> w = weightsOf(o, [&](std::size_t i) {
                if (!(o.sigX[i] > 0.0)) return 0.0;
                const double lo = std::max(o.x[i] - o.sigX[i], t[2]), hi = o.x[i] + o.sigX[i];
                return (law(t, hi) - law(t, lo)) / (hi - lo);
            });
            // Pc on its bound (the lowest P) is held there: no esd.
            const bool bound = !fit.pc.esd;
            if (bound) {
                ++onBound;
                EXPECT_EQ(fit.pc.value, o.x.front()) << name;
                EXPECT_EQ(fit.dof, static_cast<int>(o.x.size()) - 3) << name;
            }
            const std::vector<std::size_t> free = bound ? std::vector<std::size_t>{0, 1, 3} : std::vector<std::size_t>{0, 1, 2, 3};
            expectMinimum(nextPass(law, o, w, t, free), {fit.eps0, fit.lambda, fit.pc, fit.nu}, free, name);
        }
    }
    EXPECT_GE(onBound, 1);
}

TEST(WeightedMinimum, EquationsOfStateAreAtTheMinimumOfTheirOwnWeights) {
    // BM3 and Vinet3 in P(V), and BM3 of an edge x with x^3 for V and the linear moduli M = 3K.
    const auto bm3 = [](double v, double v0, double k0, double kp) {
        const double x = std::cbrt(v0 / v);
        return 1.5 * k0 * (std::pow(x, 7) - std::pow(x, 5)) * (1.0 + 0.75 * (kp - 4.0) * (x * x - 1.0));
    };
    const auto vinet = [](double v, double v0, double k0, double kp) {
        const double eta = std::cbrt(v / v0);
        return 3.0 * k0 * (1.0 - eta) / (eta * eta) * std::exp(1.5 * (kp - 1.0) * (1.0 - eta));
    };
    const Model bm3Volume = [&](const std::vector<double>& t, double v) { return bm3(v, t[0], t[1], t[2]); };
    const Model vinetVolume = [&](const std::vector<double>& t, double v) { return vinet(v, t[0], t[1], t[2]); };
    const Model bm3Edge = [&](const std::vector<double>& t, double x) {
        return bm3(x * x * x, t[0] * t[0] * t[0], t[1] / 3.0, t[2] / 3.0);
    };
    const Series series = testing_support::readExample({kExamples / "stishovite_tetragonal_P.dat"});
    const FitResult result = fitSeries(series, {});
    const struct {
        EosModel model;
        EosQuantity quantity;
        const Model& pressure;
    } cases[] = {{EosModel::BM3, EosQuantity::volume, bm3Volume},
                 {EosModel::Vinet3, EosQuantity::volume, vinetVolume},
                 {EosModel::BM3, EosQuantity::c, bm3Edge}};
    for (const auto& c : cases) {
        const auto fit = std::find_if(result.eos.begin(), result.eos.end(),
                                      [&](const EosFit& f) { return f.model == c.model && f.quantity == c.quantity; });
        ASSERT_NE(fit, result.eos.end());
        const std::string name = std::string(eosModelName(c.model)) + " " + std::string(eosQuantityName(c.quantity));
        ASSERT_TRUE(fit->status.ok) << name << ": " << fit->status.text;
        // Residuals in P: y is P, x the volume or edge, whose esd enters through dP/dV.
        const EosData d = eosDataOf(series, c.quantity);
        const Observations o{d.v, d.sigV, d.p, d.sigP};
        const std::vector<double> t = {fit->v0.value, fit->k0.value, fit->kp.value};
        const std::vector<double> w = weightsOf(o, [&](std::size_t i) {
            const double h = 1e-6 * o.x[i];
            return (c.pressure(t, o.x[i] + h) - c.pressure(t, o.x[i] - h)) / (2.0 * h);
        });
        expectMinimum(nextPass(c.pressure, o, w, t, {0, 1, 2}), {fit->v0, fit->k0, fit->kp}, {0, 1, 2}, name);
        // Each residual in esds is (P_obs - P_calc) / sigma with these weights.
        const ResidualList residuals = fit->residuals();
        ASSERT_EQ(residuals.size(), o.x.size());
        for (std::size_t i = 0; i < o.x.size(); ++i)
            EXPECT_NEAR(residuals[i].weighted, (o.y[i] - c.pressure(t, o.x[i])) * std::sqrt(w[i]), 1e-3) << name << " " << i;
    }
}

}  // namespace
