#include "calc/validate_cells.hpp"

#include <cmath>

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
    constexpr double kDegToRadDouble = 3.14159265358979323846 / 180.0;
    const double ca = std::cos(c[3] * kDegToRadDouble), cb = std::cos(c[4] * kDegToRadDouble), cg = std::cos(c[5] * kDegToRadDouble);
    const double volume2 = 1.0 - ca * ca - cb * cb - cg * cg + 2.0 * ca * cb * cg;
    if (!(volume2 > 1e-12)) return false;
    for (int k = 0; k < 6; ++k) {
        if (!std::isfinite(point.cell.esd[k])) return false;
    }
    if (!std::isfinite(point.volumeAsReadEsd)) return false;
    return std::isfinite(point.p) && std::isfinite(point.t) && std::isfinite(point.sigP) && std::isfinite(point.sigT);
}
