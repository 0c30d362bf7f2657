#include "cli/eos_options.hpp"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <optional>
#include <set>

#include "LIBRARIES/text/text.hpp"

namespace {

// A finite number in double precision, as written on a command line (blanks trimmed, e or E).
std::optional<double> finiteNumberIn(std::string_view text) {
    text = trimmed(text);
    if (!text.empty() && text.front() == '+') text.remove_prefix(1);
    double v = 0.0;
    const auto r = std::from_chars(text.data(), text.data() + text.size(), v);
    if (text.empty() || r.ec != std::errc{} || r.ptr != text.data() + text.size() || !std::isfinite(v)) return std::nullopt;
    return v;
}

std::string numberProblem(std::string_view text) {
    const std::string given(trimmed(text));
    return given.empty() ? "an empty value is not a number" : given + " is not a finite number";
}

std::set<std::string> fixableNames() {
    std::set<std::string> names = {"x0"};  // of an edge's V(T)
    for (const EosModel m : knownEosModels()) {
        for (const ThermalCoupling c : {ThermalCoupling::berman, ThermalCoupling::fei, ThermalCoupling::hp, ThermalCoupling::mgd})
            for (const std::string& n : pvtParameterNames(PvtModel{m, c})) names.insert(n);
    }
    for (const ThermalModel t : knownThermalModels())
        for (const std::string& n : thermalParameterNames(t, false)) names.insert(n);
    return names;
}

}  // namespace

CLI::Validator thermalModelChoice() {
    return CLI::Validator(
        [](std::string& text) -> std::string {
            const std::string given(trimmed(text));
            if (!thermalModelNamed(given))
                return (given.empty() ? std::string("an empty name is no V(T) model") : "unknown V(T) model " + given) +
                       " (known: berman, fei)";
            text = given;
            return {};
        },
        "MODEL");
}

std::vector<ThermalModel> thermalModelsNamed(const std::vector<std::string>& names) {
    std::vector<ThermalModel> models;
    for (const std::string& name : names)
        if (const auto m = thermalModelNamed(trimmed(name)); m && std::find(models.begin(), models.end(), *m) == models.end())
            models.push_back(*m);
    return models;
}

CLI::Validator pvtModelChoice() {
    return CLI::Validator(
        [](std::string& text) -> std::string {
            const std::string given(trimmed(text));
            if (lowered(given) == "none") {
                text = "none";
                return {};
            }
            if (!pvtModelNamed(given))
                return (given.empty() ? std::string("an empty name is no P-V-T model") : "unknown P-V-T model " + given) +
                       " (an equation of state, a dash and a coupling, e.g. bm3-berman, or none; equations of state: " +
                       [] {
                           std::string list;
                           for (const EosModel m : knownEosModels()) list += (list.empty() ? "" : ", ") + lowered(eosModelName(m));
                           return list;
                       }() +
                       "; couplings: " + knownCouplingList() + ")";
            text = given;
            return {};
        },
        "MODEL");
}

std::vector<PvtModel> pvtModelsNamed(const std::vector<std::string>& names) {
    std::vector<PvtModel> models;
    for (const std::string& name : names)
        if (const auto m = pvtModelNamed(trimmed(name)); m && std::find(models.begin(), models.end(), *m) == models.end())
            models.push_back(*m);
    return models;
}

CLI::Validator pressureTemperaturePair() {
    return CLI::Validator(
        [](std::string& text) -> std::string {
            const std::string given(trimmed(text));
            const std::size_t colon = given.find(':');
            if (colon == std::string::npos) return given + " is not P:T (a pressure, a colon and a temperature)";
            const std::string_view p = std::string_view(given).substr(0, colon), t = std::string_view(given).substr(colon + 1);
            if (!finiteNumberIn(p)) return "P of " + given + ": " + numberProblem(p);
            if (!finiteNumberIn(t)) return "T of " + given + ": " + numberProblem(t);
            text = given;
            return {};
        },
        "P:T");
}

PvtPoint pressureTemperatureOf(const std::string& text) {
    const std::string_view s = trimmed(text);
    const std::size_t colon = s.find(':');
    return {finiteNumberIn(s.substr(0, colon)).value_or(0.0), finiteNumberIn(s.substr(colon + 1)).value_or(0.0)};
}

std::string fixableParameterList() {
    std::string list;
    for (const std::string& n : fixableNames()) list += (list.empty() ? "" : ", ") + n;
    return list;
}

CLI::Validator fixedParameter() {
    return CLI::Validator(
        [](std::string& text) -> std::string {
            const std::string given(trimmed(text));
            const std::size_t eq = given.find('=');
            if (eq == std::string::npos) return given + " is not NAME=VALUE (e.g. Kp=4)";
            const std::string name(trimmed(std::string_view(given).substr(0, eq)));
            if (!fixableNames().contains(name))
                return (name.empty() ? std::string("no parameter name") : "no model has a parameter " + name) + " in " + given +
                       " (known: " + fixableParameterList() + ")";
            const std::string_view value = std::string_view(given).substr(eq + 1);
            if (!finiteNumberIn(value)) return "the value of " + name + ": " + numberProblem(value);
            text = given;
            return {};
        },
        "NAME=VALUE");
}

std::pair<std::string, double> fixedParameterOf(const std::string& text) {
    const std::string_view s = trimmed(text);
    const std::size_t eq = s.find('=');
    return {std::string(trimmed(s.substr(0, eq))), finiteNumberIn(s.substr(eq + 1)).value_or(0.0)};
}

CLI::Validator positiveValue() {
    return CLI::Validator(
        [](std::string& text) -> std::string {
            const std::string given(trimmed(text));
            const std::optional<double> v = finiteNumberIn(given);
            if (!v) return numberProblem(given);
            if (!(*v > 0.0)) return given + " is not above 0";
            text = given;
            return {};
        },
        "NUMBER");
}
