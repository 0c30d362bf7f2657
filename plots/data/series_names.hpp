#pragma once
// How every figure names, scales and colours what the series varies and its axes: one home, so
// that a line of axis 2 reads and looks the same in every figure and table.
#include <array>
#include <functional>
#include <limits>
#include <string>
#include <vector>

#include "format/coefficient_units.hpp"
#include "plots/data/plot_data.hpp"
#include "plots/data/plot_recorder.hpp"

inline constexpr std::array<PlotColour, 3> kAxisColours{PlotColour::axis1, PlotColour::axis2, PlotColour::axis3};
inline constexpr float kNoEsd = std::numeric_limits<float>::quiet_NaN();  // no error bar, an empty CSV field

// "axis 2", or "Y" where the diagonal components stand for the axes (k from 0).
std::string axisName(const PlotRecorder& record, int k);
// The CSV column of axis k: "axis_2" or "Y".
std::string axisColumn(const PlotRecorder& record, int k);
// The name with the axis's angles to a, b, c: "axis 1: 90°, 12°, 78° to a, b, c".
std::string axisLegend(const PlotRecorder& record, int k);
// What the window says of how the lines are numbered.
std::string namingNote(const PlotRecorder& record);

// The unit the coefficients are shown in: as the fits report them for a known unit of T or P,
// otherwise a power of ten in steps of three that suits the values.
CoefficientUnit coefficientScale(const PlotRecorder& record);
// "α (10⁻⁶ K⁻¹)", "β (TPa⁻¹)".
std::string coefficientLabel(const PlotRecorder& record, const CoefficientUnit& unit);
// "T = 23 °C" of data point `point` (from 1).
std::string pointValue(const PlotRecorder& record, int point);

// The axes of the series in groups the crystal system makes equal (calc's equalBySymmetry): X = Y
// tetragonal, trigonal, hexagonal; X = Y = Z cubic; each axis alone otherwise. In order of their
// first axis, each group ascending.
std::vector<std::vector<int>> symmetryGroups(const PlotRecorder& record);
// A group's legend: the axis's (axisLegend) when alone, "X = Y (equal by symmetry)" when not.
std::string groupLegend(const PlotRecorder& record, const std::vector<int>& group);
// The CSV columns of a group: one per axis.
std::vector<std::string> groupColumns(const PlotRecorder& record, const std::vector<int>& group);

// One line per axis of the series, coloured and named by it, its points added by addPoints;
// axes the crystal system makes equal drawn as one line.
void addAxisLines(const PlotRecorder& record, PlotPanel& panel,
                  const std::function<void(int axis, PlotLine& line)>& addPoints);

// Names of lines or axes grouped by the reason a caption gives for them, in the order first met:
// one reason is said once for all its names.
class NamesByReason {
public:
    void add(const std::string& name, const std::string& reason);
    bool empty() const { return groups_.empty(); }
    // "X, Y: no convergence; Z: fewer than 3 points"
    std::string colonList() const;
    // "c (BM2 of c: ...); β (angles are not fitted)"
    std::string bracketList() const;

private:
    std::vector<std::pair<std::string, std::string>> groups_;  // names joined by ", ", and their reason
};

// A line left joined because no fit stands for its points says so in the legend ("β — points
// joined, no fit"), and why under the plot, where a long reason has room: the reason is added to
// `why` ("β: angles are not fitted").
void markJoinedWithoutFit(PlotLine& line, const std::string& symbol, const std::string& reason, NamesByReason& why);
// The caption's sentence of those reasons: "Points joined, no fit: c (BM2 of c: ...); β (angles
// are not fitted)." Empty when there are none.
std::string joinedWithoutFitText(const NamesByReason& why);
// Why the run has no fits at all, for such a legend: "--no-fits", "fewer than 3 points".
std::string noFitsReason(const PlotRecorder& record);

// The axes a line of an axis figure stands for: "axis 2", "X = Y".
std::string lineAxesName(const PlotRecorder& record, const PlotLine& line);

// The axis (0 to 2) a line of an axis figure stands for, from its first CSV column: "axis_2" is
// axis 2, "Y" the diagonal component 2.
int axisOfLine(const PlotLine& line);

// Where a fitted curve is evaluated across [low, high]: evenly, ends included; `low` alone when
// the range is empty.
std::vector<double> curveSamples(double low, double high);

// Room in a line for `points` points and their esds, so that a long series' line carries no slack
// from growing.
inline void reserveLine(PlotLine& line, std::size_t points) {
    line.x.reserve(points);
    line.y.reserve(points);
    line.esd.reserve(points);
}
