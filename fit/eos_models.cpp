#include "fit/eos_models.hpp"

#include <algorithm>
#include <cctype>
#include <cmath>

#include "fit/taylor.hpp"

namespace {

constexpr std::array<std::pair<EosModel, std::string_view>, 8> kNames{{{EosModel::BM2, "BM2"},
                                                                       {EosModel::BM3, "BM3"},
                                                                       {EosModel::BM4, "BM4"},
                                                                       {EosModel::Vinet2, "Vinet2"},
                                                                       {EosModel::Vinet3, "Vinet3"},
                                                                       {EosModel::Murnaghan, "Murnaghan"},
                                                                       {EosModel::NS2, "NS2"},
                                                                       {EosModel::NS3, "NS3"}}};

// Cube roots, plain for numbers (faster and exact to the last bit where pow is not).
double cbrtOf(double x) { return std::cbrt(x); }
Taylor3 cbrtOf(const Taylor3& x) { return pow(x, 1.0 / 3.0); }

// x^(2/3) and x^(5/3), for numbers from a single cube root.
struct TwoAndFiveThirds {
    double r23;
    double r53;
};
TwoAndFiveThirds twoAndFiveThirds(double x) {
    const double c = std::cbrt(x);
    const double r23 = c * c;
    return {r23, r23 * r23 * c};
}
struct TaylorTwoAndFiveThirds {
    Taylor3 r23;
    Taylor3 r53;
};
TaylorTwoAndFiveThirds twoAndFiveThirds(const Taylor3& x) {
    const Taylor3 r23 = pow(x, 2.0 / 3.0);
    return {r23, r23 * r23 * cbrtOf(x)};
}

// P(V) for V a number or a Taylor series in V.
template <class T>
T pressureOf(EosModel model, const T& v, const EosParameters& e) {
    const T ratio = e.v0 / v;  // V0 / V
    switch (model) {
        case EosModel::BM2:
        case EosModel::BM3:
        case EosModel::BM4: {
            // (V0/V)^(2/3) = 1 + 2f, so (1 + 2f)^(5/2) = (V0/V)^(5/3).
            const auto [r23, r53] = twoAndFiveThirds(ratio);
            const T f = (r23 - 1.0) * 0.5;
            // The f^2 term is zero when K'' takes the value BM2 and BM3 imply.
            const double c2 = model == EosModel::BM4 ? 1.5 * (e.k0 * e.kpp + (e.kp - 4.0) * (e.kp - 3.0) + 35.0 / 9.0) : 0.0;
            const T bracket = 1.0 + 1.5 * (e.kp - 4.0) * f + c2 * f * f;
            return 3.0 * e.k0 * f * r53 * bracket;
        }
        case EosModel::Vinet2:
        case EosModel::Vinet3: {
            using std::exp;
            const T eta = cbrtOf(1.0 / ratio);
            return 3.0 * e.k0 * (1.0 - eta) / (eta * eta) * exp(1.5 * (e.kp - 1.0) * (1.0 - eta));
        }
        case EosModel::Murnaghan: {
            using std::pow;
            return e.k0 / e.kp * (pow(ratio, e.kp) - 1.0);
        }
        case EosModel::NS2:
        case EosModel::NS3: {
            using std::log;
            const T fn = log(ratio) * (1.0 / 3.0);
            return 3.0 * e.k0 * ratio * fn * (1.0 + 1.5 * (e.kp - 2.0) * fn);
        }
    }
    return v * 0.0;
}

}  // namespace

std::string_view eosModelName(EosModel model) {
    for (const auto& [m, name] : kNames)
        if (m == model) return name;
    return "";
}

std::optional<EosModel> eosModelNamed(std::string_view name) {
    for (const auto& [m, known] : kNames) {
        if (known.size() == name.size() &&
            std::equal(known.begin(), known.end(), name.begin(), [](char a, char b) {
                return std::tolower(static_cast<unsigned char>(a)) == std::tolower(static_cast<unsigned char>(b));
            }))
            return m;
    }
    return std::nullopt;
}

std::string_view eosQuantityName(EosQuantity quantity) {
    switch (quantity) {
        case EosQuantity::volume: return "volume";
        case EosQuantity::a: return "a";
        case EosQuantity::b: return "b";
        case EosQuantity::c: return "c";
    }
    return "";
}

std::vector<EosModel> defaultEosModels() { return {EosModel::BM2, EosModel::BM3, EosModel::Vinet3}; }

