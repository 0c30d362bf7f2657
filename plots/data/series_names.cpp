#include "plots/data/series_names.hpp"

#include <algorithm>
#include <cmath>

#include "calc/series.hpp"
#include "plots/data/plot_labels.hpp"

namespace {

constexpr int kCurveSamples = 121;
const char* const kCartesian[3] = {"X", "Y", "Z"};

std::string degrees(float angle) { return std::to_string(std::lround(angle)) + "°"; }

void mergeEqualBySymmetry(const PlotRecorder& record, PlotPanel& panel) {
    // Components that the crystal system makes equal (11 = 22 tetragonal, trigonal, hexagonal;
    // all three cubic) would hide one line under another: one line, named for all, stands for them.
    if (record.principalAxes()) return;
    std::vector<PlotLine> kept;
    std::vector<std::string> names;
    for (PlotLine& line : panel.lines) {
        const auto same = std::find_if(kept.begin(), kept.end(), [&](const PlotLine& k) {
            return k.y == line.y && std::equal(k.esd.begin(), k.esd.end(), line.esd.begin(), line.esd.end(),
                                               [](float a, float b) { return a == b || (a != a && b != b); });
        });
        if (same == kept.end()) {
            names.push_back(line.columns.front());
            kept.push_back(std::move(line));
        } else {
            const std::size_t at = static_cast<std::size_t>(same - kept.begin());
            names[at] += " = " + line.columns.front();
            same->columns.push_back(line.columns.front());
        }
    }
    for (std::size_t k = 0; k < kept.size(); ++k)
        if (kept[k].columns.size() > 1) kept[k].name = names[k] + " (equal by symmetry)";
    panel.lines = std::move(kept);
}

}  // namespace

std::string axisName(const PlotRecorder& record, int k) {
    return record.principalAxes() ? "axis " + std::to_string(k + 1) : std::string(kCartesian[k]);
}

std::string axisColumn(const PlotRecorder& record, int k) {
    return record.principalAxes() ? "axis_" + std::to_string(k + 1) : std::string(kCartesian[k]);
}

std::string axisLegend(const PlotRecorder& record, int k) {
    const SeriesAxis& axis = record.axes().axes[static_cast<std::size_t>(k)];
    if (!axis.hasDirection) return axisName(record, k) + ": no defined direction";
    const auto& a = axis.toAbc;
    return axisName(record, k) + ": " + degrees(a[0]) + ", " + degrees(a[1]) + ", " + degrees(a[2]) +
           " to a, b, c";
}

std::string namingNote(const PlotRecorder& record) {
    if (!record.principalAxes()) return "X, Y and Z are the principal axes of this crystal system.";
    const int named = record.axes().namedCalculation;
    return "Each line follows one axis by its direction, numbered as the report numbers it at calculation " +
           std::to_string(named) + "; angles to a, b, c of its mean direction along the series.";
}

CoefficientUnit coefficientScale(const PlotRecorder& record) {
    // A known unit of T or P: the units crystallographers publish in, as the fits report them.
    if (!record.variableUnit().empty()) return coefficientUnit(record.pressureRun(), record.variableUnit());
    // Otherwise a power of ten in steps of three that suits the values.
    float largest = 0.0f;
    for (const PlotRow& row : record.rows()) {
        if (!row.defined) continue;
        for (const float v : row.property) largest = std::max(largest, std::fabs(v));
    }
    const int exponent = plotExponent(largest);
    return {plotFactor(exponent), perUnitOfVariable(exponent, record.pressureRun())};
}

std::string coefficientLabel(const PlotRecorder& record, const CoefficientUnit& unit) {
    return std::string(record.pressureRun() ? "β" : "α") + " (" + unit.label + ")";
}

std::string pointValue(const PlotRecorder& record, int point) {
    const DataPoint& p = record.points().at(static_cast<std::size_t>(point - 1));
    return variableValue(record.pressureRun(), shownNumber(variableOf(p, record.pressureRun())),
                         record.variableUnit());
}

void addAxisLines(const PlotRecorder& record, PlotPanel& panel,
                  const std::function<void(int axis, PlotLine& line)>& addPoints) {
    for (int k = 0; k < 3; ++k) {
        PlotLine line;
        line.colour = kAxisColours[k];
        line.name = axisLegend(record, k);
        line.columns = {axisColumn(record, k)};
        addPoints(k, line);
        panel.lines.push_back(std::move(line));
    }
    mergeEqualBySymmetry(record, panel);
}

int axisOfLine(const PlotLine& line) {
    const std::string& column = line.columns.front();
    if (column.size() == 1) return column[0] - 'X';
    return column.back() - '1';
}

std::vector<double> curveSamples(double low, double high) {
    std::vector<double> x;
    if (!(high > low)) return {low};
    for (int k = 0; k < kCurveSamples; ++k)
        x.push_back(low + (high - low) * static_cast<double>(k) / static_cast<double>(kCurveSamples - 1));
    return x;
}
