#include "plots/plot_collector.hpp"

#include <algorithm>
#include <cmath>
#include <limits>

#include "LIBRARIES/math/arccos.hpp"
#include "calc/series.hpp"
#include "plots/cell_volume.hpp"
#include "plots/plot_labels.hpp"
#include "plots/surface_geometry.hpp"

namespace {

constexpr int kSectionSteps = 360;  // one point per degree round a section
constexpr int kMeshRows = 31;       // every 6 degrees from +Z to -Z
constexpr int kMeshColumns = 61;    // every 6 degrees round Z, closed

float rowLength(const Mat3& s, int i) { return std::sqrt(s(i, 1) * s(i, 1) + s(i, 2) * s(i, 2) + s(i, 3) * s(i, 3)); }

// Degrees between a unit direction and crystal axes a, b, c (rows of the S-matrix).
std::array<float, 3> anglesToAbc(const Vec3& e, const Mat3& s) {
    std::array<float, 3> angles{};
    for (int i = 1; i <= 3; ++i) {
        int ignored = 0;
        const float cosine = (e[0] * s(i, 1) + e[1] * s(i, 2) + e[2] * s(i, 3)) / rowLength(s, i);
        angles[i - 1] = ARCCOS(cosine, ignored);
    }
    return angles;
}

// A value as a plot shows it: a value single precision cannot hold (an edge a hundred orders of
// magnitude from the first point's) is a gap in its line, and an esd it cannot hold no error bar.
float shownValue(double value) {
    const auto v = static_cast<float>(value);
    return std::isfinite(v) ? v : std::numeric_limits<float>::quiet_NaN();
}

float shownEsd(double esd) {
    const auto e = static_cast<float>(esd);
    return std::isfinite(e) ? e : 0.0f;
}

std::string degrees(float angle) { return std::to_string(std::lround(angle)) + "°"; }

constexpr std::array<PlotColour, 3> kAxisColours{PlotColour::axis1, PlotColour::axis2, PlotColour::axis3};

}  // namespace

bool PlotCollector::begin(const RunHeader& header) {
    points_ = header.series.points;
    pressureRun_ = header.series.pressureRun;
    crystalSystem_ = header.series.crystalSystem;
    principalAxes_ = hasPrincipalAxes(crystalSystem_);
    strainType_ = header.options.strainType;
    rows_.clear();
    return true;
}

void PlotCollector::calculation(const PairResult& r) {
    Row row;
    row.first = r.first;
    row.second = r.second;
    row.midpoint = r.delta[2];
    row.defined = r.property.defined;
    row.withEsds = r.strain.esdCount > 0;
    row.propertyTensor = r.property.propertyTensor;
    row.referenceSMatrix = isEulerian(strainType_) ? r.sMatrix2 : r.sMatrix1;
    for (int m = 0; m < 3; ++m) {
        if (r.principalAxes) {
            const PrincipalAxis& axis = r.principal[m];
            row.property[m] = axis.property;
            row.propertyEsd[m] = axis.propertyEsd;
            row.strain[m] = axis.strain;
            row.strainEsd[m] = axis.strainEsd;
            if (axis.hasDirection) {
                row.directions[m] = axis.direction;
                row.toAbc[m] = axis.angles.toAbc;  // as the report gives them
            }
        } else {
            // X, Y and Z are the principal axes: the diagonal components.
            row.property[m] = r.property.propertyTensor(m + 1, m + 1);
            row.propertyEsd[m] = r.property.propertyEsd(m + 1, m + 1);
            row.strain[m] = r.strain.strainTensor(m + 1, m + 1);
            row.strainEsd[m] = r.strain.esdTensor(m + 1, m + 1);
            Vec3 e{};
            e[m] = 1.0f;
            row.directions[m] = e;
            row.toAbc[m] = anglesToAbc(e, row.referenceSMatrix);
        }
    }
    rows_.push_back(row);
}

std::vector<AxisDirections> PlotCollector::directionsOf() const {
    std::vector<AxisDirections> d;
    d.reserve(rows_.size());
    for (const Row& row : rows_) d.push_back(row.directions);
    return d;
}

int PlotCollector::coefficientExponent() const {
    float largest = 0.0f;
    for (const Row& row : rows_) {
        if (!row.defined) continue;
        for (const float v : row.property) largest = std::max(largest, std::fabs(v));
    }
    return plotExponent(largest);
}

