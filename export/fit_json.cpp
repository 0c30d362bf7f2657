#include "export/fit_json.hpp"

#include <nlohmann/json.hpp>

#include <charconv>
#include <functional>
#include <string_view>
#include <cmath>
#include <type_traits>
#include <vector>

#include "fit/state_fits.hpp"

namespace {

// The fits hold numbers for every point of a series, so their text is written directly, and handed
// on in pieces as it grows: each number as the shortest decimal that reads back to it in its own
// type (a double, computed; a float, the series' T or P as read: 0.208, not 0.20800000429153442),
// null where it is not finite (never NaN in the document). Strings go through nlohmann-json for
// their escapes.
class JsonText {
public:
    explicit JsonText(const std::function<void(std::string_view)>& write) : write_(write) { out_.reserve(kPiece + 4096); }
    JsonText(const JsonText&) = delete;
    JsonText& operator=(const JsonText&) = delete;

    // The members of an object whose braces are written elsewhere.
    JsonText& members() {
        first_.push_back(true);
        return *this;
    }
    JsonText& open(char bracket) {
        separate();
        out_ += bracket;
        first_.push_back(true);
        return *this;
    }
    JsonText& close(char bracket) {
        out_ += bracket;
        first_.pop_back();
        if (out_.size() >= kPiece) handOn();
        return *this;
    }
    // Text written between members, such as a line break.
    JsonText& raw(std::string_view text) {
        out_ += text;
        return *this;
    }
    JsonText& key(std::string_view name) {
        separate();
        out_ += '"';
        out_ += name;
        out_ += "\":";
        afterKey_ = true;
        return *this;
    }
    template <class Real>
    JsonText& number(Real v) {
        static_assert(std::is_same_v<Real, double> || std::is_same_v<Real, float>, "a float or a double");
        separate();
        if (!std::isfinite(v)) {
            out_ += "null";
            return *this;
        }
        char buffer[32];
        const auto r = std::to_chars(buffer, buffer + sizeof buffer, v);
        out_.append(buffer, r.ptr);
        return *this;
    }
    JsonText& number(const std::optional<double>& v) { return v ? number(*v) : null(); }
    JsonText& integer(int v) {
        separate();
        out_ += std::to_string(v);
        return *this;
    }
    JsonText& boolean(bool v) {
        separate();
        out_ += v ? "true" : "false";
        return *this;
    }
    JsonText& null() {
        separate();
        out_ += "null";
        return *this;
    }
    JsonText& string(const std::string& s) {
        separate();
        out_ += nlohmann::json(s).dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
        return *this;
    }
    template <class T, std::size_t N>
    JsonText& numbers(const std::array<T, N>& values) {
        open('[');
        for (const T v : values) number(v);
        return close(']');
    }
    JsonText& rows(const Mat3d& t) {
        open('[');
        for (int i = 1; i <= 3; ++i) numbers(row(t, i));
        return close(']');
    }
    // A number, or null when the fit failed.
    JsonText& numberIf(bool ok, double v) { return ok ? number(v) : null(); }
    JsonText& numberIf(bool ok, const std::optional<double>& v) { return ok ? number(v) : null(); }

    // Hands on what is left; the text is complete.
    void finish() { handOn(); }

private:
    static constexpr std::size_t kPiece = std::size_t{1} << 16;

    void handOn() {
        if (out_.empty()) return;
        write_(out_);
        out_.clear();
    }

    void separate() {
        if (afterKey_) {
            afterKey_ = false;
            return;
        }
        if (first_.empty()) return;
        if (!first_.back()) out_ += ',';
        first_.back() = false;
    }

