#include "fit/confidence_ellipse.hpp"

#include <cmath>
#include <numbers>

#include "fit/covariance.hpp"

std::vector<ConfidenceEllipse> confidenceEllipses(const Covariance& covariance, const std::vector<std::string>& names,
                                                  const std::vector<double>& values, std::size_t a, std::size_t b) {
    std::vector<ConfidenceEllipse> ellipses;
    if (a >= covariance.size() || b >= covariance.size() || a == b) return ellipses;
    // The eigen decomposition of the symmetric 2 x 2 block [[p, r], [r, q]].
    const double p = covariance(a, a), q = covariance(b, b), r = covariance(a, b);
    const double mean = 0.5 * (p + q);
    const double spread = std::hypot(0.5 * (p - q), r);
    const double major = mean + spread;
    // The minor eigenvalue as det / major: mean - spread loses every digit where the variances
    // differ by many orders (V0 against a1) or the correlation is near 1.
    if (!(p > 0.0) || !(q > 0.0)) return ellipses;
    const double rho = r / std::sqrt(p * q);
    const double minor = p * q * ((1.0 - rho) * (1.0 + rho)) / major;
    if (!(minor > 0.0) || !std::isfinite(major)) return ellipses;
    const double angle = 0.5 * std::atan2(2.0 * r, p - q);
    const double c = std::cos(angle), s = std::sin(angle);
    for (const ConfidenceLevel& level : kConfidenceLevels) {
        ConfidenceEllipse e;
        e.parameters = {names.at(a), names.at(b)};
        e.level = level.level;
        e.deltaChi2 = level.deltaChi2;
        e.center = {values.at(a), values.at(b)};
        e.semiAxes = {std::sqrt(level.deltaChi2 * major), std::sqrt(level.deltaChi2 * minor)};
        e.angle = angle;
        for (int k = 0; k < kEllipsePoints; ++k) {
            const double t = 2.0 * std::numbers::pi * k / kEllipsePoints;
            const double u = e.semiAxes[0] * std::cos(t), v = e.semiAxes[1] * std::sin(t);
            e.points.push_back({e.center[0] + c * u - s * v, e.center[1] + s * u + c * v});
        }
        ellipses.push_back(std::move(e));
    }
    return ellipses;
}

std::vector<ConfidenceEllipse> allConfidenceEllipses(const Covariance& covariance, const std::vector<std::string>& names,
                                                     const std::vector<double>& values) {
    std::vector<ConfidenceEllipse> all;
    for (std::size_t a = 0; a < covariance.size(); ++a)
        for (std::size_t b = a + 1; b < covariance.size(); ++b) {
            std::vector<ConfidenceEllipse> pair = confidenceEllipses(covariance, names, values, a, b);
            all.insert(all.end(), std::make_move_iterator(pair.begin()), std::make_move_iterator(pair.end()));
        }
    return all;
}
