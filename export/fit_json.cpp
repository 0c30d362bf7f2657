#include "export/fit_json.hpp"

#include <nlohmann/json.hpp>

#include <cmath>

namespace {

// Fits are double precision and written as the shortest decimal that reads back to the same double.
using Json = nlohmann::ordered_json;

// A number, or null where it is not finite (never NaN in the document).
Json number(double v) { return std::isfinite(v) ? Json(v) : Json(nullptr); }
Json number(const std::optional<double>& v) { return v ? number(*v) : Json(nullptr); }

template <class T, std::size_t N>
Json numbers(const std::array<T, N>& values) {
    Json a = Json::array();
    for (const T v : values) a.push_back(number(static_cast<double>(v)));
    return a;
}

Json rows(const Tensor3& t) {
    Json a = Json::array();
    for (const auto& r : t) a.push_back(numbers(r));
    return a;
}

Json matrix(const std::vector<double>& values, std::size_t p) {
    Json a = Json::array();
    for (std::size_t i = 0; i < p; ++i) {
        Json r = Json::array();
        for (std::size_t j = 0; j < p; ++j) r.push_back(number(values[i * p + j]));
        a.push_back(std::move(r));
    }
    return a;
}

Json lineOf(const LinearFit& fit) {
    const bool ok = fit.line.status.ok;
    Json j;
    j["coefficient"] = ok ? number(fit.coefficient) : Json(nullptr);
    j["esd"] = ok ? number(fit.esd) : Json(nullptr);
    j["intercept"] = ok ? number(fit.intercept) : Json(nullptr);
    j["intercept_esd"] = ok ? number(fit.interceptEsd) : Json(nullptr);
    j["chi2"] = ok ? number(fit.line.chi2) : Json(nullptr);
    j["dof"] = ok ? Json(fit.line.dof) : Json(nullptr);
    j["status"] = fit.line.status.text;
    return j;
}

Json linearOf(const LinearFits& fits) {
    Json principal = Json::array();
    for (const PrincipalLinearFit& axis : fits.principal) {
        Json j = lineOf(axis);
        j["uvw"] = axis.uvw ? numbers(*axis.uvw) : Json(nullptr);
        principal.push_back(std::move(j));
    }
    Json j;
    j["principal"] = std::move(principal);
    j["a"] = lineOf(fits.a);
    j["b"] = lineOf(fits.b);
    j["c"] = lineOf(fits.c);
    j["volume"] = lineOf(fits.volume);
    return j;
}

Json tensorOf(const TensorFit& fit) {
    Json j;
    j["order"] = fit.order;
    j["status"] = fit.status.text;
    Json at = Json::array();
    if (fit.status.ok) {
        for (const TensorAt& t : fit.at) {
            Json point;
            point["x"] = number(t.x);
            point["measured"] = t.measured;
            point["tensor"] = rows(t.tensor);
            point["esd"] = rows(t.esd);
            Json principal = Json::array();
            for (const PrincipalCoefficient& axis : t.principal) {
                Json a;
                a["value"] = number(axis.value);
                a["esd"] = number(axis.esd);
                a["vector"] = axis.hasDirection ? numbers(axis.vector) : Json(nullptr);
                a["uvw"] = axis.hasDirection ? numbers(axis.uvw) : Json(nullptr);
                a["to_abc"] = axis.hasDirection ? numbers(axis.toAbc) : Json(nullptr);
                a["to_abc_esd"] = axis.hasDirection ? numbers(axis.toAbcEsd) : Json(nullptr);
                principal.push_back(std::move(a));
            }
            point["principal"] = std::move(principal);
            at.push_back(std::move(point));
        }
    }
    j["at"] = std::move(at);
    return j;
}

Json eosOf(const EosFit& fit) {
    const bool ok = fit.status.ok;
    const bool edge = fit.isEdge();
    const auto put = [&](Json& j, const char* name, const FittedValue& v) {
        j[name] = ok ? number(v.value) : Json(nullptr);
        j[std::string(name) + "_esd"] = ok ? number(v.esd) : Json(nullptr);
    };
    Json j;
    j["model"] = std::string(eosModelName(fit.model));
    j["quantity"] = fit.quantity;
    put(j, edge ? "x0" : "V0", fit.v0);
    put(j, edge ? "M0" : "K0", fit.k0);
    put(j, edge ? "Mp" : "Kp", fit.kp);
    put(j, edge ? "Mpp" : "Kpp", fit.kpp);
    j["parameters"] = fit.parameters;
    j["correlation"] = ok ? matrix(fit.correlation, fit.parameters.size()) : Json(nullptr);
    j["chi2"] = ok ? number(fit.chi2) : Json(nullptr);
    j["dof"] = ok ? Json(fit.dof) : Json(nullptr);
    j["max_residual"] = ok ? number(fit.maxResidual) : Json(nullptr);
    j["status"] = fit.status.text;
    return j;
}

Json empiricalOf(const EmpiricalFit& fit) {
    const bool ok = fit.status.ok;
    Json j;
    j["axis"] = fit.axis;
    const auto put = [&](const char* name, const FittedValue& v) {
        j[name] = ok ? number(v.value) : Json(nullptr);
        j[std::string(name) + "_esd"] = ok ? number(v.esd) : Json(nullptr);
    };
    put("eps0", fit.eps0);
    put("lambda", fit.lambda);
    put("pc", fit.pc);
    put("nu", fit.nu);
    j["chi2"] = ok ? number(fit.chi2) : Json(nullptr);
    j["dof"] = ok ? Json(fit.dof) : Json(nullptr);
    Json k = Json::array();
    for (const ValueAt& v : fit.k) k.push_back({{"x", number(v.x)}, {"value", number(v.value)}, {"esd", number(v.esd)}});
    j["K"] = ok ? std::move(k) : Json(nullptr);
    j["status"] = fit.status.text;
    return j;
}

}  // namespace

std::string fitsJsonMembers(const FitResult& result) {
    if (!result.status.ok)
        return "\"fits\": null,\n\"fits_reason\": " + Json(result.status.text).dump();
    Json j;
    j["variable"] = result.pressure ? "pressure" : "temperature";
    j["reference"] = result.reference;
    j["strain"] = std::string(strainTypeKey(result.strain));
    j["weights"] = result.weights == FitWeights::esd ? "esd" : "none";
    j["notes"] = result.notes;
    j["linear"] = result.linear ? linearOf(*result.linear) : Json(nullptr);
    j["tensor"] = result.tensor ? tensorOf(*result.tensor) : Json(nullptr);
    if (result.pressure) {
        Json eos = Json::array();
        for (const EosFit& fit : result.eos) eos.push_back(eosOf(fit));
        j["eos"] = std::move(eos);
        Json empirical = Json::array();
        for (const EmpiricalFit& fit : result.empirical) empirical.push_back(empiricalOf(fit));
        j["empirical"] = std::move(empirical);
        if (result.ff && result.ff->status.ok) {
            Json ff = Json::array();
            for (const NormalisedPressurePoint& p : result.ff->points)
                ff.push_back({{"point", p.point}, {"x", number(p.x)}, {"f", number(p.f)}, {"f_esd", number(p.fEsd)},
                              {"F", number(p.F)}, {"F_esd", number(p.FEsd)}});
            j["ff"] = std::move(ff);
        } else {
            j["ff"] = nullptr;
            j["ff_reason"] = result.ff ? result.ff->status.text : "not computed";
        }
    } else {
        j["eos"] = nullptr;
        j["empirical"] = nullptr;
        j["ff"] = nullptr;
    }
    return "\"fits\": " + j.dump(-1, ' ', false, Json::error_handler_t::replace);
}
