#include "fit/tensor_fit.hpp"

#include <algorithm>
#include <cmath>

#include "LIBRARIES/math/eigen.hpp"
#include "calc/matrix_inverse.hpp"
#include "calc/principal_axes.hpp"
#include "calc/strain_tensors.hpp"
#include "fit/polynomial_fit.hpp"

namespace {

// The components in the order 11, 22, 33, 12, 13, 23, as (i, j) from 1.
constexpr std::array<std::array<int, 2>, 6> kComponents{{{1, 1}, {2, 2}, {3, 3}, {1, 2}, {1, 3}, {2, 3}}};

Mat3d symmetric(const std::array<double, 6>& c) { return symmetricMatrix(c); }

// The decomposition works in single precision with absolute tolerances, so the tensor goes in
// scaled by a power of two to a largest element near 1 (exact, and undone on the way out).
struct ScaledTensor {
    Mat3 m;
    double scale = 1.0;
};

ScaledTensor scaled(const Mat3d& t) {
    double largest = 0.0;
    for (const double v : t.v) largest = std::max(largest, std::fabs(v));
    ScaledTensor s;
    if (largest > 0.0 && std::isfinite(largest)) s.scale = std::ldexp(1.0, -std::ilogb(largest));
    for (int i = 1; i <= 3; ++i)
        for (int j = 1; j <= 3; ++j)
            s.m(i, j) = static_cast<float>(t(i, j) * s.scale);
    return s;
}

double rayleigh(const Mat3d& t, const Vec3& v) {
    double q = 0.0;
    for (int i = 1; i <= 3; ++i)
        for (int j = 1; j <= 3; ++j) q += static_cast<double>(v[i - 1]) * t(i, j) * static_cast<double>(v[j - 1]);
    return q;
}

// The principal axes of a property tensor with esds: values by first-order propagation of the
// component esds (d lambda / d t_ij = v_i v_j, both halves of an off-diagonal pair), angles to
// a, b, c by moving each component by a tenth of its esd, as the esds of a pair are found.
std::array<PrincipalCoefficient, 3> principalOf(const Mat3d& t, const std::array<double, 6>& esds,
                                                 bool principalAxes, const Mat3& sMatrix, const std::optional<Mat3>& sInverse) {
    std::array<PrincipalCoefficient, 3> axes{};
    if (!principalAxes) {
        for (std::size_t m = 0; m < 3; ++m) {
            PrincipalCoefficient& a = axes[m];
            a.value = t(static_cast<int>(m) + 1, static_cast<int>(m) + 1);
            a.esd = esds[m];
            a.hasDirection = true;
            a.vector[m] = 1.0f;
            a.uvw = uvwOf(a.vector, sInverse);
            a.toAbc = anglesToCrystalAxes(a.vector, sMatrix);
        }
        return axes;
    }
    const EigenResult eigen = eigenSystemOf(scaled(t).m);
    for (int m = 1; m <= 3; ++m) {
        PrincipalCoefficient& a = axes[static_cast<std::size_t>(m - 1)];
        a.hasDirection = !isCircularSection(eigen.eigenVectors, eigen.eigenFlag, m);
        if (!a.hasDirection) {
            a.value = eigen.eigenValues[static_cast<std::size_t>(m - 1)] / scaled(t).scale;
            continue;
        }
        const Vec3 v = row(eigen.eigenVectors, m);
        a.vector = v;
        a.value = rayleigh(t, v);
        double variance = 0.0;
        for (std::size_t k = 0; k < 6; ++k) {
            const auto i = static_cast<std::size_t>(kComponents[k][0] - 1);
            const auto j = static_cast<std::size_t>(kComponents[k][1] - 1);
            const double d = (i == j ? 1.0 : 2.0) * static_cast<double>(v[i]) * static_cast<double>(v[j]);
            variance += d * d * esds[k] * esds[k];
        }
        a.esd = std::sqrt(variance);
        a.uvw = uvwOf(v, sInverse);
        a.toAbc = anglesToCrystalAxes(v, sMatrix);
    }

    // One decomposition per moved component serves all three axes.
    std::array<std::array<double, 3>, 3> sums{};
    for (std::size_t k = 0; k < 6; ++k) {
        if (esds[k] <= 0.0) continue;
        Mat3d moved = t;
        const int i = kComponents[k][0];
        const int j = kComponents[k][1];
        moved(i, j) += kStepFactor * esds[k];
        moved(j, i) = moved(i, j);
        const EigenResult e = eigenSystemOf(scaled(moved).m);
        for (int m = 1; m <= 3; ++m) {
            const PrincipalCoefficient& a = axes[static_cast<std::size_t>(m - 1)];
            if (!a.hasDirection || isCircularSection(e.eigenVectors, e.eigenFlag, m)) continue;
            Vec3 w = row(e.eigenVectors, m);
            if (dot(w, a.vector) < 0.0f) w = {-w[0], -w[1], -w[2]};  // an eigenvector's sign means nothing
            const std::array<float, 3> movedAngles = anglesToCrystalAxes(w, sMatrix);
            for (std::size_t c = 0; c < 3; ++c) {
                const double d = static_cast<double>(movedAngles[c]) - static_cast<double>(a.toAbc[c]);
                sums[static_cast<std::size_t>(m - 1)][c] += d * d;
            }
        }
    }
    for (std::size_t m = 0; m < 3; ++m)
        for (std::size_t c = 0; c < 3; ++c) axes[m].toAbcEsd[c] = static_cast<float>(std::sqrt(sums[m][c]) / kStepFactor);
    return axes;
}

// The axes of a decomposition in the order of the series' axes, each in its axis's sense: matched
// by direction with the axes near x.
std::array<PrincipalCoefficient, 3> onSeriesAxes(const std::array<PrincipalCoefficient, 3>& decomposed,
                                                  const SeriesAxes& axes, double x) {
    if (!axes.principalAxes) return decomposed;
    AxisDirections own;
    for (std::size_t m = 0; m < 3; ++m)
        if (decomposed[m].hasDirection) own[m] = decomposed[m].vector;
    const AxisDirections near = axes.directionsNear(x);
    const std::array<int, 3> axisOf = matchAxes(own, near);
    std::array<PrincipalCoefficient, 3> ordered{};
    for (std::size_t m = 0; m < 3; ++m) {
        PrincipalCoefficient a = decomposed[m];
        const auto& along = near[static_cast<std::size_t>(axisOf[m])];
        if (a.hasDirection && along && dot(a.vector, *along) < 0.0f) {
            for (std::size_t c = 0; c < 3; ++c) {
                a.vector[c] = -a.vector[c];
                a.uvw[c] = -a.uvw[c] + 0.0;  // no -0
                a.toAbc[c] = 180.0f - a.toAbc[c];
            }
        }
        ordered[static_cast<std::size_t>(axisOf[m])] = a;
    }
    return ordered;
}

}  // namespace

