// Fuzz target: the fits over a series and their two texts, the JSON members and the --fits report.
// The bytes are a data file (so that a UNITS line may carry any bytes); the last eight bytes also
// pick the fit options: the polynomial order, the weights, the equations of state, where the
// tensor is asked for, and the calculation that numbers the axes. It traps unless the JSON parses
// with every number finite, the report is valid UTF-8, and a second fit of the same series gives
// the same texts byte for byte (uninitialised memory would not).
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "calc/validate_cells.hpp"
#include "export/fit_json.hpp"
#include "export/fit_report.hpp"
#include "fit/fit_series.hpp"
#include "input/readfile.hpp"

namespace {

void require(bool condition) {
    if (!condition) __builtin_trap();
}

bool validUtf8(const std::string& s) {
    std::size_t i = 0;
    while (i < s.size()) {
        const auto c = static_cast<unsigned char>(s[i]);
        std::size_t extra = 0;
        std::uint32_t code = 0;
        if (c < 0x80) {
            ++i;
            continue;
        }
        if ((c & 0xE0) == 0xC0) extra = 1, code = c & 0x1F;
        else if ((c & 0xF0) == 0xE0) extra = 2, code = c & 0x0F;
        else if ((c & 0xF8) == 0xF0) extra = 3, code = c & 0x07;
        else return false;
        if (i + extra >= s.size()) return false;
        for (std::size_t k = 1; k <= extra; ++k) {
            const auto d = static_cast<unsigned char>(s[i + k]);
            if ((d & 0xC0) != 0x80) return false;
            code = (code << 6) | (d & 0x3F);
        }
        // No overlong forms, no surrogates, nothing beyond U+10FFFF.
        if ((extra == 1 && code < 0x80) || (extra == 2 && code < 0x800) || (extra == 3 && code < 0x10000)) return false;
        if ((code >= 0xD800 && code <= 0xDFFF) || code > 0x10FFFF) return false;
        i += extra + 1;
    }
    return true;
}

void requireFinite(const nlohmann::json& j) {
    if (j.is_number_float()) require(std::isfinite(j.get<double>()));
    if (j.is_structured())
        for (const auto& item : j) requireFinite(item);
}

struct Texts {
    std::string json;
    std::string report;
};

Texts fitTexts(const Series& series, const FitOptions& options) {
    const FitResult result = fitSeries(series, options);
    return {fitsJsonMembers(result), fitReportText(result, series.pressureRun ? series.pressureUnit : series.temperatureUnit)};
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::vector<char> bytes(data, data + size);
    bytes.push_back('\0');  // keeps the buffer non-null for an empty input
    std::FILE* file = fmemopen(bytes.data(), size, "rb");
    if (!file) return 0;
    const ReadResult read = readSeriesFile(file);
    std::fclose(file);
    if (!read.ok()) return 0;
    const Series& series = read.series;
    // The run computes the fits only for a series it can compute with.
    if (series.points.empty()) return 0;

    std::uint8_t pick[8] = {};
    std::memcpy(pick, data + (size >= 8 ? size - 8 : 0), size >= 8 ? 8 : size);
    FitOptions options;
    options.run.axisConvention = static_cast<AxialSet>(1 + pick[0] % 3);
    options.run.strainType = static_cast<StrainType>(1 + (pick[0] / 3) % 4);
    options.run.incremental = (pick[0] / 12) % 2 != 0;
    options.order = pick[1] % 5;
    options.weights = pick[1] / 5 % 2 ? FitWeights::none : FitWeights::esd;
    options.namedCalculation = pick[2] % 8;
    options.eosModels.clear();
    for (int m = 0; m < 8; ++m)
        if (pick[3] >> m & 1) options.eosModels.push_back(static_cast<EosModel>(m));
    // Where the tensor is asked for: any finite double (the batch refuses the others).
    double at = 0.0;
    std::memcpy(&at, pick, sizeof at);
    if (std::isfinite(at)) options.at.push_back(at);
    if (pick[4] % 2) options.at.push_back(static_cast<double>(variableOf(series.points.front(), series.pressureRun)));
    if (checkSeries(series, options.run)) return 0;

    const Texts first = fitTexts(series, options);
    const nlohmann::json parsed = nlohmann::json::parse("{" + first.json + "}", nullptr, false);
    require(!parsed.is_discarded());
    requireFinite(parsed);
    require(validUtf8(first.report));
    const Texts second = fitTexts(series, options);
    require(second.json == first.json && second.report == first.report);
    return 0;
}
