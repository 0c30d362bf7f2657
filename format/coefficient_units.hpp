#pragma once
// The unit a coefficient per unit of T or P is shown in: alpha in 10⁻⁶ K⁻¹, beta in TPa⁻¹ for a
// known unit of P; without units 10⁻⁶ per unit of T and 10⁻³ per unit of P.
#include <string>

struct CoefficientUnit {
    double factor = 1.0;  // shown value = coefficient x factor
    std::string label;    // "10⁻⁶ K⁻¹", "TPa⁻¹", "10⁻³ per unit of P"
};

CoefficientUnit coefficientUnit(bool pressure, const std::string& unit);

// "T" or "P" with its unit, for column heads: "T (K)", "P (GPa)", "T".
std::string variableLabel(bool pressure, const std::string& unit);
