#include "calc/cell_geometry.hpp"

#include <cmath>

#include "calc/matrix_inverse.hpp"

Cell CELL_TO_RECIP(const Cell& d) {
    const float a = d[0], b = d[1], c = d[2];
    Mat3 g;
    g(1, 1) = a * a;
    g(2, 2) = b * b;
    g(3, 3) = c * c;
    g(1, 2) = g(2, 1) = a * b * std::cos(kDegToRad * d[5]);
    g(1, 3) = g(3, 1) = a * c * std::cos(kDegToRad * d[4]);
    g(2, 3) = g(3, 2) = b * c * std::cos(kDegToRad * d[3]);
    Mat3 gStar;
    MINV(g, gStar);
    const float as = std::sqrt(gStar(1, 1));
    const float bs = std::sqrt(gStar(2, 2));
    const float cs = std::sqrt(gStar(3, 3));
    return {as, bs, cs, std::acos(gStar(2, 3) / bs / cs), std::acos(gStar(1, 3) / as / cs),
            std::acos(gStar(1, 2) / as / bs)};
}

Mat3 CALC_SMATRIX(const Cell& d, int axisConvention) {
    const Cell r = CELL_TO_RECIP(d);
    const float a = d[0], b = d[1], c = d[2];
    const float alpha = kDegToRad * d[3], beta = kDegToRad * d[4], gamma = kDegToRad * d[5];
    const float w = axisConvention == 1 ? r[5] : r[4];  // gamma* for code 1, beta* otherwise
    float cw = std::cos(w);
    float sw = 1.0f;
    // Reciprocal angles within about 0.0057 degrees of 90 count as 90, so that orthogonal
    // settings give exact zeros and ones.
    if (std::fabs(cw) < 1e-4f) cw = 0.0f;
    else sw = std::sin(w);

    Mat3 s;  // all elements start as exact zeros
    switch (axisConvention) {
        case 1:
            s(1, 1) = a * std::sin(beta) * sw;
            s(1, 2) = -(a * std::sin(beta) * cw);
            s(1, 3) = a * std::cos(beta);
            s(2, 2) = b * std::sin(alpha);
            s(2, 3) = b * std::cos(alpha);
            s(3, 3) = c;
            break;
        case 2:
            s(1, 1) = a * std::sin(gamma);
            s(1, 2) = a * std::cos(gamma);
            s(2, 2) = b;
            s(3, 1) = -(c * std::sin(alpha) * cw);
            s(3, 2) = c * std::cos(alpha);
            s(3, 3) = c * std::sin(alpha) * sw;
            break;
        default:
            s(1, 1) = a * std::sin(gamma) * sw;
            s(1, 2) = a * std::cos(gamma);
            s(1, 3) = -(a * std::sin(gamma) * cw);
            s(2, 2) = b;
            s(3, 2) = c * std::cos(alpha);
            s(3, 3) = c * std::sin(alpha);
            break;
    }
    return s;
}
