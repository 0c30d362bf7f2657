#pragma once
// 3-vectors and 3 x 3 single-precision matrices with the few operations the program needs. Every
// sum runs left to right in single precision, so results are the same on every machine.
#include <array>
#include <cmath>

using Vec3 = std::array<float, 3>;  // components 0, 1, 2 for the axes 1, 2, 3

// A 3 x 3 matrix: 1-based (i, j) access, stored column by column, no heap.
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

constexpr float dot(const Vec3& u, const Vec3& v) { return u[0] * v[0] + u[1] * v[1] + u[2] * v[2]; }

constexpr Vec3 cross(const Vec3& u, const Vec3& v) {
    return {u[1] * v[2] - u[2] * v[1], u[2] * v[0] - u[0] * v[2], u[0] * v[1] - u[1] * v[0]};
}

inline float length(const Vec3& u) { return std::sqrt(dot(u, u)); }

// u over its length; a zero vector gives NaN components, so callers guard where it can occur.
inline Vec3 unit(const Vec3& u) {
    const float n = length(u);
    return {u[0] / n, u[1] / n, u[2] / n};
}

// Row i and column j (1-based).
constexpr Vec3 row(const Mat3& m, int i) { return {m(i, 1), m(i, 2), m(i, 3)}; }
constexpr Vec3 column(const Mat3& m, int j) { return {m(1, j), m(2, j), m(3, j)}; }

constexpr void setRow(Mat3& m, int i, const Vec3& u) {
    m(i, 1) = u[0];
    m(i, 2) = u[1];
    m(i, 3) = u[2];
}

// The matrix product a b.
constexpr Mat3 operator*(const Mat3& a, const Mat3& b) {
    Mat3 p;
    for (int i = 1; i <= 3; ++i)
        for (int j = 1; j <= 3; ++j) p(i, j) = a(i, 1) * b(1, j) + a(i, 2) * b(2, j) + a(i, 3) * b(3, j);
    return p;
}

constexpr Mat3 transpose(const Mat3& m) {
    Mat3 t;
    for (int i = 1; i <= 3; ++i)
        for (int j = 1; j <= 3; ++j) t(i, j) = m(j, i);
    return t;
}

// The quadratic form n^T t n, summed over i then j.
constexpr float quadraticForm(const Mat3& t, const Vec3& n) {
    float value = 0.0f;
    for (int i = 1; i <= 3; ++i)
        for (int j = 1; j <= 3; ++j) value += n[i - 1] * t(i, j) * n[j - 1];
    return value;
}
