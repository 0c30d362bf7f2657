#include "plots/draw/coinciding_lines.hpp"

#include <cmath>

#include "plots/data/plot_data.hpp"

namespace {

bool coincide(const PlotLine& a, const PlotLine& b, double scale, double xSpan, double ySpan) {
    if (a.x.size() != b.x.size() || a.y.size() != b.y.size() || a.x.empty()) return false;
    const double dx = std::fabs(xSpan) * kCoincidentFraction;
    const double dy = std::fabs(ySpan) * kCoincidentFraction;
    bool anyDrawn = false;
    for (std::size_t k = 0; k < a.x.size(); ++k) {
        const bool drawnA = std::isfinite(a.x[k]) && std::isfinite(a.y[k]);
        const bool drawnB = std::isfinite(b.x[k]) && std::isfinite(b.y[k]);
        if (drawnA != drawnB) return false;
        if (!drawnA) continue;
        anyDrawn = true;
        if (std::fabs(double{a.x[k]} - double{b.x[k]}) > dx) return false;
        if (std::fabs(double{a.y[k]} - double{b.y[k]}) * std::fabs(scale) > dy) return false;
    }
    return anyDrawn;
}

}  // namespace

std::vector<std::optional<std::size_t>> coincidingLines(const PlotPanel& panel, double xSpan, double ySpan) {
    std::vector<std::optional<std::size_t>> earlier(panel.lines.size());
    for (std::size_t i = 0; i < panel.lines.size(); ++i)
        for (std::size_t j = 0; j < i && !earlier[i]; ++j)
            if (coincide(panel.lines[i], panel.lines[j], panel.scale, xSpan, ySpan)) earlier[i] = j;
    return earlier;
}

std::string coincidingName(const std::string& name, const std::string& earlier) {
    const std::string symbol = earlier.substr(0, earlier.find(':'));
    return name + " \u2014 coincides with " + symbol;
}
