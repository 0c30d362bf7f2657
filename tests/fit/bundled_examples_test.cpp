// The default fits over every bundled example series, temperature and pressure, with the esds'
// weights and with none: each fit either converges or fails with one of the reasons that tell a
// crystallographer what the data do and what to fit instead.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "example_series.hpp"
#include "fit/fit_series.hpp"

namespace {

namespace fs = std::filesystem;

// What the data can make a default fit do, said so that a user can act on it.
constexpr std::string_view kKnownReasons[] = {
    "no convergence: nu tends to 0 (the strain follows a logarithm of P)",
    "no convergence: nu grows without bound as Pc runs far below the data",
    "the data do not determine all four parameters",
    "no convergence: K' grows without bound as K0 falls towards 0",
    "no convergence: M' grows without bound as M0 falls towards 0",
    "the volume does not fall as the pressure rises",
    "the edge does not shorten as the pressure rises",
};

bool known(const FitStatus& status) {
    if (status.ok) return true;
    for (const std::string_view reason : kKnownReasons)
        if (status.text.starts_with(reason)) return true;
    return false;
}

// Every example: each data file, each CIF file, each folder of CIF files read as one series.
std::vector<std::vector<fs::path>> bundledExamples() {
    std::vector<std::vector<fs::path>> inputs;
    const fs::path folder = fs::path(TENZIO_SOURCE_DIR) / "examples";
    for (const auto& entry : fs::directory_iterator(folder))
        if (entry.path().extension() == ".dat") inputs.push_back({entry.path()});
    for (const auto& entry : fs::directory_iterator(folder / "cif")) {
        if (entry.path().extension() == ".cif") inputs.push_back({entry.path()});
        if (!entry.is_directory()) continue;
        std::vector<fs::path> blocks;
        for (const auto& file : fs::directory_iterator(entry.path()))
            if (file.path().extension() == ".cif") blocks.push_back(file.path());
        std::sort(blocks.begin(), blocks.end());
        inputs.push_back(blocks);
    }
    return inputs;
}

TEST(BundledExamples, EveryDefaultFitConvergesOrSaysWhyInWordsAUserCanActOn) {
    const std::vector<std::vector<fs::path>> inputs = bundledExamples();
    ASSERT_GE(inputs.size(), 9u);  // five data files, two CIF files, two folders
    int pressureSeries = 0;
    for (const std::vector<fs::path>& files : inputs) {
        const Series series = testing_support::readExample(files);
        const std::string name = files.front().filename().string();
        std::vector<FitResult> results;
        for (const FitWeights weights : {FitWeights::esd, FitWeights::none}) {
            FitOptions options;
            options.weights = weights;
            FitResult result = fitSeries(series, options);
            ASSERT_TRUE(result.status.ok) << name << ": " << result.status.text;
            const std::string label = name + (weights == FitWeights::esd ? " (esd weights)" : " (no weights)");
            for (const LinearFit* line : {&result.linear->a, &result.linear->b, &result.linear->c, &result.linear->volume})
                EXPECT_TRUE(line->line.status.ok) << label << ": " << line->line.status.text;
            for (const LinearFit& line : result.linear->principal) EXPECT_TRUE(line.line.status.ok) << label << ": " << line.line.status.text;
            EXPECT_TRUE(result.tensor->status.ok) << label << ": " << result.tensor->status.text;
            for (const EosFit& fit : result.eos)
                EXPECT_TRUE(known(fit.status)) << label << ", " << eosModelName(fit.model) << " of "
                                               << eosQuantityName(fit.quantity) << ": " << fit.status.text;
            for (const EmpiricalFit& fit : result.empirical)
                EXPECT_TRUE(known(fit.status)) << label << ", empirical axis " << fit.axis << ": " << fit.status.text;
            results.push_back(std::move(result));
        }
        if (!series.pressureRun) continue;
        ++pressureSeries;
        // The empirical law converges under the esds' weights wherever it does without weights.
        for (std::size_t k = 0; k < 3; ++k) {
            if (!results[1].empirical[k].status.ok) continue;
            EXPECT_TRUE(results[0].empirical[k].status.ok)
                << name << ", empirical axis " << k + 1 << ": " << results[0].empirical[k].status.text;
        }
    }
    EXPECT_GE(pressureSeries, 4);
}

}  // namespace
