#pragma once
// The volume (or an edge, as a linear form) against T at the reference pressure:
//   Berman (1988): V = V0 [1 + a0 (T - Tref) + a1/2 (T - Tref)^2];
//   Fei (1995):    alpha = a0 + a1 T + a2 / T^2,
//                  V = V0 exp[a0 (T - Tref) + a1/2 (T^2 - Tref^2) - a2 (1/T - 1/Tref)];
// T in kelvin. An edge x takes the same forms with x0 in place of V0, its a0, a1, a2 linear.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "calc/series.hpp"
#include "fit/parametric_fit.hpp"

enum class ThermalModel { berman, fei };

std::string_view thermalModelName(ThermalModel model);  // "berman", "fei"
std::optional<ThermalModel> thermalModelNamed(std::string_view name);  // any case
std::vector<ThermalModel> defaultThermalModels();  // berman, fei
std::vector<ThermalModel> knownThermalModels();

// The parameters of a model for the volume ("V0", "a0", "a1"[, "a2"]) or an edge ("x0", ...).
std::vector<std::string> thermalParameterNames(ThermalModel model, bool edge);
// V (or x) at T in kelvin; parameters in the order of thermalParameterNames. Fei needs T above 0.
double thermalVolume(ThermalModel model, const std::vector<double>& parameters, double t, double tref);
// The factor V(T)/V0 of the model: what V0 of an isothermal equation of state becomes at T.
double thermalFactor(ThermalModel model, double a0, double a1, double a2, double t, double tref);

// The thermal expansion coefficient (1/x) dx/dT at one T, with its esd.
struct ThermalFit {
    ThermalModel model = ThermalModel::berman;
    EosQuantity quantity = EosQuantity::volume;
    double tref = 298.15;  // kelvin
    ParametricFit fit;
    std::vector<ValueAt> alpha;  // at each measured T, ascending, then at each T asked for; x as the series holds T

    bool isEdge() const { return quantity != EosQuantity::volume; }
    double volumeAt(double tKelvin) const;
};

// What the fits of V(T) are made from: T in kelvin (a series in °C converted), V or an edge with
// their esds.
struct ThermalData {
    EosQuantity quantity = EosQuantity::volume;
    std::vector<double> t, sigT;  // kelvin
    std::vector<float> tAsRead;
    std::vector<double> v, sigV;
};

// Kelvin from a T as the series holds it: a series in °C is shifted by 273.15.
double kelvinOf(double t, const std::string& temperatureUnit);

ThermalFit fitThermal(ThermalModel model, const ThermalData& data, double tref, FitWeights mode,
                      const FixedParameters& fixed, const std::vector<double>& alsoAt, const std::string& temperatureUnit);
