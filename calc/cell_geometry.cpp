#include "calc/cell_geometry.hpp"

#include <cmath>
#include <cstdint>
#include <cstring>

#include "calc/matrix_inverse.hpp"

namespace {

// The inverse of the metric tensor, from the cell lengths and the cosines of its angles.
Mat3 reciprocalMetric(const CellParameters& d, float cosAlpha, float cosBeta, float cosGamma) {
    const float a = d.a, b = d.b, c = d.c;
    Mat3 g;
    g(1, 1) = a * a;
    g(2, 2) = b * b;
    g(3, 3) = c * c;
    g(1, 2) = g(2, 1) = a * b * cosGamma;
    g(1, 3) = g(3, 1) = a * c * cosBeta;
    g(2, 3) = g(3, 2) = b * c * cosAlpha;
    return matrixInverse(g).value_or(Mat3{});  // a cell with a zero edge has no reciprocal: zeros
}

// The reciprocal angle between axes i and j (radians) from the reciprocal metric.
float reciprocalAngle(const Mat3& gStar, int i, int j) {
    const float li = std::sqrt(gStar(i, i));
    const float lj = std::sqrt(gStar(j, j));
    return std::acos(gStar(i, j) / li / lj);
}

// The reciprocal cell; the second argument, an axial convention, plays no part.
CellParametersRadians computeReciprocal(const CellParameters& d, AxialSet) {
    const Mat3 gStar = reciprocalMetric(d, std::cos(kDegToRad * d.alpha), std::cos(kDegToRad * d.beta),
                                        std::cos(kDegToRad * d.gamma));
    const float as = std::sqrt(gStar(1, 1));
    const float bs = std::sqrt(gStar(2, 2));
    const float cs = std::sqrt(gStar(3, 3));
    return {as, bs, cs, std::acos(gStar(2, 3) / bs / cs), std::acos(gStar(1, 3) / as / cs),
            std::acos(gStar(1, 2) / as / bs)};
}

Mat3 computeSMatrix(const CellParameters& d, AxialSet axisConvention) {
    const float a = d.a, b = d.b, c = d.c;
    const float alpha = kDegToRad * d.alpha, beta = kDegToRad * d.beta, gamma = kDegToRad * d.gamma;
    // Each sine and cosine once: the S-matrix is formed many times a pair (esds by perturbation),
    // and it needs only the one reciprocal angle of its convention.
    const float cosAlpha = std::cos(alpha), cosBeta = std::cos(beta), cosGamma = std::cos(gamma);
    const Mat3 gStar = reciprocalMetric(d, cosAlpha, cosBeta, cosGamma);
    const float w = axisConvention == AxialSet::xAStarZC ? reciprocalAngle(gStar, 1, 2)   // gamma*
                                                         : reciprocalAngle(gStar, 1, 3);  // beta*
    float cw = std::cos(w);
    float sw = 1.0f;
    // Reciprocal angles within about 0.0057 degrees of 90 count as 90, so that orthogonal
    // settings give exact zeros and ones.
    if (std::fabs(cw) < 1e-4f) cw = 0.0f;
    else sw = std::sin(w);

    Mat3 s;  // all elements start as exact zeros
    switch (axisConvention) {
        case AxialSet::xAStarZC: {
            const float sinBeta = std::sin(beta);
            s(1, 1) = a * sinBeta * sw;
            s(1, 2) = -(a * sinBeta * cw);
            s(1, 3) = a * cosBeta;
            s(2, 2) = b * std::sin(alpha);
            s(2, 3) = b * cosAlpha;
            s(3, 3) = c;
            break;
        }
        case AxialSet::yBZCStar: {
            const float sinAlpha = std::sin(alpha);
            s(1, 1) = a * std::sin(gamma);
            s(1, 2) = a * cosGamma;
            s(2, 2) = b;
            s(3, 1) = -(c * sinAlpha * cw);
            s(3, 2) = c * cosAlpha;
            s(3, 3) = c * sinAlpha * sw;
            break;
        }
        case AxialSet::xAStarYB: {
            const float sinGamma = std::sin(gamma);
            s(1, 1) = a * sinGamma * sw;
            s(1, 2) = a * cosGamma;
            s(1, 3) = -(a * sinGamma * cw);
            s(2, 2) = b;
            s(3, 2) = c * cosAlpha;
            s(3, 3) = c * std::sin(alpha);
            break;
        }
    }
    return s;
}

// The results of recent cells. A pair needs 16 S-matrices but only about 7 distinct ones: the
// pair record and the tensor work both form those of the two cells, and the esd estimate moves
// each parameter of both cells in turn, the same moves for a cell in the pair before (as its
// second cell) and in the pair after (as its first). Likewise the record of a pair asks for the
// reciprocal cell that the pair before asked for. A repeat is found by the exact
// bits of the cell, so it returns exactly what computing it again would. Direct-mapped: a
// collision only costs a recomputation. One table per thread.
template <class Result, Result (*compute)(const CellParameters&, AxialSet)>
class CellMemo {
public:
    const Result& get(const CellParameters& d, AxialSet axisConvention) {
        std::array<std::uint32_t, 6> key;
        std::memcpy(key.data(), &d, sizeof key);
        std::uint32_t h = static_cast<std::uint32_t>(axisConvention);
        for (std::uint32_t k : key) h = (h ^ k) * 0x9E3779B1u;  // multiplicative hashing
        Entry& e = entries_[h >> (32 - kIndexBits)];
        if (!e.used || e.axisConvention != axisConvention || e.key != key) {
            e.result = compute(d, axisConvention);
            e.key = key;
            e.axisConvention = axisConvention;
            e.used = true;
        }
        return e.result;
    }

private:
    static constexpr int kIndexBits = 6;
    struct Entry {
        std::array<std::uint32_t, 6> key{};
        AxialSet axisConvention{};
        bool used = false;
        Result result{};
    };
    std::array<Entry, std::size_t{1} << kIndexBits> entries_{};
};

}  // namespace

CellParametersRadians reciprocalCellOf(const CellParameters& d) {
    thread_local CellMemo<CellParametersRadians, computeReciprocal> memo;
    return memo.get(d, AxialSet::xAStarZC);
}

Mat3 crystalAxesMatrix(const CellParameters& d, AxialSet axisConvention) {
    thread_local CellMemo<Mat3, computeSMatrix> memo;
    return memo.get(d, axisConvention);
}