TensorAt TensorFit::tensorAt(double x) const {
    TensorAt r;
    r.x = static_cast<float>(x);
    if (!status.ok) return r;
    const double sign = pressure ? -1.0 : 1.0;
    std::array<double, 6> property{}, propertyEsd{}, strain{}, strainEsd{};
    for (std::size_t k = 0; k < 6; ++k) {
        property[k] = sign * components[k].slope(x);
        propertyEsd[k] = components[k].slopeEsd(x);
        strain[k] = components[k].value(x);
        strainEsd[k] = components[k].valueEsd(x);
    }
    r.tensor = symmetric(property);
    r.esd = symmetric(propertyEsd);
    r.strain = symmetric(strain);
    r.strainEsd = symmetric(strainEsd);
    r.principal = principalOf(r.tensor, propertyEsd, principalAxes, referenceSMatrix, matrixInverse(referenceSMatrix));
    if (axes) r.principal = onSeriesAxes(r.principal, *axes, x);
    return r;
}

TensorAt TensorFit::meanBetween(double from, double to) const {
    TensorAt r;
    r.x = static_cast<float>(to);
    if (!status.ok) return r;
    const double sign = pressure ? -1.0 : 1.0;
    std::array<double, 6> property{}, propertyEsd{};
    for (std::size_t k = 0; k < 6; ++k) {
        property[k] = sign * components[k].meanSlope(from, to);
        propertyEsd[k] = components[k].meanSlopeEsd(from, to);
    }
    r.tensor = symmetric(property);
    r.esd = symmetric(propertyEsd);
    r.principal = principalOf(r.tensor, propertyEsd, principalAxes, referenceSMatrix, matrixInverse(referenceSMatrix));
    if (axes) r.principal = onSeriesAxes(r.principal, *axes, to);
    return r;
}

TensorAt TensorFit::atEntry(std::size_t i) const {
    const bool measured = i < measuredX.size();
    const double x = measured ? static_cast<double>(measuredX[i]) : askedX[i - measuredX.size()];
    TensorAt t;
    if (lineProperty) {
        t = *lineProperty;
        t.x = static_cast<float>(x);
        std::array<double, 6> strain{}, strainEsd{};
        for (std::size_t k = 0; k < 6; ++k) {
            strain[k] = components[k].value(x);
            strainEsd[k] = components[k].valueEsd(x);
        }
        t.strain = symmetric(strain);
        t.strainEsd = symmetric(strainEsd);
    } else {
        t = tensorAt(x);
    }
    t.measured = measured;
    t.extrapolated = !measured && !measuredX.empty() &&
                     (x < static_cast<double>(measuredX.front()) || x > static_cast<double>(measuredX.back()));
    return t;
}

TensorFit fitTensor(const std::shared_ptr<const SeriesAxes>& axes, int order, bool pressure,
                    const std::vector<double>& at, FitWeights mode) {
    const SeriesAxes& strains = *axes;
    TensorFit fit;
    fit.axes = axes;
    fit.order = order;
    fit.pressure = pressure;
    fit.principalAxes = strains.principalAxes;
    fit.referenceSMatrix = strains.referenceSMatrix;
    const double origin = strains.points.empty() ? 0.0 : strains.points.front().x;
    for (std::size_t k = 0; k < 6; ++k) {
        const int i = kComponents[k][0];
        const int j = kComponents[k][1];
        const FitPoints points{strains.points.size(), [&strains, i, j](std::size_t n) {
                                   const StrainOnAxes& s = strains.points[n];
                                   return FitPoint{s.x, s.sigX, s.strain(i, j), s.strainEsd(i, j)};
                               }};
        fit.components[k] = fitPolynomial(points, order, origin, mode);
        if (!fit.components[k].status.ok) {
            fit.status = fit.components[k].status;
            return fit;
        }
    }
    fit.status = FitStatus::success();
    // The x of the series are the single-precision T or P it holds.
    for (const std::size_t i : strains.byX) {
        const auto x = static_cast<float>(strains.points[i].x);
        if (fit.measuredX.empty() || x != fit.measuredX.back()) fit.measuredX.push_back(x);
    }
    fit.askedX = at;
    if (order == 1 && !fit.measuredX.empty()) fit.lineProperty = fit.tensorAt(fit.measuredX.front());
    return fit;
}
