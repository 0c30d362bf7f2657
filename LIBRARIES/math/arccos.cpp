#include "LIBRARIES/math/arccos.hpp"

#include <cmath>

float arccosDegrees(float x) {
    constexpr float kQuarterPi = 0.7853982f;
    if (std::fabs(x) < 1.0f) return std::acos(x) * 45.0f / kQuarterPi;
    return x < 0.0f ? 180.0f : 0.0f;
}
