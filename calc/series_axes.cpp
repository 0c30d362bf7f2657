#include "calc/series_axes.hpp"

#include <algorithm>
#include <cmath>
#include <iterator>

#include "calc/crystal_system.hpp"
#include "calc/principal_axes.hpp"
#include "calc/strain_tensors.hpp"

// A series of a million points keeps a million of these: their size is most of what the fits of
// a long series hold.
static_assert(sizeof(StrainOnAxes) <= 136, "a point's strain on the series' axes has grown");

namespace {

// What one point's strain against the reference gives, in the order of its decomposition.
struct PointDecomposition {
    StrainTensors tensors;
    AxisDirections directions;
    std::array<float, 3> values{};
};

PointDecomposition decompose(const UnitCell& reference, const UnitCell& cell, const RunOptions& options,
                             CrystalSystem system) {
    PointDecomposition d;
    d.tensors = strainTensorsBetween(reference, cell, options.strainType, system, options.axisConvention, nullptr,
                                    EsdScope::none);
    const bool principal = hasPrincipalAxes(system);
    for (int m = 0; m < 3; ++m) {
        if (principal) {
            d.values[m] = d.tensors.eigenValues[m];
            if (!isCircularSection(d.tensors.eigenVectors, d.tensors.eigenFlag, m + 1))
                d.directions[m] = unit(row(d.tensors.eigenVectors, m + 1));
        } else {
            d.values[m] = d.tensors.strainTensor(m + 1, m + 1);
            Vec3 axis{};
            axis[m] = 1.0f;
            d.directions[m] = axis;
        }
    }
    return d;
}

Vec3 negated(const Vec3& v) { return {-v[0], -v[1], -v[2]}; }

// The sense shown for a direction: the one whose angle to the nearest crystal axis is at most 90°.
Vec3 shownSense(const Vec3& v, const Mat3& sMatrix) {
    const std::array<float, 3> toAbc = anglesToCrystalAxes(v, sMatrix);
    int nearest = 0;
    for (int i = 1; i < 3; ++i)
        if (std::min(toAbc[i], 180.0f - toAbc[i]) < std::min(toAbc[nearest], 180.0f - toAbc[nearest])) nearest = i;
    return toAbc[nearest] > 90.0f ? negated(v) : v;
}

// The calculation's later point and its decomposition's directions; the pair is the one the run
// computes as calculation k (from 1).
struct NamedPair {
    int k = 0;
    int second = 0;
    AxisDirections directions;
};

NamedPair namedPair(const Series& series, const RunOptions& options, int named) {
    NamedPair pair;
    const int calculations = static_cast<int>(series.points.size()) - 1;
    pair.k = named >= 1 && named <= calculations ? named : calculations;
    pair.second = pair.k + 1;
    const int first = options.incremental ? pair.k : 1;
    pair.directions = decompose(series.points[static_cast<std::size_t>(first - 1)].cell,
                                series.points[static_cast<std::size_t>(pair.second - 1)].cell, options, series.crystalSystem)
                          .directions;
    return pair;
}

}  // namespace

