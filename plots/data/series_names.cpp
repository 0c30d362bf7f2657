#include "plots/data/series_names.hpp"

#include <algorithm>
#include <cmath>

#include "calc/crystal_system.hpp"
#include "calc/series.hpp"
#include "plots/data/plot_labels.hpp"

namespace {

constexpr int kCurveSamples = 121;
const char* const kCartesian[3] = {"X", "Y", "Z"};

std::string degrees(float angle) { return std::to_string(std::lround(angle)) + "°"; }

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
    const PlotPoint& p = record.points().at(static_cast<std::size_t>(point - 1));
    return variableValue(record.pressureRun(), shownNumber(p.x), record.variableUnit());
}

std::vector<std::vector<int>> symmetryGroups(const PlotRecorder& record) {
    std::vector<std::vector<int>> groups;
    for (int k = 0; k < 3; ++k) {
        // Principal axes of the lower systems are never equal by symmetry.
        const auto same = std::find_if(groups.begin(), groups.end(), [&](const std::vector<int>& g) {
            return !record.principalAxes() && equalBySymmetry(record.crystalSystem(), g.front() + 1, k + 1);
        });
        if (same == groups.end()) groups.push_back({k});
        else same->push_back(k);
    }
    return groups;
}

std::string groupLegend(const PlotRecorder& record, const std::vector<int>& group) {
    if (group.size() == 1) return axisLegend(record, group.front());
    std::string names;
    for (const int k : group) names += (names.empty() ? "" : " = ") + axisName(record, k);
    return names + " (equal by symmetry)";
}

std::vector<std::string> groupColumns(const PlotRecorder& record, const std::vector<int>& group) {
    std::vector<std::string> columns;
    for (const int k : group) columns.push_back(axisColumn(record, k));
    return columns;
}

void addAxisLines(const PlotRecorder& record, PlotPanel& panel,
                  const std::function<void(int axis, PlotLine& line)>& addPoints) {
    // Axes equal by symmetry would hide one line under another: one line, named for all, stands
    // for them where their points agree (the CSV keeps a column for each, so an axis whose esds
    // differ keeps its own line).
    const auto samePoints = [](const PlotLine& a, const PlotLine& b) {
        return a.y == b.y && std::equal(a.esd.begin(), a.esd.end(), b.esd.begin(), b.esd.end(),
                                        [](float u, float v) { return u == v || (u != u && v != v); });
    };
    for (const std::vector<int>& group : symmetryGroups(record)) {
        std::vector<PlotLine> lines;
        for (const int k : group) {
            PlotLine line;
            line.colour = kAxisColours[k];
            line.name = axisLegend(record, k);
            line.columns = {axisColumn(record, k)};
            addPoints(k, line);
            const auto same = std::find_if(lines.begin(), lines.end(), [&](const PlotLine& l) { return samePoints(l, line); });
            if (same == lines.end()) {
                lines.push_back(std::move(line));
            } else {
                same->columns.push_back(line.columns.front());
                same->name.clear();  // named below for all its axes
            }
        }
        for (PlotLine& line : lines) {
            if (line.name.empty()) {
                std::vector<int> axes;
                for (const std::string& column : line.columns)
                    for (const int k : group)
                        if (axisColumn(record, k) == column) axes.push_back(k);
                line.name = groupLegend(record, axes);
            }
            panel.lines.push_back(std::move(line));
        }
    }
}

void NamesByReason::add(const std::string& name, const std::string& reason) {
    const auto same = std::find_if(groups_.begin(), groups_.end(), [&](const auto& g) { return g.second == reason; });
    if (same == groups_.end()) groups_.emplace_back(name, reason);
    else same->first += ", " + name;
}

std::string NamesByReason::colonList() const {
    std::string text;
    for (const auto& [names, reason] : groups_) text += (text.empty() ? "" : "; ") + names + ": " + reason;
    return text;
}

std::string NamesByReason::bracketList() const {
    std::string text;
    for (const auto& [names, reason] : groups_) text += (text.empty() ? "" : "; ") + names + " (" + reason + ")";
    return text;
}

void markJoinedWithoutFit(PlotLine& line, const std::string& symbol, const std::string& reason, NamesByReason& why) {
    if (!line.joined) return;
    line.name += " — points joined, no fit";
    line.inLegend = true;
    why.add(symbol, reason);
}

std::string joinedWithoutFitText(const NamesByReason& why) {
    return why.empty() ? std::string() : "Points joined, no fit: " + why.bracketList() + ".";
}

std::string noFitsReason(const PlotRecorder& record) {
    const std::optional<FitResult>& fits = record.fitResult();
    if (!fits) return "no fits asked for";
    return fits->status.ok ? std::string() : fits->status.text;
}

std::string lineAxesName(const PlotRecorder& record, const PlotLine& line) {
    std::string names;
    for (const std::string& column : line.columns)
        for (int k = 0; k < 3; ++k)
            if (axisColumn(record, k) == column) names += (names.empty() ? "" : " = ") + axisName(record, k);
    return names;
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
