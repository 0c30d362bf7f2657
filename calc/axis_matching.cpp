#include "calc/axis_matching.hpp"

#include <cmath>

namespace {

// The six orders of three axes, the given order first and those moving fewer axes before the rest.
constexpr std::array<std::array<int, 3>, 6> kOrders{{{0, 1, 2}, {1, 0, 2}, {0, 2, 1}, {2, 1, 0}, {1, 2, 0}, {2, 0, 1}}};

float absCosine(const Vec3& u, const Vec3& v) {
    const float lengths = length(u) * length(v);
    return lengths > 0.0f ? std::fabs(dot(u, v)) / lengths : 0.0f;
}

}  // namespace

std::array<int, 3> matchAxes(const AxisDirections& tracks, const AxisDirections& current) {
    std::array<int, 3> best = kOrders[0];
    float bestSum = -1.0f;
    for (const auto& order : kOrders) {
        float sum = 0.0f;
        for (int t = 0; t < 3; ++t) {
            const auto& track = tracks[static_cast<std::size_t>(t)];
            const auto& axis = current[static_cast<std::size_t>(order[static_cast<std::size_t>(t)])];
            if (track && axis) sum += absCosine(*track, *axis);
        }
        // Only a clearly better pairing replaces an earlier one, so that rounding never reorders
        // axes whose directions say nothing (a circular section, a sphere).
        constexpr float kClearlyBetter = 1e-5f;
        if (sum > bestSum + kClearlyBetter) {
            bestSum = sum;
            best = order;
        }
    }
    return best;
}

std::vector<std::array<int, 3>> followAxes(const std::vector<AxisDirections>& calculations) {
    std::vector<std::array<int, 3>> orders;
    orders.reserve(calculations.size());
    AxisDirections tracks;
    for (const AxisDirections& current : calculations) {
        const std::array<int, 3> order = orders.empty() ? kOrders[0] : matchAxes(tracks, current);
        for (std::size_t t = 0; t < 3; ++t) {
            const auto& axis = current[static_cast<std::size_t>(order[t])];
            if (axis) tracks[t] = axis;  // a track without direction here keeps its last one
        }
        orders.push_back(order);
    }
    return orders;
}
