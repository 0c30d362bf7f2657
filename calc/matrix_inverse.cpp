#include "calc/matrix_inverse.hpp"

#include <cmath>
#include <utility>

namespace {
constexpr float kTinyPivot = 1.0e-20f;  // stands in for a pivot that is exactly zero
}

std::optional<LuDecomposition> luDecompose(const Mat3& matrix, int n) {
    LuDecomposition d;
    d.lu = matrix;
    Mat3& a = d.lu;
    std::array<float, 3> scale{};
    for (int i = 1; i <= n; ++i) {
        float big = 0.0f;
        for (int j = 1; j <= n; ++j) {
            const float t = std::fabs(a(i, j));
            if (t > big) big = t;
        }
        if (big == 0.0f) return std::nullopt;
        scale[i - 1] = 1.0f / big;
    }
    for (int j = 1; j <= n; ++j) {
        for (int i = 1; i < j; ++i) {
            float sum = a(i, j);
            for (int k = 1; k < i; ++k) sum -= a(i, k) * a(k, j);
            a(i, j) = sum;
        }
        float big = 0.0f;
        int imax = n;  // stays row n when every figure of merit is 0
        for (int i = j; i <= n; ++i) {
            float sum = a(i, j);
            for (int k = 1; k < j; ++k) sum -= a(i, k) * a(k, j);
            a(i, j) = sum;
            const float merit = scale[i - 1] * std::fabs(sum);
            if (merit >= big) {  // a tie goes to the later row
                big = merit;
                imax = i;
            }
        }
        if (imax != j) {
            for (int k = 1; k <= n; ++k) std::swap(a(imax, k), a(j, k));
            d.parity = -d.parity;
            scale[imax - 1] = scale[j - 1];
        }
        d.pivots[j - 1] = imax;
        if (j < n) {
            if (a(j, j) == 0.0f) a(j, j) = kTinyPivot;
            const float factor = 1.0f / a(j, j);
            for (int i = j + 1; i <= n; ++i) a(i, j) *= factor;
        }
    }
    if (a(n, n) == 0.0f) a(n, n) = kTinyPivot;
    return d;
}

void luSolve(const LuDecomposition& d, int n, Vec3& b) {
    const Mat3& a = d.lu;
    int ii = 0;
    for (int i = 1; i <= n; ++i) {
        const int ll = d.pivots[i - 1];
        float sum = b[ll - 1];
        b[ll - 1] = b[i - 1];
        if (ii != 0) {
            for (int j = ii; j < i; ++j) sum -= a(i, j) * b[j - 1];
        } else if (sum != 0.0f) {
            ii = i;  // leading zeros of b are skipped
        }
        b[i - 1] = sum;
    }
    for (int i = n; i >= 1; --i) {
        float sum = b[i - 1];
        for (int j = i + 1; j <= n; ++j) sum -= a(i, j) * b[j - 1];
        b[i - 1] = sum / a(i, i);
    }
}

std::optional<Mat3> matrixInverse(const Mat3& matrix) {
    constexpr int n = 3;
    const std::optional<LuDecomposition> lu = luDecompose(matrix, n);
    if (!lu) return std::nullopt;
    Mat3 inverse;
    for (int col = 1; col <= n; ++col) {
        Vec3 b{};
        b[col - 1] = 1.0f;
        luSolve(*lu, n, b);
        for (int i = 1; i <= n; ++i) inverse(i, col) = b[i - 1];
    }
    return inverse;
}