    const std::function<void(std::string_view)>& write_;
    std::string out_;
    std::vector<bool> first_;
    bool afterKey_ = false;
};

void line(JsonText& j, const LinearFit& fit) {
    const bool ok = fit.line.status.ok;
    j.key("coefficient").numberIf(ok, fit.coefficient);
    j.key("esd").numberIf(ok, fit.esd);
    j.key("intercept").numberIf(ok, fit.intercept);
    j.key("intercept_esd").numberIf(ok, fit.interceptEsd);
    j.key("chi2").numberIf(ok, fit.line.chi2);
    j.key("dof");
    if (ok) j.integer(fit.line.dof);
    else j.null();
    j.key("status").string(fit.line.status.text);
}

void linear(JsonText& j, const LinearFits& fits, const SeriesAxes& axes) {
    j.open('{').key("principal").open('[');
    for (std::size_t k = 0; k < 3; ++k) {
        j.open('{');
        line(j, fits.principal[k]);
        j.key("uvw");
        if (axes.axes[k].hasDirection) j.numbers(axes.axes[k].uvw);
        else j.null();
        j.close('}');
    }
    j.close(']');
    const std::pair<const char*, const LinearFit*> others[] = {
        {"a", &fits.a}, {"b", &fits.b}, {"c", &fits.c}, {"volume", &fits.volume}};
    for (const auto& [name, fit] : others) {
        j.key(name).open('{');
        line(j, *fit);
        j.close('}');
    }
    j.close('}');
}

void tensor(JsonText& j, const TensorFit& fit) {
    j.open('{').key("order").integer(fit.order).key("status").string(fit.status.text).key("at").open('[');
    if (fit.status.ok) {
        for (const TensorAt& t : fit.at()) {
            j.open('{').key("x").number(t.x).key("measured").boolean(t.measured);
            j.key("extrapolated").boolean(t.extrapolated);
            j.key("tensor").rows(t.tensor).key("esd").rows(t.esd).key("principal").open('[');
            for (const PrincipalCoefficient& axis : t.principal) {
                j.open('{').key("value").number(axis.value).key("esd").number(axis.esd);
                if (axis.hasDirection) {
                    j.key("vector").numbers(axis.vector).key("uvw").numbers(axis.uvw);
                    j.key("to_abc").numbers(axis.toAbc).key("to_abc_esd").numbers(axis.toAbcEsd);
                } else {
                    j.key("vector").null().key("uvw").null().key("to_abc").null().key("to_abc_esd").null();
                }
                j.close('}');
            }
            j.close(']').close('}');
        }
    }
    j.close(']').close('}');
}

// Each point's residual; null for a failed fit. An observed value read from the data file (P, for
// an equation of state) is single precision, written as such like x.
template <class Residuals>
void residuals(JsonText& j, bool ok, const Residuals& points, bool observedAsRead) {
    j.key("residuals");
    if (!ok) {
        j.null();
        return;
    }
    j.open('[');
    for (const Residual& r : points) {
        j.open('{').key("point").integer(r.point).key("x").number(r.x).key("observed");
        if (observedAsRead) j.number(static_cast<float>(r.observed));
        else j.number(r.observed);
        j.key("calculated").number(r.calculated).key("weighted").number(r.weighted).key("outlier").boolean(r.outlier).close('}');
    }
    j.close(']');
}

void ellipses(JsonText& j, const std::vector<ConfidenceEllipse>& all);
void diagnostics(JsonText& j, bool ok, const EosDiagnostics& d, std::optional<double> pc);

void eos(JsonText& j, const EosFit& fit, const EosDiagnostics* extra = nullptr, std::optional<double> pc = std::nullopt) {
    const bool ok = fit.status.ok;
    const bool edge = fit.isEdge();
    const auto put = [&](const char* name, const char* esdName, const FittedValue& v) {
        j.key(name).numberIf(ok, v.value);
        j.key(esdName).numberIf(ok, v.esd);
    };
    j.open('{').key("model").string(std::string(eosModelName(fit.model))).key("quantity").string(std::string(eosQuantityName(fit.quantity)));
    if (edge) {
        put("x0", "x0_esd", fit.v0);
        put("M0", "M0_esd", fit.k0);
        put("Mp", "Mp_esd", fit.kp);
        put("Mpp", "Mpp_esd", fit.kpp);
    } else {
        put("V0", "V0_esd", fit.v0);
        put("K0", "K0_esd", fit.k0);
        put("Kp", "Kp_esd", fit.kp);
        put("Kpp", "Kpp_esd", fit.kpp);
    }
    j.key("parameters").open('[');
    for (const std::string& name : fit.parameters) j.string(name);
    j.close(']').key("correlation");
    if (ok) {
        const std::size_t p = fit.parameters.size();
        j.open('[');
        for (std::size_t a = 0; a < p; ++a) {
            j.open('[');
            for (std::size_t b = 0; b < p; ++b) j.number(fit.covariance.correlation(a, b));
            j.close(']');
        }
        j.close(']');
    } else {
        j.null();
    }
    j.key("chi2").numberIf(ok, fit.chi2).key("dof");
    if (ok) j.integer(fit.dof);
    else j.null();
    j.key("max_residual").numberIf(ok, fit.maxResidual);
    residuals(j, ok, fit.residuals(), true);
    if (extra) diagnostics(j, ok, *extra, pc);
    j.key("status").string(fit.status.text).close('}');
}

void empirical(JsonText& j, const EmpiricalFit& fit) {
    const bool ok = fit.status.ok;
    j.open('{').key("axis").integer(fit.axis);
    const std::pair<const char*, const FittedValue*> values[] = {
        {"eps0", &fit.eps0}, {"lambda", &fit.lambda}, {"pc", &fit.pc}, {"nu", &fit.nu}};
    for (const auto& [name, v] : values) {
        j.key(name).numberIf(ok, v->value);
        j.key(std::string(name) + "_esd").numberIf(ok, v->esd);
    }
    j.key("chi2").numberIf(ok, fit.chi2).key("dof");
    if (ok) j.integer(fit.dof);
    else j.null();
    j.key("K");
    if (ok) {
        j.open('[');
        for (std::size_t i = 0; i < fit.points.count; ++i) {
            const ValueAtPoint k = fit.kAt(i);
            j.open('{').key("x").number(k.x).key("value").number(k.value).key("esd").number(k.esd).close('}');
        }
        j.close(']');
    } else {
        j.null();
    }
    residuals(j, ok, fit.residuals(), false);
    j.key("status").string(fit.status.text).close('}');
}

// The series' axes, which number every principal axis of the fits and the figures.
void seriesAxes(JsonText& j, const SeriesAxes& axes) {
    j.key("axes").open('[');
    for (const SeriesAxis& axis : axes.axes) {
        j.open('{').key("number").integer(axis.number);
        if (axis.hasDirection) j.key("uvw").numbers(axis.uvw).key("vector").numbers(axis.vector).key("to_abc").numbers(axis.toAbc);
        else j.key("uvw").null().key("vector").null().key("to_abc").null();
        j.key("equal_to").open('[');
        for (const int other : axis.equalTo) j.integer(other);
        j.close(']').close('}');
    }
    j.close(']');
}

// A confidence ellipse per pair of free parameters and level.
void ellipses(JsonText& j, const std::vector<ConfidenceEllipse>& all) {
    j.key("ellipses").open('[');
    for (const ConfidenceEllipse& e : all) {
        j.open('{').key("parameters").open('[').string(e.parameters[0]).string(e.parameters[1]).close(']');
        j.key("level").number(e.level).key("delta_chi2").number(e.deltaChi2).key("center").numbers(e.center);
        j.key("semi_axes").numbers(e.semiAxes).key("points").open('[');
        for (const auto& point : e.points) j.numbers(point);
        j.close(']').close('}');
    }
    j.close(']');
}

// What an equation of state P(V) gains where the state fits are there: its AICc, its ellipses and Pc.
void diagnostics(JsonText& j, bool ok, const EosDiagnostics& d, std::optional<double> pc) {
    j.key("aicc").numberIf(ok, d.aicc);
    ellipses(j, d.ellipses);
    if (pc) j.key("Pc").number(*pc);
}

void correlationRows(JsonText& j, bool ok, const Covariance& c) {
    j.key("correlation");
    if (!ok) {
        j.null();
        return;
    }
    j.open('[');
    for (std::size_t a = 0; a < c.size(); ++a) {
        j.open('[');
        for (std::size_t b = 0; b < c.size(); ++b) j.number(c.correlation(a, b));
        j.close(']');
    }
    j.close(']');
}

// The parameters of a model fitted through the parametric fit, each with "_esd" (null for a fixed
// one), the free ones in the covariance's order and the fixed ones; the statistics follow.
void parametric(JsonText& j, const ParametricFit& fit, const std::function<std::string(const std::string&)>& key) {
    const bool ok = fit.status.ok;
    for (const std::string& name : fit.names) {
        const std::optional<FittedValue> v = fit.parameter(name);
        j.key(key(name)).numberIf(ok, v->value);
        j.key(key(name) + "_esd").numberIf(ok, v->esd);
    }
    j.key("parameters").open('[');
    for (const std::string& name : fit.freeNames) j.string(key(name));
    j.close(']').key("fixed").open('[');
    for (std::size_t k = 0; k < fit.names.size(); ++k)
        if (fit.isFixed(k)) j.string(key(fit.names[k]));
    j.close(']');
    correlationRows(j, ok, fit.covariance);
    j.key("chi2").numberIf(ok, fit.chi2).key("dof");
    if (ok) j.integer(fit.dof);
    else j.null();
    j.key("aicc").numberIf(ok, fit.aicc);
    ellipses(j, ok ? fit.ellipses : std::vector<ConfidenceEllipse>{});
}

// A T as the series holds it: a measured one as the float it was read as.
void seriesNumber(JsonText& j, double x) {
    const auto f = static_cast<float>(x);
    if (static_cast<double>(f) == x) j.number(f);
    else j.number(x);
}

void thermal(JsonText& j, const ThermalFit& t) {
    const bool ok = t.fit.status.ok;
    j.open('{').key("model").string(std::string(thermalModelName(t.model))).key("quantity").string(std::string(eosQuantityName(t.quantity)));
    j.key("Tref").number(t.tref);
    parametric(j, t.fit, [](const std::string& name) { return name; });
    j.key("alpha");
    if (ok) {
        j.open('[');
        for (const ValueAt& a : t.alpha) {
            j.open('{').key("x");
            seriesNumber(j, a.x);
            j.key("value").number(a.value).key("esd").number(a.esd).close('}');
        }
        j.close(']');
    } else {
        j.null();
    }
    residuals(j, ok, t.fit.residuals, true);
    j.key("status").string(t.fit.status.text).close('}');
}

void pvt(JsonText& j, const PvtFit& f) {
    const bool ok = f.fit.status.ok;
    j.open('{').key("model").string(pvtModelName(f.model)).key("quantity").string("volume").key("Tref").number(f.tref);
    if (f.pc) j.key("Pc").number(*f.pc);
    parametric(j, f.fit, [](const std::string& name) { return name; });
    j.key("at");
    if (ok) {
        j.open('[');
        for (const PvtAt& a : f.at) {
            j.open('{').key("P");
            seriesNumber(j, a.p);
            j.key("T");
            seriesNumber(j, a.t);
            j.key("V").numberIf(a.ok, a.v).key("V_esd").numberIf(a.ok, a.vEsd).key("K").numberIf(a.ok, a.k);
            j.key("K_esd").numberIf(a.ok, a.kEsd).key("Kp").numberIf(a.ok, a.kp).key("alpha").numberIf(a.ok, a.alpha);
            j.key("alpha_esd").numberIf(a.ok, a.alphaEsd).close('}');
        }
        j.close(']');
    } else {
        j.null();
    }
    residuals(j, ok, f.fit.residuals, true);
    j.key("status").string(f.fit.status.text).close('}');
}

// V(T), P(V, T) and the F-tests of each family.
void stateFits(JsonText& j, const StateFits& s) {
    j.key("volume_only").boolean(s.volumeOnly);
    j.key("thermal").open('[');
    for (const ThermalFit& t : s.thermal) thermal(j, t);
    j.close(']').key("pvt").open('[');
    for (const PvtFit& f : s.pvt) pvt(j, f);
    j.close(']').key("model_choice").open('[');
    for (const FTest& t : s.fTests)
        j.open('{').key("quantity").string(t.quantity).key("lower").string(t.lower).key("higher").string(t.higher)
            .key("F").number(t.f).key("probability").number(t.probability).key("higher_warranted").boolean(t.higherWarranted).close('}');
    j.close(']');
}


// The axes on a line of their own, then the fits.
void fitsMembers(JsonText& j, const FitResult& result) {
    j.members();
    if (result.axes && !result.axes->points.empty()) {
        seriesAxes(j, *result.axes);
        j.raw(",\n").members();
    }
    if (!result.status.ok) {
        j.key("fits").null().key("fits_reason").string(result.status.text);
        return;
    }
    j.key("fits").open('{');
    j.key("variable").string(result.states && result.states->pvtSeries ? "pressure-temperature"
                             : result.pressure                          ? "pressure"
                                                                        : "temperature");
    j.key("reference").integer(result.reference);
    j.key("strain").string(std::string(strainTypeKey(result.strain)));
    j.key("weights").string(result.weights == FitWeights::esd ? "esd" : "none");
    j.key("notes").open('[');
    for (const std::string& note : result.notes) j.string(note);
    j.close(']');
    j.key("linear");
    if (result.linear) linear(j, *result.linear, *result.axes);
    else j.null();
    j.key("tensor");
    if (result.tensor) tensor(j, *result.tensor);
    else j.null();
    if (result.pressure) {
        j.key("eos").open('[');
        for (std::size_t k = 0; k < result.eos.size(); ++k) {
            const bool extra = result.states && k < result.states->eos.size();
            eos(j, result.eos[k], extra ? &result.states->eos[k] : nullptr, extra ? result.states->pc : std::nullopt);
        }
        j.close(']').key("empirical").open('[');
        for (const EmpiricalFit& fit : result.empirical) empirical(j, fit);
        j.close(']').key("ff");
        if (result.ff && result.ff->status.ok) {
            j.open('[');
            result.ff->forEachPoint([&j](const NormalisedPressurePoint& p) {
                j.open('{').key("point").integer(p.point).key("x").number(p.x).key("f").number(p.f).key("f_esd").number(p.fEsd)
                    .key("F").number(p.F).key("F_esd").number(p.FEsd).close('}');
            });
            j.close(']');
        } else {
            j.null().key("ff_reason").string(result.ff ? result.ff->status.text : "not computed");
        }
    } else {
        j.key("eos").null().key("empirical").null().key("ff").null();
    }
    if (result.states) stateFits(j, *result.states);
    j.close('}');
}

}  // namespace

void writeFitsJsonMembers(const FitResult& result, const std::function<void(std::string_view)>& write) {
    JsonText j(write);
    fitsMembers(j, result);
    j.finish();
}

std::string fitsJsonMembers(const FitResult& result) {
    std::string text;
    writeFitsJsonMembers(result, [&text](std::string_view piece) { text.append(piece); });
    return text;
}
