#include "plots/draw/line_thinning.hpp"

#include <algorithm>
#include <cmath>
#include <numeric>

template <typename Real>
std::vector<std::size_t> drawnPoints(const std::vector<Real>& y, bool marked) {
    const std::size_t n = y.size();
    std::vector<std::size_t> points;
    if (marked || n <= kMostUnthinnedPoints) {
        points.resize(n);
        std::iota(points.begin(), points.end(), std::size_t{0});
        return points;
    }
    const std::size_t run = (n + kThinnedRuns - 1) / kThinnedRuns;
    points.reserve(5 * kThinnedRuns);
    for (std::size_t begin = 0; begin < n; begin += run) {
        const std::size_t end = std::min(n, begin + run);
        std::size_t low = end, high = end, gap = end;  // end: none in this run
        for (std::size_t k = begin; k < end; ++k) {
            if (!std::isfinite(y[k])) {
                gap = std::min(gap, k);
                continue;
            }
            if (low == end || y[k] < y[low]) low = k;
            if (high == end || y[k] > y[high]) high = k;
        }
        std::size_t chosen[] = {begin, low, high, gap, end - 1};
        std::sort(std::begin(chosen), std::end(chosen));
        for (const std::size_t k : chosen)
            if (k < end && (points.empty() || points.back() < k)) points.push_back(k);
    }
    return points;
}

template std::vector<std::size_t> drawnPoints(const std::vector<float>& y, bool marked);
template std::vector<std::size_t> drawnPoints(const std::vector<double>& y, bool marked);
