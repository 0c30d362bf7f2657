#include "fit/pvt_eos.hpp"

#include <algorithm>
#include <cmath>
#include <limits>

#include "LIBRARIES/text/text.hpp"
#include "fit/debye.hpp"
#include "fit/eos_models.hpp"
#include "fit/thermal_eos.hpp"

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
// N kB in GPa A^3 per kelvin for one atom: 1.380649e-23 J/K, 1 J/A^3 = 1e21 GPa.
constexpr double kBoltzmannGpaA3 = 1.380649e-2;

constexpr std::pair<ThermalCoupling, std::string_view> kCouplings[] = {
    {ThermalCoupling::berman, "berman"}, {ThermalCoupling::fei, "fei"}, {ThermalCoupling::hp, "hp"}, {ThermalCoupling::mgd, "mgd"}};

std::size_t isothermalCount(const PvtModel& m) { return static_cast<std::size_t>(freeParameterCount(m.isothermal)); }

// The Einstein thermal pressure of Holland and Powell, per alpha0 K0.
double einsteinTerm(double thetaE, double t, double tref) {
    const double u0 = thetaE / tref;
    const double e0 = std::expm1(u0);
    const double xi0 = u0 * u0 * (e0 + 1.0) / (e0 * e0);
    return thetaE / xi0 * (1.0 / std::expm1(thetaE / t) - 1.0 / e0);
}

// The Grueneisen parameter and the Debye temperature at V.
struct GrueneisenState {
    double gamma;
    double theta;
};
GrueneisenState grueneisen(double v, double v0, double thetaD0, double gamma0, double q) {
    const double ratio = v / v0;
    const double gamma = gamma0 * std::pow(ratio, q);
    // (gamma0 - gamma)/q tends to -gamma0 ln(V/V0) as q goes to 0.
    const double exponent = std::fabs(q) > 1e-12 ? (gamma0 - gamma) / q : -gamma0 * std::log(ratio);
    return {gamma, thetaD0 * std::exp(exponent)};
}

}  // namespace

std::string pvtModelName(const PvtModel& model) {
    std::string name = lowered(eosModelName(model.isothermal));
    for (const auto& [c, text] : kCouplings)
        if (c == model.coupling) name.append("-").append(text);
    return name;
}

std::optional<PvtModel> pvtModelNamed(std::string_view name) {
    const std::size_t dash = name.rfind('-');
    if (dash == std::string_view::npos) return std::nullopt;
    const std::optional<EosModel> isothermal = eosModelNamed(trimmed(name.substr(0, dash)));
    if (!isothermal) return std::nullopt;
    const std::string coupling = lowered(trimmed(name.substr(dash + 1)));
    for (const auto& [c, text] : kCouplings)
        if (coupling == text) return PvtModel{*isothermal, c};
    return std::nullopt;
}

std::vector<PvtModel> defaultPvtModels() { return {PvtModel{EosModel::BM3, ThermalCoupling::berman}}; }

std::string knownCouplingList() { return "berman, fei, hp, mgd"; }

std::vector<std::string> pvtParameterNames(const PvtModel& model) {
    std::vector<std::string> names = eosParameterNames(model.isothermal, false);
    switch (model.coupling) {
        case ThermalCoupling::berman: names.insert(names.end(), {"dKdT", "a0", "a1"}); break;
        case ThermalCoupling::fei: names.insert(names.end(), {"dKdT", "a0", "a1", "a2"}); break;
        case ThermalCoupling::hp: names.insert(names.end(), {"alpha0", "thetaE"}); break;
        case ThermalCoupling::mgd: names.insert(names.end(), {"thetaD0", "gamma0", "q"}); break;
    }
    return names;
}

