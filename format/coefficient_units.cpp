#include "format/coefficient_units.hpp"

#include "calc/units.hpp"

CoefficientUnit coefficientUnit(bool pressure, const std::string& unit) {
    if (pressure) {
        if (const auto gpa = gigapascalsPerUnit(unit)) return {1e3 / *gpa, "TPa\u207b\u00b9"};
        if (!unit.empty()) return {1e3, "10\u207b\u00b3 " + unit + "\u207b\u00b9"};
        return {1e3, "10\u207b\u00b3 per unit of P"};
    }
    if (unit == "\u00b0C" || unit == "K") return {1e6, "10\u207b\u2076 K\u207b\u00b9"};
    if (!unit.empty()) return {1e6, "10\u207b\u2076 " + unit + "\u207b\u00b9"};
    return {1e6, "10\u207b\u2076 per unit of T"};
}

std::string variableLabel(bool pressure, const std::string& unit) {
    const std::string name = pressure ? "P" : "T";
    return unit.empty() ? name : name + " (" + unit + ")";
}
