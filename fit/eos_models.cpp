#include "fit/eos_models.hpp"

#include <algorithm>
#include <cctype>

namespace {

constexpr std::array<std::pair<EosModel, std::string_view>, 8> kNames{{{EosModel::BM2, "BM2"},
                                                                       {EosModel::BM3, "BM3"},
                                                                       {EosModel::BM4, "BM4"},
                                                                       {EosModel::Vinet2, "Vinet2"},
                                                                       {EosModel::Vinet3, "Vinet3"},
                                                                       {EosModel::Murnaghan, "Murnaghan"},
                                                                       {EosModel::NS2, "NS2"},
                                                                       {EosModel::NS3, "NS3"}}};

}  // namespace

std::string_view eosModelName(EosModel model) {
    for (const auto& [m, name] : kNames)
        if (m == model) return name;
    return "";
}

std::optional<EosModel> eosModelNamed(std::string_view name) {
    for (const auto& [m, known] : kNames) {
        if (known.size() == name.size() &&
            std::equal(known.begin(), known.end(), name.begin(), [](char a, char b) {
                return std::tolower(static_cast<unsigned char>(a)) == std::tolower(static_cast<unsigned char>(b));
            }))
            return m;
    }
    return std::nullopt;
}

std::vector<EosModel> defaultEosModels() { return {EosModel::BM2, EosModel::BM3, EosModel::Vinet3}; }
