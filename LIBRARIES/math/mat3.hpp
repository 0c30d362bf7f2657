#pragma once
// A 3 x 3 single-precision matrix: 1-based (i, j) access, stored column by column, no heap.
#include <array>

struct Mat3 {
    std::array<float, 9> v{};  // (1,1), (2,1), (3,1), (1,2), ...

    constexpr float& operator()(int i, int j) { return v[(j - 1) * 3 + (i - 1)]; }
    constexpr float operator()(int i, int j) const { return v[(j - 1) * 3 + (i - 1)]; }

    static constexpr Mat3 identity() {
        Mat3 m;
        m(1, 1) = m(2, 2) = m(3, 3) = 1.0f;
        return m;
    }
    friend constexpr bool operator==(const Mat3&, const Mat3&) = default;
};

using Vec3 = std::array<float, 3>;  // components 0, 1, 2 for the axes 1, 2, 3
