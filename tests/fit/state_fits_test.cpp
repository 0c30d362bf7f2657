// The equations of state in T and in P and T, checked against independent truths: series made in
// the test from known V(T) and P(V, T) laws (written out here, not taken from the program) give
// their parameters back; a known thermal pressure has its known slope and limit; a BM3 with K'
// held at 4 is a BM2.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "fit/equation_of_state.hpp"
#include "fit/held_eos.hpp"
#include "fit/pvt_eos.hpp"
#include "fit/thermal_eos.hpp"

namespace {

constexpr double kTref = 298.15;

// --- The laws, written out independently of the program. ---

double bermanV(double v0, double a0, double a1, double t) {
    const double d = t - kTref;
    return v0 * (1.0 + a0 * d + 0.5 * a1 * d * d);
}
double feiV(double v0, double a0, double a1, double a2, double t) {
    return v0 * std::exp(a0 * (t - kTref) + 0.5 * a1 * (t * t - kTref * kTref) - a2 * (1.0 / t - 1.0 / kTref));
}
// Third-order Birch-Murnaghan.
double bm3P(double v, double v0, double k0, double kp) {
    const double f = 0.5 * (std::pow(v0 / v, 2.0 / 3.0) - 1.0);
    return 3.0 * k0 * f * std::pow(1.0 + 2.0 * f, 2.5) * (1.0 + 1.5 * (kp - 4.0) * f);
}
// The Debye energy per atom over kB, by Simpson's rule on 4000 intervals.
double debyeEnergyBySimpson(double t, double theta) {
    const double u = theta / t;
    const int m = 4000;
    const double h = u / m;
    const auto g = [](double x) { return x == 0.0 ? 0.0 : x * x * x / (std::exp(x) - 1.0); };
    double sum = g(0.0) + g(u);
    for (int k = 1; k < m; ++k) sum += (k % 2 ? 4.0 : 2.0) * g(k * h);
    return 9.0 * t * std::pow(t / theta, 3.0) * sum * h / 3.0;
}

ThermalData thermalSeries(const std::function<double(double)>& law) {
    ThermalData d;
    for (double t = 100.0; t <= 1000.0; t += 45.0) {
        d.t.push_back(t);
        d.sigT.push_back(0.5);
        d.tAsRead.push_back(static_cast<float>(t));
        d.v.push_back(law(t));
        d.sigV.push_back(0.01);
    }
    return d;
}

// 48 points: 6 temperatures by 8 volumes, P from the law.
PvtData pvtSeries(const std::function<double(double v, double t)>& law, double v0) {
    PvtData d;
    for (const double t : {300.0, 500.0, 700.0, 900.0, 1100.0, 1300.0})
        for (int k = 0; k < 8; ++k) {
            const double v = v0 * (1.0 - 0.012 * k);
            d.v.push_back(v);
            d.sigV.push_back(0.005);
            d.vAsRead.push_back(static_cast<float>(v));
            d.p.push_back(law(v, t));
            d.sigP.push_back(0.02);
            d.t.push_back(t);
            d.sigT.push_back(2.0);
        }
    return d;
}

void expectParameters(const ParametricFit& fit, const std::map<std::string, double>& truth, double relative) {
    ASSERT_TRUE(fit.status.ok) << fit.status.text;
    for (const auto& [name, value] : truth) {
        const std::optional<FittedValue> got = fit.parameter(name);
        ASSERT_TRUE(got) << name;
        EXPECT_NEAR(got->value, value, relative * std::fabs(value)) << name;
    }
}

TEST(ThermalEos, SeriesFromKnownLawsGiveTheirParametersAndExpansionBack) {
    struct Case {
        ThermalModel model;
        std::map<std::string, double> truth;
        std::function<double(double)> law;
        std::function<double(double)> alpha;  // (1/V) dV/dT of the law, by hand
    };
    const Case cases[] = {
        {ThermalModel::berman, {{"V0", 120.0}, {"a0", 3.1e-5}, {"a1", 1.2e-8}},
         [](double t) { return bermanV(120.0, 3.1e-5, 1.2e-8, t); },
         [](double t) { return 120.0 * (3.1e-5 + 1.2e-8 * (t - kTref)) / bermanV(120.0, 3.1e-5, 1.2e-8, t); }},
        {ThermalModel::fei, {{"V0", 75.0}, {"a0", 2.4e-5}, {"a1", 9.0e-9}, {"a2", -0.35}},
         [](double t) { return feiV(75.0, 2.4e-5, 9.0e-9, -0.35, t); },
         [](double t) { return 2.4e-5 + 9.0e-9 * t - 0.35 / (t * t); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(thermalModelName(c.model)));
        const ThermalFit fit = fitThermal(c.model, thermalSeries(c.law), kTref, FitWeights::esd, {}, {450.0}, "K");
        expectParameters(fit.fit, c.truth, 1e-5);
        ASSERT_FALSE(fit.alpha.empty());
        for (const ValueAt& a : fit.alpha) EXPECT_NEAR(a.value, c.alpha(a.x), 1e-4 * std::fabs(c.alpha(a.x))) << a.x;
        EXPECT_EQ(fit.alpha.back().x, 450.0);  // the T asked for comes last
        EXPECT_NEAR(fit.volumeAt(650.0), c.law(650.0), 1e-9 * c.law(650.0));
    }
}

TEST(ThermalEos, AFixedParameterKeepsItsValueHasNoEsdAndLeavesTheDegreeOfFreedom) {
    const ThermalData d = thermalSeries([](double t) { return bermanV(50.0, 4e-5, 0.0, t); });
    const ThermalFit free = fitThermal(ThermalModel::berman, d, kTref, FitWeights::esd, {}, {}, "K");
    const ThermalFit held = fitThermal(ThermalModel::berman, d, kTref, FitWeights::esd, {{"a1", 0.0}}, {}, "K");
    ASSERT_TRUE(free.fit.status.ok && held.fit.status.ok);
    EXPECT_EQ(held.fit.parameter("a1")->value, 0.0);
    EXPECT_FALSE(held.fit.parameter("a1")->esd);
    EXPECT_EQ(held.fit.dof, free.fit.dof + 1);
    EXPECT_EQ(held.fit.covariance.size(), 2u);
    EXPECT_NEAR(held.fit.parameter("a0")->value, 4e-5, 1e-10);
}

TEST(ThermalEos, TemperaturesInCelsiusAreTakenInKelvin) {
    EXPECT_DOUBLE_EQ(kelvinOf(25.0, "\xc2\xb0" "C"), 298.15);
    EXPECT_DOUBLE_EQ(kelvinOf(25.0, "K"), 25.0);
}

TEST(ThermalEos, TheFeiFormRefusesTemperaturesAtOrBelowZeroKelvin) {
    ThermalData d = thermalSeries([](double t) { return feiV(75.0, 2e-5, 0.0, 0.0, t); });
    d.t[2] = 0.0;
    const ThermalFit fit = fitThermal(ThermalModel::fei, d, kTref, FitWeights::esd, {}, {}, "K");
    EXPECT_FALSE(fit.fit.status.ok);
    EXPECT_NE(fit.fit.status.text.find("data point 3"), std::string::npos) << fit.fit.status.text;
    EXPECT_NE(fit.fit.status.text.find("0 K"), std::string::npos);
}

TEST(PvtEos, SeriesFromKnownLawsOfEachCouplingGiveTheirParametersBack) {
    const double v0 = 60.0, k0 = 160.0, kp = 4.6;
    const double atoms = 10.0;
    struct Case {
        PvtModel model;
        std::map<std::string, double> truth;
        std::function<double(double, double)> law;
    };
    const Case cases[] = {
        {{EosModel::BM3, ThermalCoupling::berman},
         {{"V0", v0}, {"K0", k0}, {"Kp", kp}, {"dKdT", -0.02}, {"a0", 2.8e-5}, {"a1", 1.0e-8}},
         [&](double v, double t) { return bm3P(v, bermanV(v0, 2.8e-5, 1.0e-8, t), k0 - 0.02 * (t - kTref), kp); }},
        {{EosModel::BM3, ThermalCoupling::fei},
         {{"V0", v0}, {"K0", k0}, {"Kp", kp}, {"dKdT", -0.018}, {"a0", 2.5e-5}, {"a1", 8.0e-9}, {"a2", -0.4}},
         [&](double v, double t) { return bm3P(v, feiV(v0, 2.5e-5, 8.0e-9, -0.4, t), k0 - 0.018 * (t - kTref), kp); }},
        {{EosModel::BM3, ThermalCoupling::hp},
         {{"V0", v0}, {"K0", k0}, {"Kp", kp}, {"alpha0", 3.0e-5}, {"thetaE", 480.0}},
         [&](double v, double t) {
             const double u0 = 480.0 / kTref;
             const double xi0 = u0 * u0 * std::exp(u0) / std::pow(std::exp(u0) - 1.0, 2.0);
             return bm3P(v, v0, k0, kp) +
                    3.0e-5 * k0 * 480.0 / xi0 * (1.0 / (std::exp(480.0 / t) - 1.0) - 1.0 / (std::exp(u0) - 1.0));
         }},
        {{EosModel::BM3, ThermalCoupling::mgd},
         {{"V0", v0}, {"K0", k0}, {"Kp", kp}, {"thetaD0", 700.0}, {"gamma0", 1.5}, {"q", 1.2}},
         [&](double v, double t) {
             const double gamma = 1.5 * std::pow(v / v0, 1.2);
             const double theta = 700.0 * std::exp((1.5 - gamma) / 1.2);
             // 9 N kB, kB in GPa A^3 per K: 1.380649e-23 J/K times 1e21 GPa per J/A^3.
             const double nkb = atoms * 1.380649e-2;
             return bm3P(v, v0, k0, kp) + gamma / v * nkb * (debyeEnergyBySimpson(t, theta) - debyeEnergyBySimpson(kTref, theta));
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(pvtModelName(c.model));
        const PvtData d = pvtSeries(c.law, v0);
        PvtConstants constants;
        constants.atoms = atoms;
        const PvtFit fit = fitPvt(c.model, d, kTref, FitWeights::esd, {}, constants, std::nullopt, {{5.0, 800.0}}, "K");
        expectParameters(fit.fit, c.truth, 1e-4);
        EXPECT_EQ(fit.fit.dof, 48 - static_cast<int>(c.truth.size()));
        // V at (5, 800) is where the law gives P = 5: found here by bisection on the law itself.
        double lo = 0.8 * v0, hi = 1.2 * v0;
        for (int k = 0; k < 200; ++k) (c.law(0.5 * (lo + hi), 800.0) > 5.0 ? lo : hi) = 0.5 * (lo + hi);
        ASSERT_EQ(fit.at.size(), 1u);
        ASSERT_TRUE(fit.at[0].ok);
        EXPECT_NEAR(fit.at[0].v, 0.5 * (lo + hi), 1e-6 * v0);
        // K = -V dP/dV and alpha = (dP/dT)_V / K, by differences on the law.
        const double v = 0.5 * (lo + hi), h = 1e-4 * v;
        const double k = -v * (c.law(v + h, 800.0) - c.law(v - h, 800.0)) / (2.0 * h);
        const double alpha = (c.law(v, 800.1) - c.law(v, 799.9)) / 0.2 / k;
        EXPECT_NEAR(fit.at[0].k, k, 1e-4 * k);
        EXPECT_NEAR(fit.at[0].alpha, alpha, 1e-3 * alpha);
        EXPECT_GT(fit.at[0].vEsd, 0.0);
    }
}

TEST(PvtEos, TheThermalPressuresHaveTheirKnownSlopeAndLimit) {
    // Holland and Powell: (dP/dT)_V = alpha0 K0 at Tref, whatever thetaE.
    const PvtModel hp{EosModel::BM3, ThermalCoupling::hp};
    for (const double thetaE : {200.0, 500.0, 1200.0}) {
        const std::vector<double> p = {50.0, 100.0, 4.0, 2e-5, thetaE};
        const double slope = (pvtPressure(hp, p, 50.0, kTref + 0.01, kTref, {}) - pvtPressure(hp, p, 50.0, kTref - 0.01, kTref, {})) / 0.02;
        EXPECT_NEAR(slope, 2e-5 * 100.0, 1e-8) << thetaE;
    }
    // Mie-Grueneisen-Debye: far above thetaD the energy is classical, so (dP/dT)_V = 3 N kB gamma / V.
    const PvtModel mgd{EosModel::BM3, ThermalCoupling::mgd};
    PvtConstants constants;
    constants.atoms = 6.0;
    const std::vector<double> p = {50.0, 100.0, 4.0, 100.0, 1.4, 1.0};
    const double t = 20000.0;
    const double slope = (pvtPressure(mgd, p, 50.0, t + 1.0, kTref, constants) - pvtPressure(mgd, p, 50.0, t - 1.0, kTref, constants)) / 2.0;
    EXPECT_NEAR(slope, 3.0 * 6.0 * 1.380649e-2 * 1.4 / 50.0, 1e-5 * slope);
    // At Tref every thermal pressure vanishes: P is the isothermal equation of state's.
    for (const auto& [model, params] : std::vector<std::pair<PvtModel, std::vector<double>>>{
             {hp, {50.0, 100.0, 4.0, 2e-5, 500.0}}, {mgd, p}}) {
        EXPECT_NEAR(pvtPressure(model, params, 45.0, kTref, kTref, constants), bm3P(45.0, 50.0, 100.0, 4.0), 1e-12);
    }
}

TEST(PvtEos, TemperaturesAtOrBelowZeroKelvinAreRefusedByTheEinsteinAndDebyeTerms) {
    PvtData d = pvtSeries([](double v, double t) { return bm3P(v, 60.0, 160.0, 4.0) + 0.003 * (t - kTref); }, 60.0);
    d.t[5] = -3.0;
    PvtConstants constants;
    constants.atoms = 3.0;
    for (const ThermalCoupling c : {ThermalCoupling::hp, ThermalCoupling::mgd, ThermalCoupling::fei}) {
        const PvtFit fit = fitPvt(PvtModel{EosModel::BM3, c}, d, kTref, FitWeights::esd, {}, constants, std::nullopt, {}, "K");
        EXPECT_FALSE(fit.fit.status.ok);
        EXPECT_NE(fit.fit.status.text.find("data point 6"), std::string::npos) << fit.fit.status.text;
    }
    const PvtFit noAtoms = fitPvt(PvtModel{EosModel::BM3, ThermalCoupling::mgd}, pvtSeries([](double v, double) { return bm3P(v, 60.0, 160.0, 4.0); }, 60.0),
                                  kTref, FitWeights::esd, {}, {}, std::nullopt, {}, "K");
    EXPECT_NE(noAtoms.fit.status.text.find("--atoms"), std::string::npos) << noAtoms.fit.status.text;
}

TEST(PvtEos, ABm3WithKpHeldAtFourIsABm2) {
    const PvtData d = pvtSeries([](double v, double t) { return bm3P(v, bermanV(60.0, 3e-5, 0.0, t), 150.0 - 0.02 * (t - kTref), 4.4) + 0.01 * std::sin(v * t); }, 60.0);
    const PvtFit bm2 = fitPvt(PvtModel{EosModel::BM2, ThermalCoupling::berman}, d, kTref, FitWeights::esd, {}, {}, std::nullopt, {}, "K");
    const PvtFit held = fitPvt(PvtModel{EosModel::BM3, ThermalCoupling::berman}, d, kTref, FitWeights::esd, {{"Kp", 4.0}}, {}, std::nullopt, {}, "K");
    ASSERT_TRUE(bm2.fit.status.ok && held.fit.status.ok);
    EXPECT_EQ(bm2.fit.dof, held.fit.dof);
    EXPECT_NEAR(bm2.fit.chi2, held.fit.chi2, 1e-6 * bm2.fit.chi2);
    for (const char* name : {"V0", "K0", "dKdT", "a0", "a1"}) {
        EXPECT_NEAR(bm2.fit.parameter(name)->value, held.fit.parameter(name)->value, 1e-6 * std::fabs(bm2.fit.parameter(name)->value)) << name;
        EXPECT_NEAR(*bm2.fit.parameter(name)->esd, *held.fit.parameter(name)->esd, 1e-4 * *bm2.fit.parameter(name)->esd) << name;
    }
}

TEST(PvtEos, APcShiftsThePressureThatIsFitted) {
    const double pc = 2.0;
    const PvtData d = pvtSeries([&](double v, double t) { return pc + bm3P(v, bermanV(60.0, 3e-5, 0.0, t), 150.0, 4.0); }, 60.0);
    const PvtFit fit = fitPvt(PvtModel{EosModel::BM3, ThermalCoupling::berman}, d, kTref, FitWeights::esd, {{"a1", 0.0}, {"dKdT", 0.0}}, {}, pc, {}, "K");
    expectParameters(fit.fit, {{"V0", 60.0}, {"K0", 150.0}, {"Kp", 4.0}, {"a0", 3e-5}}, 1e-5);
}

TEST(PvtEos, NamesReadInAnyCaseAndUnknownOnesAreNone) {
    const struct {
        const char* name;
        std::optional<PvtModel> model;
    } cases[] = {{"bm3-berman", PvtModel{EosModel::BM3, ThermalCoupling::berman}},
                 {"Vinet3-FEI", PvtModel{EosModel::Vinet3, ThermalCoupling::fei}},
                 {"bm2-hp", PvtModel{EosModel::BM2, ThermalCoupling::hp}},
                 {"ns3-mgd", PvtModel{EosModel::NS3, ThermalCoupling::mgd}},
                 {"bm3", std::nullopt},
                 {"bm7-berman", std::nullopt},
                 {"bm3-einstein", std::nullopt}};
    for (const auto& c : cases) {
        EXPECT_EQ(pvtModelNamed(c.name), c.model) << c.name;
        if (c.model) {
            EXPECT_EQ(pvtModelNamed(pvtModelName(*c.model)), c.model);
        }
    }
}

}  // namespace

namespace {

TEST(HeldEos, ABm3WithKpHeldAtFourGivesTheBm2OfTheSameData) {
    // Volumes against P from a BM3 with K' = 4.7, with a little scatter of their own.
    EosData d;
    for (int k = 0; k < 15; ++k) {
        const double v = 160.0 * (1.0 - 0.015 * k);
        d.v.push_back(v);
        d.sigV.push_back(0.02);
        d.p.push_back(bm3P(v, 160.0, 90.0, 4.7) + 0.01 * std::cos(3.0 * k));
        d.sigP.push_back(0.03);
    }
    const EosFit bm2 = fitEquationOfState(EosModel::BM2, d, FitWeights::esd);
    const EosFit bm3 = fitEquationOfState(EosModel::BM3, d, FitWeights::esd);
    const EosFit held = fitHeldEquationOfState(EosModel::BM3, d, FitWeights::esd, {{"Kp", 4.0}}, bm3);
    ASSERT_TRUE(bm2.status.ok && held.status.ok) << held.status.text;
    EXPECT_EQ(held.parameters, (std::vector<std::string>{"V0", "K0"}));
    EXPECT_EQ(held.dof, bm2.dof);
    EXPECT_EQ(held.kp.value, 4.0);
    EXPECT_FALSE(held.kp.esd);
    EXPECT_NEAR(held.v0.value, bm2.v0.value, 1e-7 * bm2.v0.value);
    EXPECT_NEAR(held.k0.value, bm2.k0.value, 1e-6 * bm2.k0.value);
    EXPECT_NEAR(*held.k0.esd, *bm2.k0.esd, 1e-3 * *bm2.k0.esd);
    EXPECT_NEAR(held.chi2, bm2.chi2, 1e-6 * bm2.chi2);
    EXPECT_NEAR(held.kpp.value, bm2.kpp.value, 1e-9);
    // The P band of the held fit is the BM2's.
    EXPECT_NEAR(held.pressureEsdAt(150.0), bm2.pressureEsdAt(150.0), 1e-3 * bm2.pressureEsdAt(150.0));
    // A held V0 stays out of the covariance.
    const EosFit heldV0 = fitHeldEquationOfState(EosModel::BM3, d, FitWeights::esd, {{"V0", 160.0}}, bm3);
    ASSERT_TRUE(heldV0.status.ok);
    EXPECT_EQ(heldV0.parameters, (std::vector<std::string>{"K0", "Kp"}));
    EXPECT_NEAR(heldV0.kp.value, 4.7, 0.05);
    EXPECT_GT(heldV0.pressureEsdAt(150.0), 0.0);
}

}  // namespace
