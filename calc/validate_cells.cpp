#include "calc/validate_cells.hpp"

#include <cmath>
#include <limits>

bool isValidCell(const DataPoint& point) {
    const auto& c = point.cell;
    for (int k = 0; k < 3; ++k) {
        if (!(c[k] > 0.0f) || !std::isfinite(c[k])) return false;
    }
    for (int k = 3; k < 6; ++k) {
        if (!(c[k] > 0.0f && c[k] < 180.0f)) return false;
    }
    // The metric tensor of a cell with unit edges is positive definite exactly when
    // 1 - cos^2(alpha) - cos^2(beta) - cos^2(gamma) + 2 cos(alpha) cos(beta) cos(gamma) > 0
    // (the squared volume of that cell); its leading minors are then positive as well.
    constexpr double kDegToRad = 3.14159265358979323846 / 180.0;
    const double ca = std::cos(c[3] * kDegToRad), cb = std::cos(c[4] * kDegToRad), cg = std::cos(c[5] * kDegToRad);
    const double volume2 = 1.0 - ca * ca - cb * cb - cg * cg + 2.0 * ca * cb * cg;
    return volume2 > 1e-12;
}

PointRangeFault pointRangeFault(const DataPoint& point) {
    constexpr float kLargestVariable = std::numeric_limits<float>::max() / 2.0f;
    const float kLargestVariableEsd = std::sqrt(kLargestVariable);
    const struct {
        const char* name;
        float value;
        RangeFault fault;
        float largest;
    } numbers[] = {{"T", point.t, RangeFault::variable, kLargestVariable},
                   {"P", point.p, RangeFault::variable, kLargestVariable},
                   {"SIGT", point.sigT, RangeFault::esd, kLargestVariableEsd},
                   {"SIGP", point.sigP, RangeFault::esd, kLargestVariableEsd}};
    for (const auto& n : numbers) {
        if (!(std::fabs(n.value) <= n.largest)) return {n.fault, n.name, n.value};  // NaN too
    }
    constexpr const char* kCellEsds[] = {"SIGA", "SIGB", "SIGC", "SIGALPHA", "SIGBETA", "SIGGAMMA", "SIGV"};
    for (std::size_t k = 0; k < point.sigCell.size(); ++k) {
        if (!std::isfinite(point.sigCell[k])) return {RangeFault::esd, kCellEsds[k], point.sigCell[k]};
    }
    return {};
}
