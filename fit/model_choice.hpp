#pragma once
// Which of several fits of the same data the data support: the corrected Akaike criterion, and
// the F-test of a model against the next lower order of its family.
#include <optional>
#include <string>

// AICc = chi2 + 2k + 2k(k + 1)/(n - k - 1) for k free parameters and n points (least squares,
// chi2 standing for -2 ln L up to a constant); none where n - k - 1 < 1.
std::optional<double> aicc(double chi2, int points, int freeParameters);

// F = [(chi2_low - chi2_high)/(dof_low - dof_high)] / (chi2_high/dof_high) and the probability of
// an F at least as large if the lower order were right; the higher order is warranted when that
// probability is below 5 %.
constexpr double kFTestLevel = 0.05;
struct FTest {
    std::string lower;   // model names
    std::string higher;
    std::string quantity;
    double f = 0.0;
    double probability = 1.0;
    bool higherWarranted = false;
};
std::optional<FTest> fTest(double chi2Low, int dofLow, double chi2High, int dofHigh);
