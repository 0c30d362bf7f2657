#pragma once
// Truncated Taylor series in a small step h, to the third power: arithmetic on them carries a
// function's first three derivatives along exactly (no finite differences), which the bulk
// modulus and its pressure derivatives of an equation of state need.
#include <array>
#include <cmath>

struct Taylor3 {
    std::array<double, 4> c{};  // value, then the coefficients of h, h^2, h^3

    static Taylor3 constant(double v) { return {{v, 0.0, 0.0, 0.0}}; }
    static Taylor3 variable(double v) { return {{v, 1.0, 0.0, 0.0}}; }
};

inline Taylor3 operator+(Taylor3 a, const Taylor3& b) {
    for (std::size_t k = 0; k < 4; ++k) a.c[k] += b.c[k];
    return a;
}
inline Taylor3 operator-(Taylor3 a, const Taylor3& b) {
    for (std::size_t k = 0; k < 4; ++k) a.c[k] -= b.c[k];
    return a;
}
inline Taylor3 operator+(Taylor3 a, double s) {
    a.c[0] += s;
    return a;
}
inline Taylor3 operator+(double s, Taylor3 a) { return a + s; }
inline Taylor3 operator-(Taylor3 a, double s) { return a + -s; }
inline Taylor3 operator-(double s, const Taylor3& a) { return Taylor3::constant(s) - a; }
inline Taylor3 operator*(Taylor3 a, double s) {
    for (double& v : a.c) v *= s;
    return a;
}
inline Taylor3 operator*(double s, const Taylor3& a) { return a * s; }
inline Taylor3 operator*(const Taylor3& a, const Taylor3& b) {
    Taylor3 r;
    for (std::size_t k = 0; k < 4; ++k)
        for (std::size_t i = 0; i <= k; ++i) r.c[k] += a.c[i] * b.c[k - i];
    return r;
}
inline Taylor3 operator/(const Taylor3& a, const Taylor3& b) {
    Taylor3 q;
    for (std::size_t k = 0; k < 4; ++k) {
        double s = a.c[k];
        for (std::size_t i = 1; i <= k; ++i) s -= b.c[i] * q.c[k - i];
        q.c[k] = s / b.c[0];
    }
    return q;
}
inline Taylor3 operator/(const Taylor3& a, double s) { return a * (1.0 / s); }
inline Taylor3 operator/(double s, const Taylor3& a) { return Taylor3::constant(s) / a; }

// exp: e' = a' e, coefficient by coefficient.
inline Taylor3 exp(const Taylor3& a) {
    Taylor3 e;
    e.c[0] = std::exp(a.c[0]);
    for (std::size_t k = 1; k < 4; ++k) {
        double s = 0.0;
        for (std::size_t i = 1; i <= k; ++i) s += static_cast<double>(i) * a.c[i] * e.c[k - i];
        e.c[k] = s / static_cast<double>(k);
    }
    return e;
}

// log: a l' = a'.
inline Taylor3 log(const Taylor3& a) {
    Taylor3 l;
    l.c[0] = std::log(a.c[0]);
    for (std::size_t k = 1; k < 4; ++k) {
        double s = 0.0;
        for (std::size_t i = 1; i < k; ++i) s += static_cast<double>(i) * l.c[i] * a.c[k - i];
        l.c[k] = (a.c[k] - s / static_cast<double>(k)) / a.c[0];
    }
    return l;
}

inline Taylor3 pow(const Taylor3& a, double r) { return exp(log(a) * r); }