double pvtPressure(const PvtModel& model, const std::vector<double>& p, double v, double t, double tref,
                   const PvtConstants& constants) {
    const std::size_t ni = isothermalCount(model);
    EosParameters e = eosParameters(model.isothermal, std::vector<double>(p.begin(), p.begin() + static_cast<std::ptrdiff_t>(ni)));
    const double* c = p.data() + ni;  // the coupling's parameters
    if (!(e.v0 > 0.0) || !(e.k0 > 0.0) || !(v > 0.0)) return kNaN;
    switch (model.coupling) {
        case ThermalCoupling::berman:
        case ThermalCoupling::fei: {
            const ThermalModel thermal = model.coupling == ThermalCoupling::fei ? ThermalModel::fei : ThermalModel::berman;
            const double factor = thermalFactor(thermal, c[1], c[2], thermal == ThermalModel::fei ? c[3] : 0.0, t, tref);
            if (!(factor > 0.0)) return kNaN;
            e.v0 *= factor;
            e.k0 += c[0] * (t - tref);
            if (!(e.k0 > 0.0)) return kNaN;
            return eosPressure(model.isothermal, v, e);
        }
        case ThermalCoupling::hp: {
            if (!(c[1] > 0.0) || !(t > 0.0)) return kNaN;
            return eosPressure(model.isothermal, v, e) + c[0] * e.k0 * einsteinTerm(c[1], t, tref);
        }
        case ThermalCoupling::mgd: {
            if (!(c[0] > 0.0) || !(t > 0.0) || !(constants.atoms > 0.0)) return kNaN;
            const GrueneisenState g = grueneisen(v, e.v0, c[0], c[1], c[2]);
            const double energy = debyeEnergy(t, g.theta) - debyeEnergy(tref, g.theta);
            const double thermal = g.gamma / v * constants.atoms * kBoltzmannGpaA3 * energy / constants.gigapascalsPerUnit;
            return eosPressure(model.isothermal, v, e) + thermal;
        }
    }
    return kNaN;
}

PvtAt pvtStateAt(const PvtModel& model, const std::vector<double>& parameters, double p, double t, double tref,
                 const PvtConstants& constants) {
    PvtAt s;
    s.p = p;
    s.t = t;
    const auto pressure = [&](double v) { return pvtPressure(model, parameters, v, t, tref, constants); };
    // P falls as V rises: bracket the root from V0 outwards, then bisect.
    double lo = parameters[0], hi = parameters[0];
    for (int k = 0; k < 80 && !(pressure(lo) >= p); ++k) lo *= 0.95;
    for (int k = 0; k < 80 && !(pressure(hi) <= p); ++k) hi *= 1.05;
    if (!(pressure(lo) >= p) || !(pressure(hi) <= p)) return s;
    for (int k = 0; k < 200 && hi - lo > 1e-14 * hi; ++k) {
        const double mid = 0.5 * (lo + hi);
        (pressure(mid) >= p ? lo : hi) = mid;
    }
    const double v = 0.5 * (lo + hi);
    // K = -V dP/dV; K' = dK/dP along the isotherm; alpha = (dP/dT)_V / K.
    const auto modulus = [&](double at) {
        const double h = 1e-5 * at;
        return -at * (pressure(at + h) - pressure(at - h)) / (2.0 * h);
    };
    const double h = 1e-3 * v;
    const double ht = 1e-4 * std::max(t, 1.0);
    const double dpdt = (pvtPressure(model, parameters, v, t + ht, tref, constants) -
                         pvtPressure(model, parameters, v, t - ht, tref, constants)) / (2.0 * ht);
    s.v = v;
    s.k = modulus(v);
    s.kp = (modulus(v + h) - modulus(v - h)) / (pressure(v + h) - pressure(v - h));
    s.alpha = dpdt / s.k;
    s.ok = std::isfinite(s.v) && std::isfinite(s.k) && std::isfinite(s.alpha);
    return s;
}

