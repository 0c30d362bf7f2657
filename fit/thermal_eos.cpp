#include "fit/thermal_eos.hpp"

#include <algorithm>
#include <cmath>
#include <limits>
#include <set>

#include "LIBRARIES/text/text.hpp"

namespace {

constexpr double kCelsiusZero = 273.15;
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

}  // namespace

std::string_view thermalModelName(ThermalModel model) { return model == ThermalModel::berman ? "berman" : "fei"; }

std::optional<ThermalModel> thermalModelNamed(std::string_view name) {
    const std::string n = lowered(name);
    if (n == "berman") return ThermalModel::berman;
    if (n == "fei") return ThermalModel::fei;
    return std::nullopt;
}

std::vector<ThermalModel> defaultThermalModels() { return {ThermalModel::berman, ThermalModel::fei}; }
std::vector<ThermalModel> knownThermalModels() { return {ThermalModel::berman, ThermalModel::fei}; }

std::vector<std::string> thermalParameterNames(ThermalModel model, bool edge) {
    std::vector<std::string> names = {edge ? "x0" : "V0", "a0", "a1"};
    if (model == ThermalModel::fei) names.push_back("a2");
    return names;
}

double thermalFactor(ThermalModel model, double a0, double a1, double a2, double t, double tref) {
    const double dt = t - tref;
    if (model == ThermalModel::berman) return 1.0 + a0 * dt + 0.5 * a1 * dt * dt;
    if (!(t > 0.0) || !(tref > 0.0)) return kNaN;
    return std::exp(a0 * dt + 0.5 * a1 * (t * t - tref * tref) - a2 * (1.0 / t - 1.0 / tref));
}

double thermalVolume(ThermalModel model, const std::vector<double>& p, double t, double tref) {
    return p[0] * thermalFactor(model, p[1], p[2], model == ThermalModel::fei ? p[3] : 0.0, t, tref);
}

double kelvinOf(double t, const std::string& unit) { return unit == "\xc2\xb0" "C" ? t + kCelsiusZero : t; }

double ThermalFit::volumeAt(double t) const {
    if (!fit.status.ok) return kNaN;
    return thermalVolume(model, fit.values, t, tref);
}

namespace {

// (1/x) dx/dT: in closed form from the parameters.
double alphaOf(ThermalModel model, const std::vector<double>& p, double t, double tref) {
    if (model == ThermalModel::fei) return t > 0.0 ? p[1] + p[2] * t + p[3] / (t * t) : kNaN;
    const double dt = t - tref;
    return (p[1] + p[2] * dt) / (1.0 + p[1] * dt + 0.5 * p[2] * dt * dt);
}

}  // namespace

ThermalFit fitThermal(ThermalModel model, const ThermalData& d, double tref, FitWeights mode, const FixedParameters& fixed,
                      const std::vector<double>& alsoAt, const std::string& temperatureUnit) {
    ThermalFit result;
    result.model = model;
    result.quantity = d.quantity;
    result.tref = tref;
    const bool edge = d.quantity != EosQuantity::volume;
    result.fit.names = thermalParameterNames(model, edge);
    if (model == ThermalModel::fei) {
        // 1/T: the absolute temperature must be above 0.
        for (std::size_t i = 0; i < d.t.size(); ++i)
            if (!(d.t[i] > 0.0)) {
                result.fit.status = FitStatus::failure("T of data point " + std::to_string(i + 1) +
                                                       " is not above 0 K, which the 1/T term of the Fei form needs");
                return result;
            }
        if (!(tref > 0.0)) {
            result.fit.status = FitStatus::failure("Tref is not above 0 K, which the Fei form needs");
            return result;
        }
    }
    if (!d.t.empty() && std::all_of(d.t.begin(), d.t.end(), [&](double t) { return t == d.t.front(); })) {
        result.fit.status = FitStatus::failure("all T equal");
        return result;
    }
    // Start: V0 and a0 from the straight line through the points, about Tref.
    double st = 0.0, sv = 0.0, stt = 0.0, stv = 0.0;
    const double n = static_cast<double>(d.t.size());
    for (std::size_t i = 0; i < d.t.size(); ++i) {
        const double u = d.t[i] - tref;
        st += u;
        sv += d.v[i];
        stt += u * u;
        stv += u * d.v[i];
    }
    const double slope = (n * stv - st * sv) / (n * stt - st * st);
    const double v0 = (sv - slope * st) / n;
    ParametricModel m;
    m.names = result.fit.names;
    m.start = {v0, std::isfinite(slope / v0) ? slope / v0 : 0.0, 0.0};
    // Typical sizes: V0 itself, expansion of 1e-5 per K, its change of 1e-8 per K^2, a2 of 0.1 K.
    m.typical = {v0, 1e-5, 1e-8};
    if (model == ThermalModel::fei) {
        m.start.push_back(0.0);
        m.typical.push_back(0.1);
    }
    m.value = [model, tref](const std::vector<double>& p, double t, double) { return thermalVolume(model, p, t, tref); };
    m.inDomain = [](const std::vector<double>& p) { return p[0] > 0.0; };
    ParametricData data;
    data.y = d.v;
    data.sigY = d.sigV;
    data.x = d.t;
    data.sigX = d.sigT;
    data.xAsRead = d.tAsRead;
    result.fit = fitParametric(m, data, mode, fixed);
    if (!result.fit.status.ok) return result;
    // alpha at each distinct measured T, then at each T asked for (as the series holds T).
    std::set<float> measured(d.tAsRead.begin(), d.tAsRead.end());
    std::vector<double> where(measured.begin(), measured.end());
    where.insert(where.end(), alsoAt.begin(), alsoAt.end());
    for (const double x : where) {
        const double t = kelvinOf(x, temperatureUnit);
        const double value = alphaOf(model, result.fit.values, t, tref);
        const double esd = result.fit.esdOf([&](const std::vector<double>& p) { return alphaOf(model, p, t, tref); });
        result.alpha.push_back({x, value, esd});
    }
    return result;
}
