#include "LIBRARIES/math/eigen.hpp"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <utility>

namespace {

// |D| below this fraction of |R| is a double root. Two roots 2d apart, 3s from the third, give
// D = -3 (d / s)^2 |R| nearly, so only roots within about 4e-6 of the spread are merged. An exact
// double root in the tensor's elements (a = b at right angles) keeps |D| far below the limit;
// single-precision noise in the elements that splits the pair (a hexagonal cell's X-Y coupling)
// may not: the three-root branch catches those by kSameRootLimit.
constexpr double kDoubleRootLimit = 1.0e-10;
// The other constants of the double-precision quantities are single-precision values widened to double.
constexpr double kTripleLimit = double(1.0e-15f);  // |P| at or below this: a triple root
constexpr double kOneThird = double(1.0f / 3.0f);
constexpr double kStartTolerance = double(1.0e-6f);
constexpr double kToleranceStep = double(0.01f);
constexpr int kPasses = 12;  // tolerances 1e-8 down to 1e-30
// Roots whose double-precision values differ by at most this times (1 + the largest |root|) are
// one. For a strain, whose roots are far below 1, that is 1e-6, a unit of the last digit the
// reports print: above the 1e-7 or so that single-precision cells leave in a strain, and above
// the split of a true double root by the single-precision arc cosine (a few 1e-4 of the spread).
// Roots this close have no directions that the tensor's elements could fix.
constexpr double kSameRootLimit = 1.0e-6;
// The single-precision roots of the three-root branch are off by at most some 1e-4 of their
// spread; only two within the limit plus this fraction of the spread (a wide margin) may be one,
// and only for them are the roots worked out again.
constexpr double kNearRootFraction = 0.01;

// Roots `gap` apart are one when the gap is within kSameRootLimit; `largest` is the largest |root|.
bool isSameRoot(double gap, double largest) { return gap <= kSameRootLimit * (1.0 + largest); }

// Which of three distinct-looking roots are in fact one: none, the lower two, the upper two or all three.
enum class SameRoots { none, lowerPair, upperPair, all };

// The roots of y^3 + P y + Q = 0 (P < 0) again by the trigonometric method, this time wholly in
// double precision, and the pair (or triple) among them within kSameRootLimit. Where the chain
// lower-middle-upper is within the limit link by link but not end to end, the closer pair is one.
SameRoots sameRoots(double I1, double P, double Q) {
    const double t = 2.0 * std::sqrt(-P / 3.0);
    const double phi = std::acos(std::clamp(3.0 * Q / P / t, -1.0, 1.0)) / 3.0;
    constexpr double kThirdTurn = 2.0 * std::numbers::pi / 3.0;
    std::array<double, 3> r = {t * std::cos(phi), t * std::cos(phi + kThirdTurn), t * std::cos(phi - kThirdTurn)};
    for (double& root : r) root += I1 / 3.0;
    std::sort(r.begin(), r.end());
    const double largest = std::max(std::fabs(r[0]), std::fabs(r[2]));
    if (isSameRoot(r[2] - r[0], largest)) return SameRoots::all;
    const double lower = r[1] - r[0], upper = r[2] - r[1];
    if (isSameRoot(lower, largest) && lower <= upper) return SameRoots::lowerPair;
    if (isSameRoot(upper, largest)) return SameRoots::upperPair;
    return SameRoots::none;
}

}  // namespace

