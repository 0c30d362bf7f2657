#pragma once
// The confidence ellipse of two fitted parameters: the curve (x - x^)^T C^-1 (x - x^) = dchi2, C
// the 2 x 2 block of the covariance that belongs to them. dchi2 = 2.30 holds 68.3 % of the joint
// probability of two parameters, 6.18 holds 95.4 %.
#include <array>
#include <string>
#include <vector>

class Covariance;

constexpr int kEllipsePoints = 72;

struct ConfidenceLevel {
    double level;       // the probability it holds
    double deltaChi2;   // the rise of chi2 that bounds it
};
constexpr std::array<ConfidenceLevel, 2> kConfidenceLevels{{{0.683, 2.30}, {0.954, 6.18}}};

struct ConfidenceEllipse {
    std::array<std::string, 2> parameters;
    double level = 0.0;
    double deltaChi2 = 0.0;
    std::array<double, 2> center{};
    std::array<double, 2> semiAxes{};  // major, then minor, in the parameters' own units
    double angle = 0.0;                // of the major axis to the first parameter's axis, radians
    std::vector<std::array<double, 2>> points;  // kEllipsePoints around it
};

// The ellipse of parameters a and b (indices into the covariance) at one level; none where their
// block is not positive definite.
std::vector<ConfidenceEllipse> confidenceEllipses(const Covariance& covariance, const std::vector<std::string>& names,
                                                  const std::vector<double>& values, std::size_t a, std::size_t b);
// Every pair of the free parameters at both levels, pair by pair in the covariance's order.
std::vector<ConfidenceEllipse> allConfidenceEllipses(const Covariance& covariance, const std::vector<std::string>& names,
                                                     const std::vector<double>& values);
