#include "plots/data/plot_ranges.hpp"

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

namespace {

constexpr std::size_t kFewestForOutliers = 5;
constexpr std::size_t kMostOutliers = 3;  // in a panel, or 1 % of its values where that is more
constexpr double kFence = 3.0;  // Tukey's "far out"

// The q-quantile of sorted values, interpolated between neighbours.
double quantile(const std::vector<double>& sorted, double q) {
    const double at = q * static_cast<double>(sorted.size() - 1);
    const std::size_t below = static_cast<std::size_t>(std::floor(at));
    const std::size_t above = std::min(below + 1, sorted.size() - 1);
    return sorted[below] + (sorted[above] - sorted[below]) * (at - static_cast<double>(below));
}

// Tukey's fences of one set of values; none (every value within) for a set too small to judge.
struct Fences {
    double low = -std::numeric_limits<double>::infinity();
    double high = std::numeric_limits<double>::infinity();
    bool beyond(double v) const { return v < low || v > high; }
};

// Calls visit(values, esds) for each line's measured values; in a panel of fitted curves alone,
// for each curve with its band (a law that runs off to infinity at one end is such an outlier).
template <class Visit>
void eachValueSet(const PlotPanel& panel, Visit visit) {
    for (const PlotLine& line : panel.lines) visit(line.y, line.esd);
    if (panel.lines.empty())
        for (const FittedCurve& curve : panel.curves) visit(curve.y, curve.esd);
}

}  // namespace

std::optional<std::array<double, 2>> robustRange(const PlotPanel& panel) {
    // Each set of values with its fences, and how many values lie beyond them.
    std::vector<Fences> fences;
    std::size_t finite = 0, beyond = 0;
    eachValueSet(panel, [&](const auto& ys, const auto&) {
        std::vector<double> sorted;
        for (const auto v : ys)
            if (std::isfinite(v)) sorted.push_back(v);
        std::sort(sorted.begin(), sorted.end());
        finite += sorted.size();
        Fences f;
        if (sorted.size() >= kFewestForOutliers) {
            const double q1 = quantile(sorted, 0.25), q3 = quantile(sorted, 0.75);
            f = {q1 - kFence * (q3 - q1), q3 + kFence * (q3 - q1)};
            beyond += static_cast<std::size_t>(
                std::count_if(sorted.begin(), sorted.end(), [&](double v) { return f.beyond(v); }));
        }
        fences.push_back(f);
    });
    // Measured outliers are a few stray values. More than that far out (a run of values leaving
    // the rest behind, as at a phase change) is what the data do, and is shown as it is. (Samples
    // of a curve that runs off to infinity are cut however many they are.)
    if (!panel.lines.empty() && beyond > std::max(kMostOutliers, finite / 100))
        std::fill(fences.begin(), fences.end(), Fences{});

    ValueSpan all, kept, bars;
    bool outlier = false;
    std::size_t set = 0;
    eachValueSet(panel, [&](const auto& ys, const auto& esds) {
        const Fences& f = fences[set++];
        for (std::size_t k = 0; k < ys.size(); ++k) {
            const double v = ys[k];
            if (!std::isfinite(v)) continue;
            const double e = k < esds.size() && std::isfinite(esds[k]) ? static_cast<double>(esds[k]) : 0.0;
            all.add(v - e);
            all.add(v + e);
            if (f.beyond(v)) {
                outlier = true;
                continue;
            }
            kept.add(v);
            bars.add(v - e);
            bars.add(v + e);
        }
    });
    if (kept.empty()) return std::nullopt;
    // Error bars widen the range by at most half the values' own span on either side, so that
    // one step with a large esd does not take over the plot either.
    const double room = std::max(kept.size(), std::fabs(kept.high) * 1e-3) * 0.5;
    ValueSpan shown = kept;
    if (!bars.empty()) {
        shown.add(std::max(bars.low, kept.low - room));
        shown.add(std::min(bars.high, kept.high + room));
    }
    // Over measured values, the curves fitted to them and their bands count in full.
    const std::vector<FittedCurve> none;
    const std::vector<FittedCurve>& curves = panel.lines.empty() ? none : panel.curves;
    for (ValueSpan* span : {&shown, &all}) {
        for (const FittedCurve& curve : curves) {
            for (std::size_t k = 0; k < curve.y.size(); ++k) {
                const double e = k < curve.esd.size() ? curve.esd[k] : 0.0;
                span->add(curve.y[k] - e);
                span->add(curve.y[k] + e);
            }
        }
        if (panel.zeroLine) span->add(0.0);
    }
    // Worth it when leaving the outliers out at least halves the range, or, without outliers,
    // when error bars alone would more than double it.
    const bool worth = outlier ? shown.size() <= 0.5 * all.size() : all.size() > 2.0 * shown.size();
    if (!worth) return std::nullopt;
    return std::array<double, 2>{shown.low, shown.high};
}

bool clipToRange(FittedCurve& curve, const std::array<double, 2>& range) {
    const auto inside = [&](double y) { return y >= range[0] && y <= range[1]; };
    const bool withEsd = curve.esd.size() == curve.x.size();
    FittedCurve kept = curve;
    kept.x.clear();
    kept.y.clear();
    kept.esd.clear();
    const auto add = [&](double x, double y, double esd) {
        kept.x.push_back(x);
        kept.y.push_back(y);
        if (withEsd) kept.esd.push_back(esd);
    };
    bool cut = false;
    for (std::size_t k = 0; k < curve.x.size(); ++k) {
        const double y = curve.y[k];
        const double esd = withEsd ? curve.esd[k] : 0.0;
        if (k > 0 && std::isfinite(curve.y[k - 1]) && std::isfinite(y) && inside(curve.y[k - 1]) != inside(y)) {
            // The crossing of the edge between this sample and the one before.
            const double y0 = curve.y[k - 1];
            const double edge = (inside(y0) ? y : y0) > range[1] ? range[1] : range[0];
            const double t = (edge - y0) / (y - y0);
            const double e0 = withEsd ? curve.esd[k - 1] : 0.0;
            // A sample on the edge itself already ends the curve there.
            const double xEdge = curve.x[k - 1] + t * (curve.x[k] - curve.x[k - 1]);
            if ((inside(y0) ? y0 : y) != edge) add(xEdge, edge, e0 + t * (esd - e0));
            kept.exits.push_back({xEdge, edge, edge == range[1]});
        }
        if (std::isfinite(y) && inside(y))
            add(curve.x[k], y, esd);
        else
            cut = true;
    }
    if (cut) curve = std::move(kept);
    return cut;
}
