// The fits over the series in the plots: curves over the measured points, and the figures that
// only fits give (F-f, compressibility of each axis).
#include <algorithm>
#include <cmath>
#include <limits>

#include "calc/series.hpp"
#include "format/coefficient_units.hpp"
#include "format/esd_notation.hpp"
#include "plots/data/plot_collector.hpp"
#include "plots/data/plot_labels.hpp"
#include "plots/data/plot_ranges.hpp"

namespace {

constexpr int kCurveSamples = 121;
constexpr std::array<PlotColour, 3> kAxisColours{PlotColour::axis1, PlotColour::axis2, PlotColour::axis3};
constexpr float kNoEsd = std::numeric_limits<float>::quiet_NaN();

std::vector<double> samples(double low, double high) {
    std::vector<double> x;
    if (!(high > low)) return {low};
    for (int k = 0; k < kCurveSamples; ++k)
        x.push_back(low + (high - low) * static_cast<double>(k) / static_cast<double>(kCurveSamples - 1));
    return x;
}

// The axis a line of an axis figure stands for, from its first CSV column: "axis_2" is axis 2,
// "Y" the diagonal component 2 (from 0).
int axisOfLine(const PlotLine& line) {
    const std::string& column = line.columns.front();
    if (column.size() == 1) return column[0] - 'X';
    return column.back() - '1';
}

}  // namespace

std::array<double, 2> PlotCollector::dataRange() const {
    double low = std::numeric_limits<double>::infinity(), high = -low;
    for (const DataPoint& p : points_) {
        low = std::min(low, static_cast<double>(variableOf(p, pressureRun_)));
        high = std::max(high, static_cast<double>(variableOf(p, pressureRun_)));
    }
    return {low, high};
}

void PlotCollector::addTensorCurves(Figure& figure) const {
    if (!fits_ || !fits_->tensor || !fits_->tensor->status.ok || figure.panels.empty() || rows_.empty()) return;
    const TensorFit& tensor = *fits_->tensor;
    // Samples across the data, and at each calculation's midpoint, where the fit meets the points.
    const auto [low, high] = dataRange();
    std::vector<double> xs = samples(low, high);
    for (const Row& row : rows_) xs.push_back(row.midpoint);
    std::sort(xs.begin(), xs.end());
    xs.erase(std::unique(xs.begin(), xs.end()), xs.end());
    std::vector<TensorAt> at;
    at.reserve(xs.size());
    for (const double x : xs) at.push_back(tensor.tensorAt(x));

    PlotPanel& panel = figure.panels.front();
    for (PlotLine& line : panel.lines) {
        const int k = axisOfLine(line);
        if (k < 0 || k > 2) continue;
        line.joined = false;  // the fit joins them
        FittedCurve curve;
        curve.colour = line.colour;
        for (std::size_t s = 0; s < at.size(); ++s) {
            curve.x.push_back(xs[s]);
            // The fit's principal axes carry the series' numbers: axis k + 1 is principal[k].
            curve.y.push_back(principalAxes_ ? at[s].principal[k].value : at[s].tensor(k + 1, k + 1));
            curve.esd.push_back(principalAxes_ ? at[s].principal[k].esd : at[s].esd(k + 1, k + 1));
        }
        panel.curves.push_back(std::move(curve));
    }
    figure.fitLegend = "tensor fit (order " + std::to_string(tensor.order) + "), ± 1 esd";
}

void PlotCollector::addStrainCurves(Figure& figure) const {
    if (!fits_ || !fits_->status.ok || figure.panels.empty()) return;
    const auto [low, high] = dataRange();
    const std::vector<double> xs = samples(low, high);
    // Under pressure the empirical law of each axis; otherwise (or where it failed) the line.
    const auto empiricalOf = [&](int f) -> const EmpiricalFit* {
        for (const EmpiricalFit& e : fits_->empirical)
            if (e.axis == f + 1 && e.status.ok) return &e;
        return nullptr;
    };
    bool empirical = false, linear = false;
    PlotPanel& panel = figure.panels.front();
    for (PlotLine& line : panel.lines) {
        const int f = axisOfLine(line);
        if (f < 0 || f > 2) continue;
        FittedCurve curve;
        curve.colour = line.colour;
        curve.x = xs;
        if (const EmpiricalFit* e = pressureRun_ ? empiricalOf(f) : nullptr) {
            for (const double x : xs) {
                curve.y.push_back(e->strainAt(x));
                curve.esd.push_back(e->strainEsdAt(x));
            }
            empirical = true;
        } else if (fits_->linear && fits_->linear->principal[f].line.status.ok) {
            const PolynomialFit& fit = fits_->linear->principal[f].line;
            for (const double x : xs) {
                curve.y.push_back(fit.value(x));
                curve.esd.push_back(fit.valueEsd(x));
            }
            linear = true;
        } else {
            continue;
        }
        line.joined = false;
        panel.curves.push_back(std::move(curve));
    }
    if (empirical && linear)
        figure.fitLegend = "fits (empirical law, or a line where it failed), ± 1 esd";
    else if (empirical)
        figure.fitLegend = "empirical fit ε0 + λ(P − Pc)^ν, ± 1 esd";
    else if (linear)
        figure.fitLegend = "linear fit, ± 1 esd";
}