EigenResult eigenSystemOf(const Mat3& tensor) {
    EigenResult result;
    result.eigenVectors = Mat3::identity();
    result.eigenValues = {0.0f, 0.0f, 0.0f};
    result.eigenFlag = EigenFlag::distinct;

    const double a11 = tensor(1, 1), a12 = tensor(1, 2), a13 = tensor(1, 3);
    const double a21 = tensor(2, 1), a22 = tensor(2, 2), a23 = tensor(2, 3);
    const double a31 = tensor(3, 1), a32 = tensor(3, 2), a33 = tensor(3, 3);

    // Invariants: the eigenvalues solve lambda^3 - I1 lambda^2 + I2 lambda - I3 = 0.
    const double I1 = a11 + a22 + a33;
    const double I2 = a22 * a33 + (a22 + a33) * a11 - a12 * a21 - a13 * a31 - a23 * a32;
    const double I3 = a11 * (a22 * a33 - a23 * a32) - a12 * (a21 * a33 - a31 * a23) + a13 * (a21 * a32 - a31 * a22);

    // Depressed cubic y^3 + P y + Q = 0 with lambda = y + I1 / 3; D is its discriminant.
    const double P = I2 - I1 * I1 / 3.0;
    const double Q = (9.0 * I1 * I2 - 2.0 * (I1 * I1 * I1) - 27.0 * I3) / 27.0;
    const double R = -(P * P * P) / 27.0;
    const double D = Q * Q * 0.25 - R;
    const float mean = static_cast<float>(I1) / 3.0f;  // mean eigenvalue, from I1 rounded to float

    std::array<float, 3> roots{};
    // Double root by Cardano: X is the real cube root of -Q / 2, the distinct root m + 2X, the double m - X.
    const auto doubleRoot = [&] {
        const float s = static_cast<float>(std::pow(std::fabs(Q) / 2.0, kOneThird));
        const float X = Q >= 0.0 ? -s : s;
        const float single = mean + 2.0f * X;
        const float twice = mean - X;
        if (twice > single) {
            roots = {single, twice, twice};
            result.eigenFlag = EigenFlag::doubleRootAbove;
        } else {
            roots = {twice, twice, single};
            result.eigenFlag = EigenFlag::doubleRootBelow;
        }
        // A distinct root that only rounding has set apart from the double one (the strain of two
        // identical cells): the tensor is isotropic. The gap 3X again in double precision.
        const double x = std::cbrt(-Q / 2.0);
        if (isSameRoot(3.0 * std::fabs(x), std::max(std::fabs(I1 / 3.0 + 2.0 * x), std::fabs(I1 / 3.0 - x)))) {
            roots = {mean, mean, mean};
            result.eigenFlag = EigenFlag::tripleRoot;
        }
    };
    if (std::fabs(D) < kDoubleRootLimit * std::fabs(R)) {
        doubleRoot();
    } else if (D < 0.0) {
        // Three distinct roots by the trigonometric method. Roots close to a double root put the arc
        // cosine's argument next to +-1, where rounding (T is single precision) can carry it beyond.
        const float T = static_cast<float>(2.0 * std::sqrt(std::fabs(P) / 3.0));
        const float phi = static_cast<float>(std::acos(std::clamp(3.0 * Q / P / T, -1.0, 1.0)) / 3.0);
        constexpr float kThirdTurn = 2.0f * std::numbers::pi_v<float> / 3.0f;
        roots = {mean + T * std::cos(phi), mean + T * std::cos(phi + kThirdTurn),
                 mean + T * std::cos(phi - kThirdTurn)};
        for (int i = 0; i < 2; ++i)
            for (int j = i + 1; j < 3; ++j)
                if (roots[i] - roots[j] > 0.0f) std::swap(roots[i], roots[j]);
        result.eigenFlag = EigenFlag::distinct;
        // Roots that only rounding has parted: a double root takes the mean of its pair and, like
        // one from the branch above, has no direction; three make the tensor isotropic.
        const double closest = std::min(roots[1] - roots[0], roots[2] - roots[1]);
        const double largest = std::max(std::fabs(roots[0]), std::fabs(roots[2]));
        const bool near = closest <= kSameRootLimit * (1.0 + largest) + kNearRootFraction * (roots[2] - roots[0]);
        switch (near ? sameRoots(I1, P, Q) : SameRoots::none) {
            case SameRoots::none: break;
            case SameRoots::lowerPair: {
                const float pair = (roots[0] + roots[1]) / 2.0f;
                roots = {pair, pair, roots[2]};
                result.eigenFlag = EigenFlag::doubleRootBelow;
                break;
            }
            case SameRoots::upperPair: {
                const float pair = (roots[1] + roots[2]) / 2.0f;
                roots = {roots[0], pair, pair};
                result.eigenFlag = EigenFlag::doubleRootAbove;
                break;
            }
            case SameRoots::all:
                roots = {mean, mean, mean};
                result.eigenFlag = EigenFlag::tripleRoot;
                break;
        }
    } else if (std::fabs(P) <= kTripleLimit) {
        roots = {mean, mean, mean};
        result.eigenFlag = EigenFlag::tripleRoot;
    } else {
        // D of a symmetric tensor is never positive: here rounding has lifted it, which happens only
        // when two roots (or all three) nearly coincide, so the double-root formulas hold.
        doubleRoot();
    }

    result.eigenValues = roots;
    if (result.eigenFlag == EigenFlag::tripleRoot) return result;

    // Each eigenvector is the cross product of two independent rows of A - lambda I.
    Mat3 b = tensor;
    Mat3& vectors = result.eigenVectors;
    for (int m = 1; m <= 3; ++m) {
        const float lambda = roots[m - 1];
        b(1, 1) = tensor(1, 1) - lambda;
        b(2, 2) = tensor(2, 2) - lambda;
        b(3, 3) = tensor(3, 3) - lambda;

        // The tolerance is absolute; lowering it pass by pass finds the first usable pair of rows
        // whatever the tensor's scale, preferring the pair 1-2.
        float s = 0.0f;
        double tolerance = kStartTolerance;
        bool found = false;
        for (int pass = 0; pass < kPasses && !found; ++pass) {
            tolerance *= kToleranceStep;
            for (int j = 1; j <= 3 && !found; ++j) {
                const int k = j % 3 + 1;
                const Vec3 v = cross(row(b, j), row(b, k));
                setRow(vectors, m, v);
                s = dot(v, v);
                found = s > tolerance;
            }
        }

        if (hasOwnDirection(result.eigenFlag, m)) {
            if (s > 0.0f) {
                const float length = std::sqrt(s);
                for (int c = 1; c <= 3; ++c) vectors(m, c) = vectors(m, c) / length;
            } else {
                // Every product vanished: no direction to normalize, so the row is set to zero, which
                // callers read as an undefined axis, never inf or NaN. A guard: roots kept apart by
                // kSameRootLimit give products far above the last tolerance.
                setRow(vectors, m, {0.0f, 0.0f, 0.0f});
            }
        }
    }

    // Complete the set: distinct roots get a right-handed triple; for a double root row 2 is
    // row 1 x row 3, still undefined in direction because one factor is the double root's raw row.
    if (result.eigenFlag == EigenFlag::distinct)
        setRow(vectors, 3, cross(row(vectors, 1), row(vectors, 2)));
    else
        setRow(vectors, 2, cross(row(vectors, 1), row(vectors, 3)));
    return result;
}
