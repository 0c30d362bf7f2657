#include "fit/normalised_pressure.hpp"

#include <cmath>

NormalisedPressure normalisedPressure(const FitPoints& volumes, const EosFit& bm3) {
    NormalisedPressure r;
    if (!bm3.status.ok) {
        r.status = FitStatus::failure("no BM3 fit for V0: " + bm3.status.text);
        return r;
    }
    r.v0 = bm3.v0;
    r.volumes = volumes;
    r.status = FitStatus::success();
    return r;
}

void NormalisedPressure::forEachPoint(const std::function<void(const NormalisedPressurePoint&)>& visit) const {
    if (!status.ok) return;
    const double volume0 = v0.value;
    const double sigV0 = v0.esd.value_or(0.0);
    for (std::size_t i = 0; i < volumes.count; ++i) {
        const FitPoint point = volumes.point(i);
        const double v = point.x;
        const double sigV = point.sigX;
        const double p = point.y;
        // eta = V / V0; f = (eta^(-2/3) - 1) / 2; F = P / [3 f (1 + 2f)^(5/2)].
        const double eta = v / volume0;
        const double e23 = std::pow(eta, -2.0 / 3.0);
        const double f = 0.5 * (e23 - 1.0);
        if (p == 0.0 || f == 0.0) continue;  // F is 0/0 at f = 0: no point
        const double perP = 1.0 / (3.0 * f * std::pow(1.0 + 2.0 * f, 2.5));
        const double F = p * perP;
        // Esds by first-order propagation: eta from V and V0, f and F from eta and P.
        const double sigEta = eta * std::hypot(sigV / v, sigV0 / volume0);
        const double sigF = std::pow(eta, -5.0 / 3.0) / 3.0 * sigEta;
        const double dLnFdEta = (7.0 * e23 - 5.0) / (3.0 * eta * (e23 - 1.0));
        const double sigBigF = std::hypot(point.sigY * perP, F * dLnFdEta * sigEta);
        visit({static_cast<int>(i) + 1, static_cast<float>(p), f, sigF, F, sigBigF});
    }
}