const EosFit* PlotCollector::chosenEos(EosQuantity quantity) const {
    if (!fits_) return nullptr;
    // BM3, the usual choice, where it converged; otherwise the first model asked for that did.
    const EosFit* first = nullptr;
    for (const EosFit& e : fits_->eos) {
        if (e.quantity != quantity || !e.status.ok) continue;
        if (e.model == EosModel::BM3) return &e;
        if (!first) first = &e;
    }
    return first;
}

void PlotCollector::addCellCurves(Figure& figure) const {
    if (!fits_ || !fits_->status.ok || points_.empty()) return;
    const auto [low, high] = dataRange();
    const std::vector<double> xs = samples(low, high);
    const std::size_t ref = static_cast<std::size_t>(std::max(1, fits_->reference) - 1);
    if (ref >= points_.size()) return;
    const UnitCell& reference = points_[ref].cell;
    std::string models;
    for (PlotPanel& panel : figure.panels) {
        if (panel.lines.empty()) continue;
        const std::string column = panel.lines.front().columns.front();
        const int edge = column == "a" ? 0 : column == "b" ? 1 : column == "c" ? 2 : column == "V" ? 3 : -1;
        if (edge < 0) continue;  // an angle: no fit
        FittedCurve curve;
        if (!pressureRun_) {
            if (!fits_->linear) continue;
            // A straight line through the relative change from the reference point.
            const LinearFit& fit = edge == 0   ? fits_->linear->a
                                   : edge == 1 ? fits_->linear->b
                                   : edge == 2 ? fits_->linear->c
                                               : fits_->linear->volume;
            if (!fit.line.status.ok) continue;
            const double base = edge < 3 ? reference[edge] : reference.volume();
            for (const double x : xs) {
                curve.x.push_back(x);
                curve.y.push_back(base * (1.0 + fit.line.value(x)));
                curve.esd.push_back(base * fit.line.valueEsd(x));
            }
        } else {
            constexpr EosQuantity kOf[] = {EosQuantity::a, EosQuantity::b, EosQuantity::c, EosQuantity::volume};
            const EosFit* eos = chosenEos(kOf[edge]);
            if (!eos) continue;
            for (const double x : xs) {
                if (const auto v = eos->volumeAt(x)) {
                    curve.x.push_back(x);
                    curve.y.push_back(v->value);
                    curve.esd.push_back(v->esd);
                }
            }
            const std::string name(eosModelName(eos->model));
            if (models.find(name) == std::string::npos) models += (models.empty() ? "" : ", ") + name;
        }
        if (curve.x.empty()) continue;
        panel.lines.front().joined = false;
        panel.curves.push_back(std::move(curve));
    }
    const bool any = std::any_of(figure.panels.begin(), figure.panels.end(),
                                 [](const PlotPanel& p) { return !p.curves.empty(); });
    if (any) figure.fitLegend = (pressureRun_ ? models + " fit" : std::string("linear fit")) + ", ± 1 esd";
}

std::optional<Figure> PlotCollector::normalisedPressure() const {
    if (!pressureRun_ || !fits_ || !fits_->ff || !fits_->ff->status.ok || fits_->ff->points.empty()) return {};
    const NormalisedPressure& ff = *fits_->ff;
    Figure f;
    f.xLabel = "f (Eulerian finite strain)";
    PlotPanel panel;
    panel.yLabel = pressureUnit_.empty() ? "F" : "F (" + pressureUnit_ + ")";
    PlotLine line;
    line.name = "F against f";
    line.inLegend = false;
    line.columns = {"F"};
    line.colour = PlotColour::volume;
    line.joined = false;
    bool esds = false;
    double low = std::numeric_limits<double>::infinity(), high = -low;
    for (const NormalisedPressurePoint& p : ff.points) {
        line.x.push_back(static_cast<float>(p.f));
        line.xEsd.push_back(p.fEsd > 0.0 ? static_cast<float>(p.fEsd) : kNoEsd);
        line.y.push_back(static_cast<float>(p.F));
        line.esd.push_back(p.FEsd > 0.0 ? static_cast<float>(p.FEsd) : kNoEsd);
        esds = esds || p.FEsd > 0.0;
        low = std::min(low, p.f);
        high = std::max(high, p.f);
    }
    panel.lines.push_back(std::move(line));
    // The lines the two Birch-Murnaghan fits of the volume give: F = K0 for BM2, and
    // F = K0 (1 + 3/2 (K' - 4) f) for BM3.
    const std::string unit = pressureUnit_.empty() ? "" : " " + pressureUnit_;
    for (const EosFit& e : fits_->eos) {
        if (e.quantity != EosQuantity::volume || !e.status.ok || (e.model != EosModel::BM2 && e.model != EosModel::BM3)) continue;
        FittedCurve curve;
        const bool third = e.model == EosModel::BM3;
        curve.dashed = !third;
        curve.name = std::string(eosModelName(e.model)) + ": K0 = " + withTrueMinus(valueWithEsd(e.k0.value, e.k0.esd)) +
                     unit + (third ? ", K′ = " + withTrueMinus(valueWithEsd(e.kp.value, e.kp.esd)) : "");
        for (const double x : samples(std::min(0.0, low), high)) {
            curve.x.push_back(x);
            curve.y.push_back(third ? e.k0.value * (1.0 + 1.5 * (e.kp.value - 4.0) * x) : e.k0.value);
        }
        panel.curves.push_back(std::move(curve));
    }
    // Near f = 0 F is a ratio of two small numbers: such a point is no guide to the range.
    panel.yRange = robustRange(panel);
    f.panels.push_back(std::move(panel));
    if (!esds) f.caption = "No esds: neither the cells nor P carry any.";
    f.note = "The normalised pressure F = P / [3f(1 + 2f)^(5/2)] against the Eulerian finite strain f = [(V0/V)^(2/3) − "
             "1]/2, V0 from the BM3 fit, ± one esd: flat for a second-order equation of state, a line of slope "
             "3K0(K′ − 4)/2 for a third-order one.";
    return f;
}

