#include "calc/matrix_inverse.hpp"

#include <cmath>
#include <utility>

namespace {
constexpr float kTinyPivot = 1.0e-20f;  // stands in for a pivot that is exactly zero
}

void LUDCMP(LuMatrix& a, PivotList& pivots, int n, float& parity, int& singular) {
    singular = 0;
    parity = 1.0f;
    std::array<float, 6> scale{};
    for (int i = 1; i <= n; ++i) {
        float big = 0.0f;
        for (int j = 1; j <= n; ++j) {
            const float t = std::fabs(a(i, j));
            if (t > big) big = t;
        }
        if (big == 0.0f) {
            singular = 1;
            return;
        }
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
            parity = -parity;
            scale[imax - 1] = scale[j - 1];
        }
        pivots[j - 1] = imax;
        if (j < n) {
            if (a(j, j) == 0.0f) a(j, j) = kTinyPivot;
            const float factor = 1.0f / a(j, j);
            for (int i = j + 1; i <= n; ++i) a(i, j) *= factor;
        }
    }
    if (a(n, n) == 0.0f) a(n, n) = kTinyPivot;
}

void LUBKSB(const LuMatrix& a, const PivotList& pivots, int n, RightHandSide& b) {
    int ii = 0;
    for (int i = 1; i <= n; ++i) {
        const int ll = pivots[i - 1];
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

float MINV(const Mat3& matrix, Mat3& inverse) {
    constexpr int n = 3;
    LuMatrix lu;
    for (int i = 1; i <= n; ++i)
        for (int j = 1; j <= n; ++j) lu(i, j) = matrix(i, j);
    PivotList pivots{};
    float parity = 1.0f;
    int singular = 0;
    LUDCMP(lu, pivots, n, parity, singular);
    if (singular == 1) return 0.0f;
    float determinant = parity;
    for (int j = 1; j <= n; ++j) determinant *= lu(j, j);
    for (int col = 1; col <= n; ++col) {
        RightHandSide b{};
        b[col - 1] = 1.0f;
        LUBKSB(lu, pivots, n, b);
        for (int i = 1; i <= n; ++i) inverse(i, col) = b[i - 1];
    }
    return determinant;
}
