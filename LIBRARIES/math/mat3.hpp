#pragma once
// 3-vectors and 3 x 3 matrices with the few operations the program needs, in single precision
// (Vec3, Mat3: every stored real of a calculation) and, for the fits, in double precision
// (Mat3d). Every sum runs left to right in the matrix's own precision, so results are the same
// on every machine.
#include <array>
#include <cmath>
#include <cstddef>

using Vec3 = std::array<float, 3>;  // components 0, 1, 2 for the axes 1, 2, 3

// A 3 x 3 matrix of T: 1-based (i, j) access, stored column by column, no heap.
template <class T>
struct Matrix3 {
    std::array<T, 9> v{};  // (1,1), (2,1), (3,1), (1,2), ...

    constexpr T& operator()(int i, int j) { return v[(j - 1) * 3 + (i - 1)]; }
    constexpr T operator()(int i, int j) const { return v[(j - 1) * 3 + (i - 1)]; }

    static constexpr Matrix3 identity() {
        Matrix3 m;
        m(1, 1) = m(2, 2) = m(3, 3) = T(1);
        return m;
    }
    friend constexpr bool operator==(const Matrix3&, const Matrix3&) = default;
};

using Mat3 = Matrix3<float>;    // the calculations' matrices
using Mat3d = Matrix3<double>;  // the fits' tensors

// A symmetric matrix in two thirds of the room, for what is kept at every point of a long series:
// the components 11, 22, 33, 12, 13, 23 of a Mat3, taken from its upper triangle; (i, j) and
// (j, i) read the same component.
struct SymmetricMat3 {
    std::array<float, 6> c{};

    constexpr SymmetricMat3() = default;
    constexpr explicit SymmetricMat3(const Mat3& m) : c{m(1, 1), m(2, 2), m(3, 3), m(1, 2), m(1, 3), m(2, 3)} {}
    constexpr float operator()(int i, int j) const {
        if (i == j) return c[static_cast<std::size_t>(i - 1)];
        return c[static_cast<std::size_t>(i + j)];  // 1 + 2 = 3: 12, 1 + 3 = 4: 13, 2 + 3 = 5: 23
    }
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
template <class T>
constexpr std::array<T, 3> row(const Matrix3<T>& m, int i) { return {m(i, 1), m(i, 2), m(i, 3)}; }
template <class T>
constexpr std::array<T, 3> column(const Matrix3<T>& m, int j) { return {m(1, j), m(2, j), m(3, j)}; }

constexpr void setRow(Mat3& m, int i, const Vec3& u) {
    m(i, 1) = u[0];
    m(i, 2) = u[1];
    m(i, 3) = u[2];
}

// The matrix product a b.
template <class T>
constexpr Matrix3<T> operator*(const Matrix3<T>& a, const Matrix3<T>& b) {
    Matrix3<T> p;
    for (int i = 1; i <= 3; ++i)
        for (int j = 1; j <= 3; ++j) p(i, j) = a(i, 1) * b(1, j) + a(i, 2) * b(2, j) + a(i, 3) * b(3, j);
    return p;
}

template <class T>
constexpr Matrix3<T> transpose(const Matrix3<T>& m) {
    Matrix3<T> t;
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

// A symmetric matrix from its six components 11, 22, 33, 12, 13, 23.
template <class T>
constexpr Matrix3<T> symmetricMatrix(const std::array<T, 6>& c) {
    Matrix3<T> m;
    m(1, 1) = c[0];
    m(2, 2) = c[1];
    m(3, 3) = c[2];
    m(1, 2) = m(2, 1) = c[3];
    m(1, 3) = m(3, 1) = c[4];
    m(2, 3) = m(3, 2) = c[5];
    return m;
}
