#include "export/csv_output.hpp"

#include <charconv>
#include <cmath>

#include "LIBRARIES/text/restrict_warning.hpp"

namespace {

constexpr int kOrder[6][2] = {{1, 1}, {2, 2}, {3, 3}, {1, 2}, {1, 3}, {2, 3}};
constexpr const char* kComponents[6] = {"11", "22", "33", "12", "13", "23"};

void tensorHeads(std::string& row, const std::string& prefix) {
    for (const char* c : kComponents) row += "," + prefix + c;
    for (const char* c : kComponents) row += "," + prefix + c + "_esd";
}

}  // namespace

std::string csvNumber(float value) {
    if (!std::isfinite(value)) return {};
    char buffer[32];
    const auto res = std::to_chars(buffer, buffer + sizeof buffer, value);
    return std::string(buffer, res.ptr);
}

bool CsvOutput::begin(const RunHeader&) {
    if (!file_.open(path_)) return false;
    std::string head = "first,second,midpoint,change";
    tensorHeads(head, "strain_");
    tensorHeads(head, "property_");
    for (const char* kind : {"strain", "strain_esd", "property", "property_esd"})
        for (int m = 1; m <= 3; ++m) head += ",principal_" + std::to_string(m) + "_" + kind;
    file_.write(head + "\r\n");
    return true;
}

void CsvOutput::calculation(const PairResult& r) {
    const bool withEsds = r.strain.esdCount > 0;
    std::string& row = row_;
    row.clear();
    BEGIN_GCC_RESTRICT_FALSE_POSITIVE
    row += std::to_string(r.first) + "," + std::to_string(r.second) + "," + csvNumber(r.delta.midpoint) + "," +
           csvNumber(r.delta.change);
    const auto tensor = [&](const Mat3& t, const Mat3& esd, bool esdsKnown) {
        for (const auto& [i, j] : kOrder) row += "," + csvNumber(t(i, j));
        for (const auto& [i, j] : kOrder) row += "," + (esdsKnown ? csvNumber(esd(i, j)) : std::string());
    };
    tensor(r.strain.strainTensor, r.strain.esdTensor, withEsds);
    tensor(r.property.propertyTensor, r.property.propertyEsd, true);
    const auto principal = [&](auto field, bool known) {
        for (const PrincipalAxis& axis : r.principal)
            row += "," + (r.principalAxes && known ? csvNumber(field(axis)) : std::string());
    };
    principal([](const PrincipalAxis& a) { return a.strain; }, true);
    principal([](const PrincipalAxis& a) { return a.strainEsd; }, withEsds);
    principal([](const PrincipalAxis& a) { return a.property; }, true);
    principal([](const PrincipalAxis& a) { return a.propertyEsd; }, withEsds);
    END_GCC_RESTRICT_FALSE_POSITIVE
    row += "\r\n";
    file_.write(row);
}

bool CsvOutput::end() { return file_.commit(); }
