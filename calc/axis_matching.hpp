#pragma once
// Following the principal axes through a series. The decomposition orders the axes of each
// calculation by value, so where two values cross the order swaps; a line that joins "axis 1" of
// every calculation would then jump from one physical axis to another. Instead each axis is paired
// with the most nearly parallel axis of the calculation before.
#include <array>
#include <optional>
#include <vector>

#include "LIBRARIES/math/mat3.hpp"

// The directions of one calculation's three axes; none where an axis has no defined direction.
using AxisDirections = std::array<std::optional<Vec3>, 3>;

// order[t] is the axis of `current` that continues track t, whose last known direction is
// tracks[t]. Of the six pairings the one with the largest sum of |cos| between paired directions
// wins (the sign of an eigenvector means nothing); pairs with an unknown direction add nothing,
// and of equal sums the one nearest the given order wins.
std::array<int, 3> matchAxes(const AxisDirections& tracks, const AxisDirections& current);

// Follows the three tracks one calculation at a time: next gives the order of a calculation's
// axes along the tracks (the first keeps its own order, each later one is matched with the
// tracks' last known directions).
class AxisFollower {
public:
    std::array<int, 3> next(const AxisDirections& current);

private:
    AxisDirections tracks_;
    bool started_ = false;
};

// For each calculation in turn, the order of its axes along the three tracks.
std::vector<std::array<int, 3>> followAxes(const std::vector<AxisDirections>& calculations);

// Three orthonormal directions: the defined ones as given (normalised, each made perpendicular to
// those before), the others chosen perpendicular to them, in the remaining plane or space. An
// axis without direction lies in a circular section, where every such choice is equally good.
std::array<Vec3, 3> completeAxes(const AxisDirections& axes);