Figure PlotCollector::axisFigure(bool property) const {
    Figure f;
    const std::string variable = pressureRun_ ? "P" : "T";
    f.xLabel = variable + " (midpoint of each calculation)";
    f.zeroLine = true;
    const int exponent = property ? coefficientExponent() : 0;
    const float factor = property ? plotFactor(exponent) : 100.0f;  // strains in %
    if (property) {
        const std::string power = unitPower(exponent);
        f.yLabel = std::string(pressureRun_ ? "β" : "α") + " (" + (power.empty() ? "" : power + " ") + "per unit of " +
                   variable + ")";
    } else {
        f.yLabel = "ε (%)";
    }

    const auto orders = axisOrders();
    const char* const cartesian[3] = {"X", "Y", "Z"};
    for (int t = 0; t < 3; ++t) {
        PlotLine line;
        line.colour = kAxisColours[t];
        for (std::size_t k = 0; k < rows_.size(); ++k) {
            const Row& row = rows_[k];
            if (property && !row.defined) continue;
            const int m = orders[k][t];
            line.x.push_back(row.midpoint);
            line.y.push_back(shownValue(static_cast<double>(property ? row.property[m] : row.strain[m]) * factor));
            line.esd.push_back(
                row.withEsds ? shownEsd(static_cast<double>(property ? row.propertyEsd[m] : row.strainEsd[m]) * factor)
                             : 0.0f);
        }
        // Named by its direction at the last calculation.
        const std::string name = principalAxes_ ? "axis " + std::to_string(t + 1) : cartesian[t];
        if (rows_.empty()) {
            line.name = name;
        } else {
            const Row& last = rows_.back();
            const int m = orders.back()[t];
            if (!last.directions[m]) {
                line.name = name + ": no defined direction";
            } else {
                const auto& a = last.toAbc[m];
                line.name = name + ": " + degrees(a[0]) + ", " + degrees(a[1]) + ", " + degrees(a[2]) + " to a, b, c";
            }
        }
        f.lines.push_back(std::move(line));
    }

    // Components that the crystal system makes equal (11 = 22 tetragonal, trigonal, hexagonal;
    // all three cubic) would hide one line under another: one line, named for all, stands for them.
    if (!principalAxes_) {
        std::vector<PlotLine> kept;
        std::vector<std::string> names;  // "X", "X = Y", ...
        for (int t = 0; t < 3; ++t) {
            PlotLine& line = f.lines[t];
            const auto same = std::find_if(kept.begin(), kept.end(),
                                           [&](const PlotLine& k) { return k.y == line.y && k.esd == line.esd; });
            if (same == kept.end()) {
                kept.push_back(std::move(line));
                names.emplace_back(cartesian[t]);
            } else {
                names[static_cast<std::size_t>(same - kept.begin())] += std::string(" = ") + cartesian[t];
            }
        }
        for (std::size_t k = 0; k < kept.size(); ++k)
            if (names[k].size() > 1) kept[k].name = names[k] + " (equal by symmetry)";
        f.lines = std::move(kept);
    }

    std::string notes;
    if (std::any_of(rows_.begin(), rows_.end(), [](const Row& r) { return !r.withEsds; }))
        notes = "No error bar where neither cell of a calculation carries esds. ";
    if (property) {
        std::string undefined;
        for (std::size_t k = 0; k < rows_.size(); ++k)
            if (!rows_[k].defined) undefined += (undefined.empty() ? "" : ", ") + std::to_string(k + 1);
        if (!undefined.empty())
            notes += "No value for calculation " + undefined + ": " + variable + " did not change. ";
    }
    if (principalAxes_)
        notes += "Each line follows one axis by its direction; angles at the last calculation.";
    else
        notes += "X, Y and Z are the principal axes of this crystal system; angles at the last calculation.";
    f.note = notes;
    return f;
}

Figure PlotCollector::coefficients() const { return axisFigure(true); }

Figure PlotCollector::strains() const { return axisFigure(false); }