std::vector<EosModel> knownEosModels() {
    std::vector<EosModel> models;
    for (const auto& [m, name] : kNames) models.push_back(m);
    return models;
}

double eosPressure(EosModel model, double v, const EosParameters& e) { return pressureOf(model, v, e); }

std::optional<EosPressureGradient> eosPressureGradient(EosModel model, double root, const EosParameters& e) {
    EosPressureGradient g;
    switch (model) {
        case EosModel::BM2:
        case EosModel::BM3: {
            // c = (V0/V)^(1/3), f = (c^2 - 1)/2, P = 3 K0 f c^5 B with B = 1 + 3/2 (K' - 4) f.
            const double c = root;
            const double r23 = c * c;
            const double r53 = r23 * r23 * c;
            const double f = (r23 - 1.0) * 0.5;
            const double b1 = 1.5 * (e.kp - 4.0);
            const double bracket = 1.0 + b1 * f;
            g.p = 3.0 * e.k0 * f * r53 * bracket;
            g.dk0 = 3.0 * f * r53 * bracket;
            g.dkp = 3.0 * e.k0 * f * r53 * 1.5 * f;
            // dP/dc with df/dc = c, and dc/dV0 = c / (3 V0).
            const double dpdc = 3.0 * e.k0 * (c * r53 * bracket + 5.0 * f * r23 * r23 * bracket + f * r53 * b1 * c);
            g.dv0 = dpdc * c / (3.0 * e.v0);
            return g;
        }
        case EosModel::Vinet2:
        case EosModel::Vinet3: {
            // eta = (V/V0)^(1/3), P = 3 K0 (1 - eta) / eta^2 E with E = exp[3/2 (K' - 1)(1 - eta)].
            const double eta = 1.0 / root;
            const double a = 1.5 * (e.kp - 1.0);
            const double expTerm = std::exp(a * (1.0 - eta));
            const double shape = (1.0 - eta) / (eta * eta);
            g.p = 3.0 * e.k0 * shape * expTerm;
            g.dk0 = 3.0 * shape * expTerm;
            g.dkp = g.p * 1.5 * (1.0 - eta);
            const double dpdeta = 3.0 * e.k0 * expTerm * (-1.0 / (eta * eta) - 2.0 * (1.0 - eta) / (eta * eta * eta) - a * shape);
            g.dv0 = dpdeta * (-eta / (3.0 * e.v0));
            return g;
        }
        default: return std::nullopt;
    }
}

EosState eosState(EosModel model, double v, const EosParameters& e) {
    const Taylor3 p = pressureOf(model, Taylor3::variable(v), e);
    // Derivatives in V: D1 = P', D2 = P'', D3 = P'''.
    const double d1 = p.c[1];
    const double d2 = 2.0 * p.c[2];
    const double d3 = 6.0 * p.c[3];
    EosState s;
    s.p = p.c[0];
    s.k = -v * d1;                   // K = -V dP/dV
    s.kp = -1.0 - v * d2 / d1;       // K' = (dK/dV) / (dP/dV)
    const double dkpdv = -d2 / d1 - v * (d3 * d1 - d2 * d2) / (d1 * d1);
    s.kpp = dkpdv / d1;              // K'' = (dK'/dV) / (dP/dV)
    return s;
}

int freeParameterCount(EosModel model) {
    switch (model) {
        case EosModel::BM2:
        case EosModel::Vinet2:
        case EosModel::NS2: return 2;
        case EosModel::BM4: return 4;
        default: return 3;
    }
}

double fixedKp(EosModel model) {
    switch (model) {
        case EosModel::Vinet2: return 1.0;
        case EosModel::NS2: return 2.0;
        default: return 4.0;
    }
}

EosParameters eosParameters(EosModel model, const std::vector<double>& free) {
    EosParameters e;
    e.v0 = free.at(0);
    e.k0 = free.at(1);
    e.kp = free.size() > 2 ? free[2] : fixedKp(model);
    e.kpp = free.size() > 3 ? free[3] : 0.0;
    return e;
}

std::vector<std::string> eosParameterNames(EosModel model, bool edge) {
    const std::vector<std::string> all = edge ? std::vector<std::string>{"x0", "M0", "Mp", "Mpp"}
                                              : std::vector<std::string>{"V0", "K0", "Kp", "Kpp"};
    return {all.begin(), all.begin() + freeParameterCount(model)};
}

EosParameters volumeParametersOfEdge(const EosParameters& edge) {
    return {edge.v0 * edge.v0 * edge.v0, edge.k0 / 3.0, edge.kp / 3.0, edge.kpp / 3.0};
}
