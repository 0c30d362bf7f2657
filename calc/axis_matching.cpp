#include "calc/axis_matching.hpp"

#include <cmath>

namespace {

// The six orders of three axes, the given order first and those moving fewer axes before the rest.
constexpr std::array<std::array<int, 3>, 6> kOrders{{{0, 1, 2}, {1, 0, 2}, {0, 2, 1}, {2, 1, 0}, {1, 2, 0}, {2, 0, 1}}};

float absCosine(const Vec3& u, const Vec3& v) {
    const float lengths = length(u) * length(v);
    return lengths > 0.0f ? std::fabs(dot(u, v)) / lengths : 0.0f;
}

// u with its parts along the first `count` (unit, perpendicular) vectors removed.
Vec3 perpendicularPart(Vec3 u, const std::array<Vec3, 3>& basis, int count) {
    for (int k = 0; k < count; ++k) {
        const float along = dot(u, basis[k]);
        for (int i = 0; i < 3; ++i) u[i] -= along * basis[k][i];
    }
    return u;
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

std::array<int, 3> AxisFollower::next(const AxisDirections& current) {
    const std::array<int, 3> order = started_ ? matchAxes(tracks_, current) : kOrders[0];
    started_ = true;
    for (std::size_t t = 0; t < 3; ++t) {
        const auto& axis = current[static_cast<std::size_t>(order[t])];
        if (axis) tracks_[t] = axis;  // a track without direction here keeps its last one
    }
    return order;
}

std::vector<std::array<int, 3>> followAxes(const std::vector<AxisDirections>& calculations) {
    std::vector<std::array<int, 3>> orders;
    orders.reserve(calculations.size());
    AxisFollower follower;
    for (const AxisDirections& current : calculations) orders.push_back(follower.next(current));
    return orders;
}

std::array<Vec3, 3> completeAxes(const AxisDirections& axes) {
    // A direction with less than this left after removing the others adds no new dimension.
    constexpr float kIndependent = 1e-3f;
    std::array<Vec3, 3> basis{};
    std::array<int, 3> slotOf{};  // basis[k] belongs to axis slotOf[k]
    std::array<bool, 3> filled{};
    int count = 0;
    for (int m = 0; m < 3; ++m) {
        if (!axes[m]) continue;
        const Vec3 rest = perpendicularPart(*axes[m], basis, count);
        if (length(rest) < kIndependent) continue;
        basis[count] = unit(rest);
        slotOf[count++] = m;
        filled[m] = true;
    }
    constexpr std::array<Vec3, 3> kCartesian{{{1.0f, 0.0f, 0.0f}, {0.0f, 1.0f, 0.0f}, {0.0f, 0.0f, 1.0f}}};
    for (int m = 0; m < 3; ++m) {
        if (filled[m]) continue;
        // Of X, Y and Z the one most outside the directions chosen so far.
        Vec3 best{};
        float bestLength = -1.0f;
        for (const Vec3& candidate : kCartesian) {
            const Vec3 rest = perpendicularPart(candidate, basis, count);
            const float restLength = length(rest);
            if (restLength > bestLength) {
                bestLength = restLength;
                best = rest;
            }
        }
        basis[count] = unit(best);
        slotOf[count++] = m;
        filled[m] = true;
    }
    std::array<Vec3, 3> result{};
    for (int k = 0; k < 3; ++k) result[slotOf[k]] = basis[k];
    return result;
}