Figure PlotCollector::cell() const {
    Figure f;
    f.xLabel = pressureRun_ ? "P" : "T";
    f.yLabel = "change from the first point (%)";
    f.zeroLine = true;
    if (points_.empty()) return f;
    const DataPoint& reference = points_.front();
    const VolumeWithEsd referenceVolume = cellVolume({reference.cell[0], reference.cell[1], reference.cell[2],
                                                      reference.cell[3], reference.cell[4], reference.cell[5]},
                                                     {});
    const char* const names[4] = {"a", "b", "c", "V"};
    constexpr std::array<PlotColour, 4> colours{PlotColour::cellA, PlotColour::cellB, PlotColour::cellC,
                                                PlotColour::volume};
    for (int q = 0; q < 4; ++q) {
        PlotLine line;
        line.name = names[q];
        line.colour = colours[q];
        for (const DataPoint& p : points_) {
            float value = 0.0f, esd = 0.0f, base = 0.0f;
            if (q < 3) {
                value = p.cell[q];
                esd = p.sigCell[q];
                base = reference.cell[q];
            } else {
                const VolumeWithEsd v =
                    cellVolume({p.cell[0], p.cell[1], p.cell[2], p.cell[3], p.cell[4], p.cell[5]},
                               {p.sigCell[0], p.sigCell[1], p.sigCell[2], p.sigCell[3], p.sigCell[4], p.sigCell[5]});
                value = v.volume;
                esd = v.esd;
                base = referenceVolume.volume;
            }
            line.x.push_back(variableOf(p, pressureRun_));
            line.y.push_back(shownValue((static_cast<double>(value) / base - 1.0) * 100.0));
            // The point's own esd on the scale of the first point; that point's esd would move
            // every value alike and is left out.
            line.esd.push_back(shownEsd(static_cast<double>(esd) / base * 100.0));
        }
        f.lines.push_back(std::move(line));
    }
    const bool anyEsd = std::any_of(points_.begin(), points_.end(), [](const DataPoint& p) { return hasCellEsds(p); });
    f.note = anyEsd ? "Error bars: ± one esd of each point, relative to the first point's value; V and its esd from "
                      "the cell."
                    : "The cells carry no esds: no error bars.";
    return f;
}

std::string PlotCollector::calculationLabel(std::size_t k) const {
    const Row& row = rows_.at(k - 1);
    return std::to_string(k) + ": points " + std::to_string(row.first) + " and " + std::to_string(row.second) + ", " +
           (pressureRun_ ? "P " : "T ") + numberText(row.midpoint);
}

SurfaceData PlotCollector::surface(std::size_t k) const {
    SurfaceData s;
    const Row& row = rows_.at(k - 1);
    s.calculation = static_cast<int>(k);
    s.label = calculationLabel(k);
    s.defined = row.defined;
    const int exponent = coefficientExponent();
    const std::string power = unitPower(exponent);
    s.valueLabel = std::string(pressureRun_ ? "β" : "α") + " (" + (power.empty() ? "" : power + " ") + "per unit of " +
                   (pressureRun_ ? "P" : "T") + ")";
    for (int i = 1; i <= 3; ++i) {
        const float length = rowLength(row.referenceSMatrix, i);
        for (int j = 1; j <= 3; ++j) s.crystalAxes[i - 1][j - 1] = row.referenceSMatrix(i, j) / length;
    }
    const std::array<int, 3> order = axisOrders().at(k - 1);
    AxisDirections ordered;
    for (int t = 0; t < 3; ++t) {
        ordered[t] = row.directions[order[t]];
        s.axisNames[t] = principalAxes_ ? std::to_string(t + 1) : std::string(1, static_cast<char>('X' + t));
    }
    s.axes = completeAxes(ordered);
    if (!row.defined) return s;

    Mat3 scaled = row.propertyTensor;
    const float factor = plotFactor(exponent);
    for (float& v : scaled.v) v *= factor;
    for (int t = 0; t < 3; ++t) s.values[t] = normalValue(scaled, s.axes[t]);
    constexpr std::array<std::array<int, 2>, 3> kPlanes{{{0, 1}, {0, 2}, {1, 2}}};
    for (int p = 0; p < 3; ++p)
        s.sections[p] = sectionOf(scaled, s.axes, kPlanes[p][0], kPlanes[p][1], s.crystalAxes, kSectionSteps);
    fillMesh(scaled, kMeshRows, kMeshColumns, s);
    return s;
}

PlotSet PlotCollector::plots(std::size_t surfaceK) const {
    PlotSet set;
    set.coefficients = coefficients();
    set.strains = strains();
    set.cell = cell();
    if (!rows_.empty()) set.surface = surface(surfaceK == 0 ? rows_.size() : surfaceK);
    return set;
}
