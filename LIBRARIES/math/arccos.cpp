#include "LIBRARIES/math/arccos.hpp"

#include <cmath>

float ARCCOS(float x, int& rangeFlag) {
    constexpr float kQuarterPi = 0.7853982f;
    constexpr float kRangeLimit = 1.001f;  // beyond this, more than rounding put x outside [-1, 1]

    if (std::fabs(x) < 1.0f) {
        rangeFlag = 0;
        return std::acos(x) * 45.0f / kQuarterPi;
    }
    // Parallel or antiparallel axes: rounding may push the cosine just past +-1.
    if (std::fabs(x) > kRangeLimit) rangeFlag = 1;
    return x < 0.0f ? 180.0f : 0.0f;
}
