#pragma once
// Which points of a long line are drawn. A line through every point of a very long series takes
// minutes to fill into a picture and its points cover one another by the thousand; the drawn line
// keeps the envelope of the whole at a few thousand corners.
#include <cstddef>
#include <vector>

// Up to this many points a line is drawn through all of them (no bundled series comes near).
inline constexpr std::size_t kMostUnthinnedPoints = 4000;
// A longer line is cut into this many runs of consecutive points.
inline constexpr std::size_t kThinnedRuns = 1000;

// The indices of the points of `y` to draw, ascending: every point of a line with markers
// (`marked`) or of up to kMostUnthinnedPoints; otherwise, of each run of consecutive points, the
// first, the lowest, the highest and the last, and the first gap (a value that is not finite), so
// that a gap still breaks the line. For the points of a line (float) and the samples of a fitted
// curve (double).
template <typename Real>
std::vector<std::size_t> drawnPoints(const std::vector<Real>& y, bool marked);