SeriesAxes seriesAxes(const Series& series, const RunOptions& options, int namedCalculation) {
    SeriesAxes r;
    const CrystalSystem system = series.crystalSystem;
    r.principalAxes = hasPrincipalAxes(system);
    for (int k = 0; k < 3; ++k) r.axes[k].number = k + 1;
    if (series.points.empty()) return r;
    const UnitCell& reference = series.points.front().cell;
    r.referenceSMatrix = reference.sMatrix(options.axisConvention);

    // Each point's strain and principal axes, followed along the series by direction: the values
    // and directions in the order of the three tracks. Nothing per point is kept beyond the point's
    // own entry, since a series may have a million points.
    const std::size_t n = series.points.size();
    r.points.resize(n);
    AxisFollower follower;
    for (std::size_t i = 0; i < n; ++i) {
        const DataPoint& point = series.points[i];
        const PointDecomposition d = decompose(reference, point.cell, options, system);
        const std::array<int, 3> order = r.principalAxes ? follower.next(d.directions) : std::array<int, 3>{0, 1, 2};
        StrainOnAxes& s = r.points[i];
        s.x = variableOf(point, series.pressureRun);
        s.sigX = variableEsdOf(point, series.pressureRun);
        s.strain = SymmetricMat3(d.tensors.strainTensor);
        for (std::size_t t = 0; t < 3; ++t) {
            s.value[t] = d.values[static_cast<std::size_t>(order[t])];
            s.direction.set(t, d.directions[static_cast<std::size_t>(order[t])]);
        }
    }

    // The track that carries each number.
    std::array<int, 3> trackOfNumber{0, 1, 2};
    if (r.principalAxes) {
        if (n >= 2) {
            const NamedPair named = namedPair(series, options, namedCalculation);
            r.namedCalculation = named.k;
            // Each track's direction at the named pair's later point, or its last one before it.
            AxisDirections tracks;
            for (int t = 0; t < 3; ++t)
                for (std::size_t i = static_cast<std::size_t>(named.second); i-- > 0 && !tracks[t];)
                    tracks[t] = r.points[i].direction[t];
            trackOfNumber = matchAxes(named.directions, tracks);
        }
    } else if (n >= 2) {
        r.namedCalculation = namedCalculation >= 1 && namedCalculation < static_cast<int>(n) ? namedCalculation
                                                                                              : static_cast<int>(n) - 1;
    }

    // Values and directions by number.
    for (StrainOnAxes& s : r.points) {
        const StrainOnAxes byTrack = s;
        for (std::size_t k = 0; k < 3; ++k) {
            const auto t = static_cast<std::size_t>(trackOfNumber[k]);
            s.value[k] = byTrack.value[t];
            s.direction.set(k, byTrack.direction[t]);
        }
    }

    // The mean direction of each axis, each point's turned to agree with the first, in the sense
    // shown; then every point's direction in that sense.
    for (int k = 0; k < 3; ++k) {
        SeriesAxis& axis = r.axes[k];
        std::optional<Vec3> first;
        std::array<double, 3> sum{};
        for (const StrainOnAxes& s : r.points) {
            const std::optional<Vec3> direction = s.direction[k];
            if (!direction) continue;
            const Vec3& d = *direction;
            if (!first) first = d;
            const double sense = dot(d, *first) < 0.0f ? -1.0 : 1.0;
            for (int c = 0; c < 3; ++c) sum[c] += sense * static_cast<double>(d[c]);
        }
        const double norm = std::sqrt(sum[0] * sum[0] + sum[1] * sum[1] + sum[2] * sum[2]);
        if (!first || !(norm > 0.0)) continue;
        axis.hasDirection = true;
        const Vec3 mean = unit({static_cast<float>(sum[0] / norm), static_cast<float>(sum[1] / norm),
                                static_cast<float>(sum[2] / norm)});
        axis.vector = r.principalAxes ? shownSense(mean, r.referenceSMatrix) : mean;
        axis.uvw = uvwOf(axis.vector, r.referenceSMatrix);
        axis.toAbc = anglesToCrystalAxes(axis.vector, r.referenceSMatrix);
        for (StrainOnAxes& s : r.points)
            if (const std::optional<Vec3> d = s.direction[k]; d && dot(*d, axis.vector) < 0.0f) s.direction.set(k, negated(*d));
    }
    for (int k = 0; k < 3; ++k)
        for (int l = 0; l < 3; ++l)
            if (!r.principalAxes && equalBySymmetry(system, k + 1, l + 1)) r.axes[k].equalTo.push_back(l + 1);

    r.byX.resize(n);
    for (std::size_t i = 0; i < n; ++i) r.byX[i] = static_cast<std::uint32_t>(i);
    std::stable_sort(r.byX.begin(), r.byX.end(), [&](std::uint32_t a, std::uint32_t b) { return r.points[a].x < r.points[b].x; });

    // The esd along each axis's direction at each point: its own there, else the mean direction,
    // the directions completed to three where the series leaves some without one.
    AxisDirections means;
    for (int k = 0; k < 3; ++k)
        if (r.axes[k].hasDirection) means[k] = r.axes[k].vector;
    // The strain's esds come from moving the cell parameters, each point once more.
    for (std::size_t i = 0; i < n; ++i) {
        StrainOnAxes& s = r.points[i];
        StrainChangeMoments moments;
        const StrainTensors tensors = strainTensorsBetween(reference, series.points[i].cell, options.strainType, system,
                                                          options.axisConvention, &moments, EsdScope::tensorOnly);
        s.strainEsd = SymmetricMat3(tensors.esdTensor);
        s.withEsds = tensors.esdCount > 0;
        AxisDirections along;
        for (int k = 0; k < 3; ++k) along[k] = s.direction[k] ? s.direction[k] : means[k];
        const std::array<Vec3, 3> complete = completeAxes(along);
        for (int k = 0; k < 3; ++k) s.esd[k] = s.withEsds ? moments.esdAlong(complete[k]) : 0.0;
    }
    return r;
}

std::array<int, 3> SeriesAxes::numbersOf(const AxisDirections& calculationAxes, int point) const {
    if (!principalAxes || points.empty()) return {1, 2, 3};
    const std::size_t at = static_cast<std::size_t>(std::clamp(point, 1, static_cast<int>(points.size())));
    // Each axis's direction at the point, or the last one it had before it, or its mean.
    AxisDirections tracks;
    for (int k = 0; k < 3; ++k) {
        for (std::size_t i = at; i-- > 0 && !tracks[k];) tracks[k] = points[i].direction[k];
        if (!tracks[k] && axes[k].hasDirection) tracks[k] = axes[k].vector;
    }
    const std::array<int, 3> trackOfAxis = matchAxes(calculationAxes, tracks);
    return {trackOfAxis[0] + 1, trackOfAxis[1] + 1, trackOfAxis[2] + 1};
}

AxisDirections SeriesAxes::directionsNear(double x) const {
    AxisDirections d;
    if (byX.empty()) return d;
    // The first point at or above x, or the one below it where that is nearer.
    auto above = std::lower_bound(byX.begin(), byX.end(), x, [&](std::uint32_t i, double v) { return points[i].x < v; });
    if (above == byX.end() || (above != byX.begin() && x - points[*std::prev(above)].x <= points[*above].x - x)) --above;
    const StrainOnAxes* nearest = &points[*above];
    for (int k = 0; k < 3; ++k) {
        d[k] = nearest->direction[k];
        if (!d[k] && axes[k].hasDirection) d[k] = axes[k].vector;
    }
    return d;
}
