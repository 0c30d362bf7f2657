#include "calc/strain.hpp"

#include <cstring>

#include "calc/matrix_inverse.hpp"

namespace {

// The inverse of the matrix inverted last. The esd estimate strains each moved first cell against
// the same second cell (Eulerian), or the same first cell against each moved second cell
// (Lagrangian), so most inversions of a pair repeat the one before. A repeat is found by the
// exact bits of the matrix, so it returns exactly what inverting it again would. One per thread.
const Mat3& inverseOf(const Mat3& m) {
    struct Memo {
        Mat3 matrix;
        Mat3 inverse;
        bool used = false;
    };
    thread_local Memo memo;
    if (!memo.used || std::memcmp(memo.matrix.v.data(), m.v.data(), sizeof m.v) != 0) {
        memo.inverse = matrixInverse(m).value_or(Mat3{});  // a matrix with a zero row gives zeros
        memo.matrix = m;
        memo.used = true;
    }
    return memo.inverse;
}

}  // namespace

Mat3 strainBetween(StrainType strainType, const Mat3& s1, const Mat3& s2) {
    const bool eulerian = isEulerian(strainType);
    // Eulerian strains refer to the second cell (D = S2^-1 S1), Lagrangian to the first (D = S1^-1 S2).
    const Mat3& inverse = inverseOf(eulerian ? s2 : s1);
    const Mat3 d = eulerian ? inverse * s1 : inverse * s2;
    const Mat3 ddt = d * transpose(d);

    Mat3 strain;
    for (int i = 1; i <= 3; ++i) {
        for (int j = 1; j <= 3; ++j) {
            const float p = ddt(i, j);
            const bool diagonal = i == j;
            float e = 0.0f;
            switch (strainType) {
                case StrainType::finiteEulerian:  // 0.5 D D^T - D - D^T + 1.5 I
                    e = 0.5f * (p - 2.0f * d(i, j) - 2.0f * d(j, i));
                    if (diagonal) e += 1.5f;
                    break;
                case StrainType::infinitesimalEulerian:  // I - (D + D^T)/2
                    e = -0.5f * (d(i, j) + d(j, i));
                    if (diagonal) e += 1.0f;
                    break;
                case StrainType::finiteLagrangian:  // (D D^T - I)/2
                    e = 0.5f * p;
                    if (diagonal) e -= 0.5f;
                    break;
                case StrainType::infinitesimalLagrangian:  // (D + D^T)/2 - I
                    e = 0.5f * (d(i, j) + d(j, i));
                    if (diagonal) e -= 1.0f;
                    break;
            }
            strain(i, j) = e;
        }
    }
    return strain;
}