PvtFit fitPvt(const PvtModel& model, const PvtData& d, double tref, FitWeights mode, const FixedParameters& fixed,
              const PvtConstants& constants, std::optional<double> pc, const std::vector<PvtPoint>& at,
              const std::string& temperatureUnit) {
    PvtFit result;
    result.model = model;
    result.tref = tref;
    result.pc = pc;
    result.fit.names = pvtParameterNames(model);
    const std::size_t n = d.v.size();
    const bool needsAbsoluteT = model.coupling != ThermalCoupling::berman;
    for (std::size_t i = 0; i < n && needsAbsoluteT; ++i)
        if (!(d.t[i] > 0.0)) {
            result.fit.status = FitStatus::failure("T of data point " + std::to_string(i + 1) + " is not above 0 K, which the " +
                                                   (model.coupling == ThermalCoupling::fei ? "1/T term of the Fei form"
                                                    : model.coupling == ThermalCoupling::hp ? "Einstein term"
                                                                                              : "Debye term") + " needs");
            return result;
        }
    if (needsAbsoluteT && !(tref > 0.0)) {
        result.fit.status = FitStatus::failure("Tref is not above 0 K");
        return result;
    }
    if (model.coupling == ThermalCoupling::mgd && !(constants.atoms > 0.0)) {
        result.fit.status = FitStatus::failure("the Debye term needs the number of atoms in the volume V (--atoms N)");
        return result;
    }
    const auto allEqual = [](const std::vector<double>& x) {
        return std::all_of(x.begin(), x.end(), [&](double y) { return y == x.front(); });
    };
    if (n > 0 && (allEqual(d.p) || allEqual(d.t))) {
        result.fit.status = FitStatus::failure(allEqual(d.p) ? "all P equal" : "all T equal");
        return result;
    }
    const double shift = pc.value_or(0.0);
    // Start: ln V = c0 - P/K + alpha (T - Tref) by ordinary least squares.
    double m[3][4] = {};
    for (std::size_t i = 0; i < n; ++i) {
        const double row[3] = {1.0, d.p[i] - shift, d.t[i] - tref};
        const double y = std::log(d.v[i]);
        for (int a = 0; a < 3; ++a) {
            for (int b = 0; b < 3; ++b) m[a][b] += row[a] * row[b];
            m[a][3] += row[a] * y;
        }
    }
    for (int a = 0; a < 3; ++a)  // Gauss-Jordan on the 3 x 3 normal equations
        for (int r = 0; r < 3; ++r) {
            if (r == a || m[a][a] == 0.0) continue;
            const double f = m[r][a] / m[a][a];
            for (int k = 0; k < 4; ++k) m[r][k] -= f * m[a][k];
        }
    const double c0 = m[0][3] / m[0][0], c1 = m[1][3] / m[1][1], c2 = m[2][3] / m[2][2];
    double meanP = 0.0;
    for (const double p : d.p) meanP += (p - shift) / static_cast<double>(n);
    const double kSlope = -1.0 / c1;
    if (!(kSlope > 0.0) || !std::isfinite(kSlope) || !std::isfinite(c0)) {
        result.fit.status = FitStatus::failure("the volume does not fall as the pressure rises");
        return result;
    }
    const double k0 = std::max(kSlope - 4.0 * meanP, 0.3 * kSlope);
    const double v0 = std::exp(c0);
    const double alpha = std::isfinite(c2) ? c2 : 0.0;
    ParametricModel pm;
    pm.names = result.fit.names;
    pm.start = {v0, k0, 4.0, -(35.0 / 9.0) / k0};
    pm.start.resize(isothermalCount(model));
    pm.typical = pm.start;
    switch (model.coupling) {
        case ThermalCoupling::berman:
        case ThermalCoupling::fei:
            pm.start.insert(pm.start.end(), {0.0, alpha, 0.0});
            pm.typical.insert(pm.typical.end(), {1e-4 * k0, 1e-5, 1e-8});
            if (model.coupling == ThermalCoupling::fei) {
                pm.start.push_back(0.0);
                pm.typical.push_back(0.1);
            }
            break;
        case ThermalCoupling::hp:
            pm.start.insert(pm.start.end(), {alpha != 0.0 ? alpha : 1e-5, 500.0});
            pm.typical.insert(pm.typical.end(), {1e-5, 100.0});
            break;
        case ThermalCoupling::mgd: {
            // gamma0 from alpha K0 = 3 gamma N kB / V, the classical limit.
            const double gamma0 = alpha * k0 * constants.gigapascalsPerUnit * v0 / (3.0 * constants.atoms * kBoltzmannGpaA3);
            pm.start.insert(pm.start.end(), {500.0, std::clamp(std::isfinite(gamma0) ? gamma0 : 1.5, 0.5, 3.0), 1.0});
            pm.typical.insert(pm.typical.end(), {100.0, 1.0, 1.0});
            break;
        }
    }
    pm.value = [&model, tref, constants](const std::vector<double>& p, double v, double t) {
        return pvtPressure(model, p, v, t, tref, constants);
    };
    ParametricData data;
    data.x = d.v;
    data.sigX = d.sigV;
    data.z = d.t;
    data.sigZ = d.sigT;
    data.sigY = d.sigP;
    data.xAsRead = d.vAsRead;
    for (const double p : d.p) data.y.push_back(p - shift);
    result.fit = fitParametric(pm, data, mode, fixed);
    if (!result.fit.status.ok) return result;
    for (const PvtPoint& point : at) {
        const double t = kelvinOf(point.t, temperatureUnit);
        PvtAt s = pvtStateAt(model, result.fit.values, point.p - shift, t, tref, constants);
        s.p = point.p;
        s.t = point.t;
        if (s.ok) {
            // Esds by first-order propagation: each quantity's gradient in the free parameters.
            const auto state = [&](const std::vector<double>& p) { return pvtStateAt(model, p, point.p - shift, t, tref, constants); };
            s.vEsd = result.fit.esdOf([&](const std::vector<double>& p) { return state(p).v; });
            s.kEsd = result.fit.esdOf([&](const std::vector<double>& p) { return state(p).k; });
            s.alphaEsd = result.fit.esdOf([&](const std::vector<double>& p) { return state(p).alpha; });
        }
        result.at.push_back(s);
    }
    return result;
}
