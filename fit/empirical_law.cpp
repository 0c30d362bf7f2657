#include "fit/empirical_law.hpp"

#include <algorithm>
#include <cmath>
#include <limits>

double strainOf(const std::vector<double>& t, double p) { return t[0] + t[1] * std::pow(p - t[2], t[3]); }

std::array<double, 4> strainGradient(const std::vector<double>& t, double p) {
    const double u = p - t[2];
    if (!(u > 0.0)) return {1.0, 0.0, 0.0, 0.0};  // P = Pc
    const double un = std::pow(u, t[3]);
    return {1.0, un, -t[1] * t[3] * std::pow(u, t[3] - 1.0), t[1] * un * std::log(u)};
}

double compressibilityOf(const std::vector<double>& t, double p) {
    return -t[1] * t[3] * std::pow(p - t[2], t[3] - 1.0);
}

std::array<double, 4> compressibilityGradient(const std::vector<double>& t, double p) {
    const double u = p - t[2];
    const double um1 = std::pow(u, t[3] - 1.0);
    return {0.0, -t[3] * um1, t[1] * t[3] * (t[3] - 1.0) * std::pow(u, t[3] - 2.0), -t[1] * um1 * (1.0 + t[3] * std::log(u))};
}

double linearPart(const std::vector<FitPoint>& points, const std::vector<double>& w, double pc, double nu,
                  double range, double& eps0, double& lambda, std::vector<double>& xs, double& scaledLambda) {
    double sw = 0.0, sx = 0.0, sy = 0.0, sxx = 0.0, sxy = 0.0;
    xs.resize(points.size());
    for (std::size_t i = 0; i < points.size(); ++i) {
        const double x = std::pow((points[i].x - pc) / range, nu);
        xs[i] = x;
        sw += w[i];
        sx += w[i] * x;
        sy += w[i] * points[i].y;
        sxx += w[i] * x * x;
        sxy += w[i] * x * points[i].y;
    }
    const double det = sw * sxx - sx * sx;
    scaledLambda = (sw * sxy - sx * sy) / det;
    eps0 = (sy - scaledLambda * sx) / sw;
    lambda = scaledLambda * std::pow(range, -nu);
    double chi2 = 0.0;
    for (std::size_t i = 0; i < points.size(); ++i) {
        const double r = points[i].y - eps0 - scaledLambda * xs[i];
        chi2 += w[i] * r * r;
    }
    return std::isfinite(chi2) && std::isfinite(lambda) ? chi2 : std::numeric_limits<double>::infinity();
}

double linearPart(const std::vector<FitPoint>& points, const std::vector<double>& w, double pc, double nu,
                  double range, double& eps0, double& lambda) {
    std::vector<double> xs;
    double scaledLambda = 0.0;
    return linearPart(points, w, pc, nu, range, eps0, lambda, xs, scaledLambda);
}

double slopeOverEsd(const std::vector<double>& t, double p, double sigma) {
    if (!(sigma > 0.0)) return 0.0;
    const double lo = std::max(p - sigma, t[2]);
    const double hi = p + sigma;
    return (strainOf(t, hi) - strainOf(t, lo)) / (hi - lo);
}

