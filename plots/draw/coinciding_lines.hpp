#pragma once
// Lines of a panel that a reader cannot tell apart: every point of one within a small part of the
// panel's ranges of the same point of another. They stay two lines (their values differ), but
// the later is drawn so that the earlier shows through it and its legend entry says so.
#include <optional>
#include <string>
#include <vector>

struct PlotPanel;

// The part of a panel's width and height within which two points fall on one another: less than a
// marker's size in any drawing of the figure.
inline constexpr double kCoincidentFraction = 0.01;

// For each line of the panel, the first earlier line it coincides with, if any, given the spans
// of the ranges shown (x, and y in the numbers shown: stored values times the panel's scale).
std::vector<std::optional<std::size_t>> coincidingLines(const PlotPanel& panel, double xSpan, double ySpan);

// The legend entry of a line drawn over `earlier`: "Y: … — coincides with X", the earlier line
// named by its symbol (its name up to a colon).
std::string coincidingName(const std::string& name, const std::string& earlier);
