// The cell parameters of every data point, a panel each, with the fits of the edges and V.
#include <algorithm>
#include <cmath>
#include <limits>

#include "calc/series.hpp"
#include "format/coefficient_units.hpp"
#include "plots/data/figures.hpp"
#include "plots/data/series_names.hpp"

namespace {

constexpr float kNoValue = std::numeric_limits<float>::quiet_NaN();  // a gap in a line

const EosFit* chosenEos(const FitResult& fits, EosQuantity quantity) {
    // BM3, the usual choice, where it converged; otherwise the first model asked for that did.
    const EosFit* first = nullptr;
    for (const EosFit& e : fits.eos) {
        if (e.quantity != quantity || !e.status.ok) continue;
        if (e.model == EosModel::BM3) return &e;
        if (!first) first = &e;
    }
    return first;
}

// Why an edge or V (0 to 3) of a pressure series has no fitted curve: its equations of state failed.
std::string eosFailure(const FitResult& fits, int edge) {
    constexpr EosQuantity kOf[] = {EosQuantity::a, EosQuantity::b, EosQuantity::c, EosQuantity::volume};
    for (const EosFit& e : fits.eos)
        if (e.quantity == kOf[edge] && !e.status.ok)
            return std::string(eosModelName(e.model)) + " of " + std::string(eosQuantityName(e.quantity)) + ": " +
                   e.status.text;
    return "no equation of state of " + std::string(eosQuantityName(kOf[edge]));
}

// Each panel whose points no fit stands for keeps them joined, and its legend says why.
void markPanelsWithoutFit(const PlotRecorder& record, Figure& figure) {
    const std::optional<FitResult>& fits = record.fitResult();
    NamesByReason why;
    for (PlotPanel& panel : figure.panels) {
        if (panel.lines.empty() || !panel.curves.empty()) continue;
        PlotLine& line = panel.lines.front();
        const std::string& column = line.columns.front();
        const int edge = column == "a" ? 0 : column == "b" ? 1 : column == "c" ? 2 : column == "V" ? 3 : -1;
        std::string reason = noFitsReason(record);
        if (reason.empty()) {
            if (edge < 0)
                reason = "angles are not fitted";
            else if (record.pressureRun())
                reason = eosFailure(*fits, edge);
            else if (fits->linear) {
                const LinearFit& fit = edge == 0   ? fits->linear->a
                                       : edge == 1 ? fits->linear->b
                                       : edge == 2 ? fits->linear->c
                                                   : fits->linear->volume;
                reason = "linear fit: " + fit.line.status.text;
            } else {
                reason = "no linear fit";
            }
        }
        // The symbols the panel stands for: "a = b" where they share it.
        const std::string symbol = panel.yLabel.substr(0, panel.yLabel.rfind(" ("));
        markJoinedWithoutFit(line, symbol, reason, why);
    }
    const std::string text = joinedWithoutFitText(why);
    if (!text.empty()) figure.caption += (figure.caption.empty() ? "" : " ") + text;
}

void addCellCurves(const PlotRecorder& record, Figure& figure) {
    const std::optional<FitResult>& fits = record.fitResult();
    const std::vector<PlotPoint>& points = record.points();
    if (!fits || !fits->status.ok || points.empty()) return;
    const bool pressure = record.pressureRun();
    const auto [low, high] = record.dataRange();
    const std::vector<double> xs = curveSamples(low, high);
    const std::size_t ref = static_cast<std::size_t>(std::max(1, fits->reference) - 1);
    if (ref >= points.size()) return;
    const UnitCell& reference = points[ref].cell;
    std::string models;
    for (PlotPanel& panel : figure.panels) {
        if (panel.lines.empty()) continue;
        const std::string column = panel.lines.front().columns.front();
        const int edge = column == "a" ? 0 : column == "b" ? 1 : column == "c" ? 2 : column == "V" ? 3 : -1;
        if (edge < 0) continue;  // an angle: no fit
        FittedCurve curve;
        if (!pressure) {
            if (!fits->linear) continue;
            // A straight line through the relative change from the reference point.
            const LinearFit& fit = edge == 0   ? fits->linear->a
                                   : edge == 1 ? fits->linear->b
                                   : edge == 2 ? fits->linear->c
                                               : fits->linear->volume;
            if (!fit.line.status.ok) continue;
            const double base = edge < 3 ? reference[edge] : reference.volume();
            for (const double x : xs) {
                curve.x.push_back(x);
                curve.y.push_back(base * (1.0 + fit.line.value(x)));
                curve.esd.push_back(base * fit.line.valueEsd(x));
            }
        } else {
            constexpr EosQuantity kOf[] = {EosQuantity::a, EosQuantity::b, EosQuantity::c, EosQuantity::volume};
            const EosFit* eos = chosenEos(*fits, kOf[edge]);
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
        for (const std::string& name : panel.lines.front().columns) curve.columns.push_back(name + "_fit");
        panel.lines.front().joined = false;
        panel.curves.push_back(std::move(curve));
    }
    const bool any = std::any_of(figure.panels.begin(), figure.panels.end(),
                                 [](const PlotPanel& p) { return !p.curves.empty(); });
    if (any) figure.fitLegend = (pressure ? models + " fit" : std::string("linear fit")) + ", ± 1 esd";
}

}  // namespace

Figure cellFigure(const PlotRecorder& record) {
    const std::vector<PlotPoint>& points = record.points();
    const bool pressure = record.pressureRun();
    const CrystalSystem system = record.crystalSystem();
    Figure f;
    f.xLabel = variableLabel(pressure, record.variableUnit());
    f.columns = 2;
    if (points.empty()) return f;

    struct Quantity {
        const char* symbol;  // as shown
        const char* column;  // in the CSV
        const char* unit;
        PlotColour colour;
        int parameter;  // 0 to 5; 6: the volume
    };
    static constexpr Quantity kQuantities[] = {
        {"a", "a", "Å", PlotColour::cellA, 0},      {"b", "b", "Å", PlotColour::cellB, 1},
        {"c", "c", "Å", PlotColour::cellC, 2},      {"α", "alpha", "°", PlotColour::cellA, 3},
        {"β", "beta", "°", PlotColour::cellB, 4},   {"γ", "gamma", "°", PlotColour::cellC, 5},
        {"V", "V", "Å³", PlotColour::volume, 6},
    };
    const auto lineOf = [&](const Quantity& q) {
        PlotLine line;
        line.name = q.symbol;
        line.columns = {q.column};
        line.colour = q.colour;
        reserveLine(line, points.size());
        for (const PlotPoint& p : points) {
            line.x.push_back(p.x);
            const bool six = q.parameter < 6;
            const float value = six ? p.cell[q.parameter] : p.cell.volume();
            // A volume single precision cannot hold (edges of some 1e13 Å) leaves a gap in its line.
            line.y.push_back(std::isfinite(value) ? value : kNoValue);
            const float esd = six ? p.cell.esd[q.parameter] : p.cell.volumeEsd(system);
            // An esd single precision cannot hold draws no error bar, like a missing one; a gap has none.
            line.esd.push_back(!std::isfinite(value) || !p.cell.hasEsds() || !std::isfinite(esd) ? kNoEsd : esd);
        }
        return line;
    };
    // Edges equal by symmetry share one panel: a = b = c cubic, a = b tetragonal, trigonal and
    // hexagonal, when the cells hold them so.
    const bool cubic = system == CrystalSystem::cubic;
    const bool aEqualsB = cubic || system == CrystalSystem::tetragonal || system == CrystalSystem::trigonal ||
                          system == CrystalSystem::hexagonal;
    std::vector<PlotLine> lines;
    for (const Quantity& q : kQuantities) {
        PlotLine line = lineOf(q);
        if (q.parameter >= 3 && q.parameter < 6 && std::all_of(line.y.begin(), line.y.end(), [&](float v) {
                return v == line.y.front();
            }))
            continue;  // an angle that does not vary
        const bool mayJoin = (q.parameter == 1 && aEqualsB) || (q.parameter == 2 && cubic);
        if (mayJoin && lines.back().y == line.y &&
            std::equal(line.esd.begin(), line.esd.end(), lines.back().esd.begin(), lines.back().esd.end(),
                       [](float a, float b) { return a == b || (a != a && b != b); })) {
            lines.back().columns.push_back(q.column);
            continue;
        }
        lines.push_back(std::move(line));
    }
    for (PlotLine& line : lines) {
        PlotPanel panel;
        std::string symbol = line.name;
        const Quantity& q = *std::find_if(std::begin(kQuantities), std::end(kQuantities),
                                          [&](const Quantity& k) { return line.columns.front() == k.column; });
        if (line.columns.size() > 1) {
            for (std::size_t k = 1; k < line.columns.size(); ++k) symbol += " = " + line.columns[k];
            line.name = symbol + " (equal by symmetry)";
        }
        panel.yLabel = symbol + " (" + q.unit + ")";
        // The y label names the line; the legend says which parameters share one.
        line.inLegend = line.columns.size() > 1;
        panel.lines.push_back(std::move(line));
        f.panels.push_back(std::move(panel));
    }
    addCellCurves(record, f);
    const bool anyEsds = std::any_of(points.begin(), points.end(), [](const PlotPoint& p) { return p.cell.hasEsds(); });
    if (!anyEsds) f.caption = "The cells carry no esds: no error bars.";
    markPanelsWithoutFit(record, f);
    f.note = "Each point as measured, ± one esd; V and its esd from the cell.";
    return f;
}