std::optional<Figure> PlotCollector::compressibility() const {
    if (!pressureRun_ || !fits_) return {};
    const CoefficientUnit unit = coefficientScale();
    const auto [low, high] = dataRange();
    const std::vector<double> xs = samples(low, high);
    Figure f;
    f.xLabel = variableLabel(true, pressureUnit_);
    PlotPanel panel;
    panel.zeroLine = true;
    panel.scale = unit.factor;
    panel.yLabel = coefficientLabel(unit);
    std::vector<std::pair<int, FittedCurve>> curves;
    std::string failed;
    // The axes whose law failed, grouped by the reason: drawn from the tensor fit, or not at all.
    std::vector<std::pair<std::string, std::string>> fromTensor, undrawn;
    const auto addTo = [](std::vector<std::pair<std::string, std::string>>& list, const std::string& reason,
                          const std::string& name) {
        const auto same = std::find_if(list.begin(), list.end(), [&](const auto& r) { return r.first == reason; });
        if (same == list.end()) list.emplace_back(reason, name);
        else same->second += ", " + name;
    };
    const TensorFit* tensor = fits_->tensor && fits_->tensor->status.ok ? &*fits_->tensor : nullptr;
    std::vector<TensorAt> tensorAt;  // the tensor fit along the samples, for axes whose law failed
    for (int t = 0; t < 3; ++t) {
        const int number = t + 1;
        const std::string name = axisName(t);
        for (const EmpiricalFit& e : fits_->empirical) {
            if (e.axis != number) continue;
            FittedCurve curve;
            curve.colour = kAxisColours[number - 1];
            curve.name = name;
            curve.column = principalAxes_ ? "axis_" + std::to_string(number) : name;
            curve.x = xs;
            if (e.status.ok) {
                for (const double x : xs) {
                    curve.y.push_back(e.compressibilityAt(x));
                    curve.esd.push_back(e.compressibilityEsdAt(x));
                }
            } else if (tensor) {
                // The same quantity from the tensor fit: its derivative along the axis.
                if (tensorAt.empty())
                    for (const double x : xs) tensorAt.push_back(tensor->tensorAt(x));
                for (const TensorAt& a : tensorAt) {
                    curve.y.push_back(principalAxes_ ? a.principal[t].value : a.tensor(t + 1, t + 1));
                    curve.esd.push_back(principalAxes_ ? a.principal[t].esd : a.esd(t + 1, t + 1));
                }
                curve.name += " (tensor fit)";
                curve.dashed = true;
                addTo(fromTensor, e.status.text, name);
            } else {
                addTo(undrawn, e.status.text, name);
                continue;
            }
            curves.emplace_back(number, std::move(curve));
        }
    }
    const auto listed = [](const std::vector<std::pair<std::string, std::string>>& list) {
        std::string text;
        for (const auto& [reason, names] : list) text += (text.empty() ? "" : "; ") + names + ": " + reason;
        return text;
    };
    if (!fromTensor.empty())
        failed = "Dashed: the tensor fit's derivative, where the empirical law failed (" + listed(fromTensor) + ").";
    if (!undrawn.empty()) failed += std::string(failed.empty() ? "" : " ") + "No curve for " + listed(undrawn) + ".";
    if (curves.empty()) return {};
    std::sort(curves.begin(), curves.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    for (auto& [number, curve] : curves) panel.curves.push_back(std::move(curve));
    // Near Pc the law's slope runs off to infinity: that end does not set the range.
    panel.yRange = robustRange(panel);
    f.panels.push_back(std::move(panel));
    if (!failed.empty()) f.caption = failed;
    f.note = "The compressibility β = −dε/dP of each principal axis from its empirical fit ε = ε0 + λ(P − Pc)^ν "
             "(dashed: from the tensor fit where the law failed), ± one esd from the fit's covariance.";
    return f;
}
