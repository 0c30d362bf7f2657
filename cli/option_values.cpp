#include "cli/option_values.hpp"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>
#include <optional>
#include <string_view>

#include "LIBRARIES/text/text.hpp"
#include "input/number_parsing.hpp"

namespace {

// A whole number, or nothing when the text is not one (a sign, then digits only). `tooLarge` is
// set for digits beyond an int.
std::optional<int> wholeNumberIn(std::string_view text, bool& tooLarge) {
    tooLarge = false;
    const bool plus = !text.empty() && text.front() == '+';
    if (plus) text.remove_prefix(1);
    if (text.empty() || (plus && text.front() == '-')) return std::nullopt;
    int value = 0;
    const auto r = std::from_chars(text.data(), text.data() + text.size(), value);
    if (r.ptr != text.data() + text.size()) return std::nullopt;
    if (r.ec == std::errc::result_out_of_range) tooLarge = true;
    if (r.ec != std::errc{}) return std::nullopt;
    return value;
}

// The check shared by both whole-number validators; the text becomes plain digits.
std::string checkWholeNumber(std::string& text, std::optional<std::pair<int, int>> range) {
    const std::string given(trimmed(text));
    bool tooLarge = false;
    const std::optional<int> value = wholeNumberIn(given, tooLarge);
    if (tooLarge) return given + " is too large";
    if (!value) return given + " is not a whole number";
    if (range && (*value < range->first || *value > range->second))
        return given + " is not from " + std::to_string(range->first) + " to " + std::to_string(range->second);
    text = std::to_string(*value);
    return {};
}

}  // namespace

CLI::Validator wholeNumber() {
    return CLI::Validator([](std::string& text) { return checkWholeNumber(text, std::nullopt); }, "INT");
}

CLI::Validator wholeNumberFrom(int low, int high) {
    return CLI::Validator([low, high](std::string& text) { return checkWholeNumber(text, std::make_pair(low, high)); },
                          "INT in [" + std::to_string(low) + " - " + std::to_string(high) + "]");
}

CLI::Validator finiteValue() {
    return CLI::Validator(
        [](std::string& text) -> std::string {
            const std::string given(trimmed(text));
            float value = 0.0f;
            if (parseReal(given, value)) {
                if (!std::isfinite(value)) return given + " is not a finite number";
                text = given;
                return {};
            }
            // Not a float: a number all the same (beyond single precision), or none at all.
            std::string wideText = given;
            std::replace_if(wideText.begin(), wideText.end(), [](char c) { return c == 'd' || c == 'D'; }, 'e');
            if (!wideText.empty() && wideText.front() == '+') wideText.erase(0, 1);
            double wide = 0.0;
            const auto r = std::from_chars(wideText.data(), wideText.data() + wideText.size(), wide);
            if (!wideText.empty() && r.ptr == wideText.data() + wideText.size() &&
                (r.ec == std::errc{} || r.ec == std::errc::result_out_of_range))
                return given + " is beyond single precision";
            return given.empty() ? "an empty value is not a number" : given + " is not a number";
        },
        "");
}

float finiteValueOf(const std::string& text) {
    float value = 0.0f;
    parseReal(trimmed(text), value);
    return value;
}

std::string knownEosModelList() {
    std::string list;
    for (const EosModel model : knownEosModels()) list += (list.empty() ? "" : ", ") + std::string(eosModelName(model));
    return list;
}

CLI::Validator eosModelChoice() {
    return CLI::Validator(
        [](std::string& text) -> std::string {
            const std::string given(trimmed(text));
            if (!eosModelNamed(given))
                return (given.empty() ? std::string("an empty name is no equation of state")
                                      : "unknown equation of state " + given) +
                       " (known: " + knownEosModelList() + ")";
            text = given;
            return {};
        },
        "MODEL");
}

std::vector<EosModel> eosModelsNamed(const std::vector<std::string>& names) {
    std::vector<EosModel> models;
    for (const std::string& name : names) {
        const std::optional<EosModel> model = eosModelNamed(trimmed(name));
        if (model && std::find(models.begin(), models.end(), *model) == models.end()) models.push_back(*model);
    }
    return models;
}
