// The confidence ellipses of K0 and K' as a figure: each level an ellipse about the fitted values,
// drawn as its upper and lower arcs (each rising in K0, as a fitted curve is drawn).
#include <algorithm>
#include <charconv>
#include <cmath>
#include <numbers>

#include "fit/confidence_ellipse.hpp"
#include "fit/state_fits.hpp"
#include "plots/data/figures.hpp"

namespace {

constexpr int kArcPoints = 61;

// The K0-K' ellipses (both levels) of a fit's free parameters, and the model's name.
struct ChosenEllipses {
    std::string model;
    std::vector<ConfidenceEllipse> ellipses;
};

std::vector<ConfidenceEllipse> kOfKp(const Covariance& c, const std::vector<std::string>& names, const std::vector<double>& values) {
    const auto k0 = std::find(names.begin(), names.end(), "K0");
    const auto kp = std::find(names.begin(), names.end(), "Kp");
    if (k0 == names.end() || kp == names.end()) return {};
    return confidenceEllipses(c, names, values, static_cast<std::size_t>(k0 - names.begin()), static_cast<std::size_t>(kp - names.begin()));
}

// The first P-V-T model, or else the first equation of state of the volume, that fits K0 and K'.
std::optional<ChosenEllipses> chosen(const FitResult& fits) {
    if (fits.states)
        for (const PvtFit& f : fits.states->pvt) {
            if (!f.fit.status.ok) continue;
            std::vector<double> values;
            for (std::size_t j = 0; j < f.fit.names.size(); ++j)
                if (!f.fit.isFixed(j)) values.push_back(f.fit.values[j]);
            std::vector<ConfidenceEllipse> e = kOfKp(f.fit.covariance, f.fit.freeNames, values);
            if (!e.empty()) return ChosenEllipses{pvtModelName(f.model), std::move(e)};
        }
    for (const EosFit& f : fits.eos) {
        if (!f.status.ok || f.isEdge()) continue;
        // The free parameters in the covariance's order: V0, K0, K', K'' less any held.
        std::vector<double> values;
        for (const std::string& name : f.parameters)
            values.push_back(name == "V0" ? f.v0.value : name == "K0" ? f.k0.value : name == "Kp" ? f.kp.value : f.kpp.value);
        std::vector<ConfidenceEllipse> e = kOfKp(f.covariance, f.parameters, values);
        if (!e.empty()) return ChosenEllipses{std::string(eosModelName(f.model)), std::move(e)};
    }
    return std::nullopt;
}

// One arc of an ellipse, from one end of its extent in K0 to the other, K0 ascending.
FittedCurve arc(const ConfidenceEllipse& e, bool upper) {
    const double c = std::cos(e.angle), s = std::sin(e.angle);
    const double a = e.semiAxes[0], b = e.semiAxes[1];
    // x(t) = x0 + a c cos t - b s sin t is extreme where its derivative vanishes.
    const double t0 = std::atan2(-b * s, a * c);
    FittedCurve curve;
    for (int k = 0; k < kArcPoints; ++k) {
        const double t = t0 + (upper ? 0.0 : std::numbers::pi) + std::numbers::pi * k / (kArcPoints - 1);
        const double u = a * std::cos(t), v = b * std::sin(t);
        curve.x.push_back(e.center[0] + c * u - s * v);
        curve.y.push_back(e.center[1] + s * u + c * v);
    }
    if (curve.x.front() > curve.x.back()) {
        std::reverse(curve.x.begin(), curve.x.end());
        std::reverse(curve.y.begin(), curve.y.end());
    }
    // Of the two arcs, the upper one lies above the centre at its middle.
    return curve;
}

std::string csvNumber(double v) {
    char buffer[32];
    return std::string(buffer, std::to_chars(buffer, buffer + sizeof buffer, v).ptr);
}

}  // namespace

std::optional<NamedFigure> confidenceEllipseFigure(const PlotRecorder& record) {
    if (!record.fitResult()) return std::nullopt;
    const std::optional<ChosenEllipses> c = chosen(*record.fitResult());
    if (!c) return std::nullopt;
    NamedFigure named;
    named.stem = "ellipse";
    named.title = "K0–K\u2032 ellipse";
    Figure& f = named.figure;
    f.xLabel = record.pressureUnit().empty() ? "K0" : "K0 (" + record.pressureUnit() + ")";
    PlotPanel panel;
    panel.yLabel = "K\u2032";
    for (const ConfidenceEllipse& e : c->ellipses) {
        const bool inner = e.deltaChi2 < 3.0;
        for (const bool upper : {true, false}) {
            FittedCurve curve = arc(e, upper);
            curve.colour = inner ? PlotColour::axis1 : PlotColour::axis2;
            curve.dashed = !inner;
            if (upper)
                curve.name = inner ? "68.3 % (\u0394\u03c7\u00b2 = 2.30)" : "95.4 % (\u0394\u03c7\u00b2 = 6.18)";
            panel.curves.push_back(std::move(curve));
        }
    }
    PlotLine centre;
    centre.name = "fitted K0, K\u2032";
    centre.colour = PlotColour::volume;
    centre.joined = false;
    centre.x = {static_cast<float>(c->ellipses.front().center[0])};
    centre.y = {static_cast<float>(c->ellipses.front().center[1])};
    centre.esd = {std::nanf("")};
    panel.lines.push_back(std::move(centre));
    f.panels.push_back(std::move(panel));
    f.caption = "Confidence ellipses of K0 and K\u2032 of " + c->model +
                " (volume), from the covariance of its fit: where \u03c7\u00b2 rises by \u0394\u03c7\u00b2 from its minimum.";
    // The points of each ellipse as the JSON holds them.
    named.csv = "level,delta_chi2,point,K0,Kp\r\n";
    for (const ConfidenceEllipse& e : c->ellipses)
        for (std::size_t k = 0; k < e.points.size(); ++k)
            named.csv += csvNumber(e.level) + "," + csvNumber(e.deltaChi2) + "," + std::to_string(k + 1) + "," +
                         csvNumber(e.points[k][0]) + "," + csvNumber(e.points[k][1]) + "\r\n";
    return named;
}
