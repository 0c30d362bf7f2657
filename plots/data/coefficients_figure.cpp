// The principal coefficients of each calculation at its midpoint, with the tensor fit's curves.
#include <algorithm>
#include <cstdint>
#include <optional>

#include "calc/series.hpp"

#include "plots/data/figures.hpp"
#include "plots/data/plot_labels.hpp"
#include "plots/data/plot_ranges.hpp"
#include "plots/data/series_names.hpp"

namespace {

// The x of the first point of every calculation against the first point, where each of its
// coefficients is a mean from there; none for incremental calculations.
std::optional<double> meanFrom(const PlotRecorder& record) {
    if (!record.againstFirst() || record.rows().empty()) return std::nullopt;
    const auto first = static_cast<std::size_t>(record.rows().front().first - 1);
    if (first >= record.points().size()) return std::nullopt;
    return record.points()[first].x;
}

void addTensorCurves(const PlotRecorder& record, Figure& figure) {
    const std::optional<FitResult>& fits = record.fitResult();
    if (!fits || !fits->tensor || !fits->tensor->status.ok || figure.panels.empty() || record.rows().empty()) return;
    const TensorFit& tensor = *fits->tensor;
    const std::optional<double> from = meanFrom(record);
    // Samples across the data, and where the fit meets the points: at each calculation's midpoint,
    // or, for means from the first point, at each calculation's second point.
    const auto [low, high] = record.dataRange();
    std::vector<double> xs = curveSamples(low, high);
    for (const PlotRow& row : record.rows())
        xs.push_back(from ? static_cast<double>(record.points()[static_cast<std::size_t>(row.second - 1)].x)
                          : static_cast<double>(row.midpoint));
    std::sort(xs.begin(), xs.end());
    xs.erase(std::unique(xs.begin(), xs.end()), xs.end());
    if (from) std::erase(xs, *from);  // no mean over no change
    // Each x evaluated once for the three axes, straight into their curves: a long series has a
    // sample at every calculation, and the fit's whole tensor at each would outweigh the figure.
    PlotPanel& panel = figure.panels.front();
    std::vector<std::pair<int, FittedCurve>> curves;  // the axis each curve follows
    for (PlotLine& line : panel.lines) {
        const int k = axisOfLine(line);
        if (k < 0 || k > 2) continue;
        line.joined = false;  // the fit joins them
        FittedCurve curve;
        curve.colour = line.colour;
        for (const std::string& column : line.columns) curve.columns.push_back(column + "_fit");
        curve.x.reserve(xs.size());
        curve.y.reserve(xs.size());
        curve.esd.reserve(xs.size());
        curves.emplace_back(k, std::move(curve));
    }
    if (curves.empty()) xs.clear();
    for (const double x : xs) {
        // A mean from the first point to x stands, like the points, at their midpoint.
        const TensorAt at = from ? tensor.meanBetween(*from, x) : tensor.tensorAt(x);
        for (auto& [k, curve] : curves) {
            curve.x.push_back(from ? 0.5 * (*from + x) : x);
            // The fit's principal axes carry the series' numbers: axis k + 1 is principal[k].
            curve.y.push_back(record.principalAxes() ? at.principal[k].value : at.tensor(k + 1, k + 1));
            curve.esd.push_back(record.principalAxes() ? at.principal[k].esd : at.esd(k + 1, k + 1));
        }
    }
    for (auto& [k, curve] : curves) panel.curves.push_back(std::move(curve));
    figure.fitLegend = "tensor fit (order " + std::to_string(tensor.order) + ")" +
                       (from ? ", mean from point 1" : "") + ", ± 1 esd";
}

}  // namespace

Figure coefficientsFigure(const PlotRecorder& record) {
    const std::vector<PlotRow>& rows = record.rows();
    const bool pressure = record.pressureRun();
    Figure f;
    f.xLabel = variableLabel(pressure, record.variableUnit()) + ", midpoint of each calculation";
    PlotPanel panel;
    panel.zeroLine = true;
    const CoefficientUnit unit = coefficientScale(record);
    panel.scale = unit.factor;
    panel.yLabel = coefficientLabel(record, unit);

    // Each calculation's axis numbers, found once for the three lines (1 to 3: a byte each).
    std::vector<std::array<std::uint8_t, 3>> numbers;
    numbers.reserve(rows.size());
    for (std::size_t k = 1; k <= rows.size(); ++k) {
        const std::array<int, 3> n = record.numbersOf(k);
        numbers.push_back({static_cast<std::uint8_t>(n[0]), static_cast<std::uint8_t>(n[1]), static_cast<std::uint8_t>(n[2])});
    }
    addAxisLines(record, panel, [&](int k, PlotLine& line) {
        reserveLine(line, rows.size());
        for (std::size_t r = 0; r < rows.size(); ++r) {
            const PlotRow& row = rows[r];
            if (!row.defined) continue;
            const auto m = static_cast<std::size_t>(
                std::find(numbers[r].begin(), numbers[r].end(), static_cast<std::uint8_t>(k + 1)) - numbers[r].begin());
            line.x.push_back(row.midpoint);
            line.y.push_back(row.property[m]);
            line.esd.push_back(row.withEsds ? row.propertyEsd[m] : kNoEsd);
        }
    });
    f.panels.push_back(std::move(panel));
    addTensorCurves(record, f);
    NamesByReason why;
    for (PlotLine& line : f.panels.front().lines) {
        const std::optional<FitResult>& fits = record.fitResult();
        std::string reason = noFitsReason(record);
        if (reason.empty()) reason = fits->tensor ? "tensor fit: " + fits->tensor->status.text : "no tensor fit";
        markJoinedWithoutFit(line, lineAxesName(record, line), reason, why);
    }
    f.panels.front().yRange = robustRange(f.panels.front());

    std::string notes;
    const bool someWithout = std::any_of(rows.begin(), rows.end(), [](const PlotRow& r) { return !r.withEsds; });
    const bool allWithout = std::none_of(rows.begin(), rows.end(), [](const PlotRow& r) { return r.withEsds; });
    if (allWithout)
        f.caption = "The cells carry no esds: no error bars.";
    else if (someWithout)
        f.caption = "No error bar where neither cell of a calculation carries esds.";
    if (!why.empty()) f.caption += std::string(f.caption.empty() ? "" : " ") + joinedWithoutFitText(why);
    std::string undefined;
    for (std::size_t k = 0; k < rows.size(); ++k)
        if (!rows[k].defined) undefined += (undefined.empty() ? "" : ", ") + std::to_string(k + 1);
    if (!undefined.empty())
        notes += "No value for calculation " + undefined + ": " + (pressure ? "P" : "T") + " did not change. ";
    if (meanFrom(record)) {
        const std::string againstFirst = "Against point 1: each point is the mean coefficient from point 1 to a later "
                                         "point, at their midpoint";
        const bool curves = !f.fitLegend.empty();
        f.caption += std::string(f.caption.empty() ? "" : " ") + againstFirst +
                     (curves ? "; the curves are the same mean from the tensor fit." : ".");
    }
    notes += "Each calculation's coefficients at its midpoint, ± one esd. ";
    f.note = notes + namingNote(record);
    return f;
}
