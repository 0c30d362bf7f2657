// Many series through the driver: each document is byte for byte the --json file of the same run,
// results come back in the order of the index whatever the threads, and a run that throws
// becomes a failed document without stopping the others.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <stdexcept>
#include <thread>

#include "../support.hpp"
#include "run/many_series.hpp"

namespace {

using namespace testing_support;
namespace fs = std::filesystem;

std::vector<fs::path> bundledInputs() {
    std::vector<fs::path> inputs;
    for (const auto& entry : fs::directory_iterator(fs::path(TENZIO_SOURCE_DIR) / "examples"))
        if (entry.path().extension() == ".dat") inputs.push_back(entry.path());
    for (const auto& entry : fs::directory_iterator(fs::path(TENZIO_SOURCE_DIR) / "examples/cif"))
        if (entry.path().extension() == ".cif") inputs.push_back(entry.path());
    std::sort(inputs.begin(), inputs.end());
    return inputs;
}

TEST(ManySeries, DocumentIsTheJsonFileOfTheSameRun) {
    TempFolder dir("many-document");
    SeriesRunOptions options;
    options.run.incremental = false;
    options.run.strainType = StrainType::finiteLagrangian;
    options.fits.run = options.run;
    options.fits.at = {30.0};
    for (const fs::path& input : bundledInputs()) {
        const SeriesReading reading = readSeriesFiles({input});
        ASSERT_TRUE(reading.source) << input << ": " << reading.error;
        const SeriesDocument document = runSeriesDocument(*reading.source, options);
        ASSERT_TRUE(document.ok) << input << ": " << document.error;
        const fs::path json = dir / "run.json";
        ASSERT_EQ(shell(std::string(TENZIO_BATCH) + " " + shellQuoted(input) +
                        " --against-first --strain finite-lagrangian --at 30 --json " + shellQuoted(json) +
                        " 2>/dev/null"),
                  0);
        EXPECT_EQ(document.json, slurp(json)) << input;
    }
}

TEST(ManySeries, FailuresSayWhatTheBatchSays) {
    TempFolder dir("many-failures");
    writeFile(dir / "one.dat", "TITLE one\nLINE1 T A B C ALPHA BETA GAMMA\nDATA\n20 5 6 7 90 90 90\n");
    const SeriesReading missing = readSeriesFiles({dir / "missing.dat"});
    EXPECT_FALSE(missing.source);
    EXPECT_EQ(missing.error, "ERROR OPENING INPUT DATA FILE: " + (dir / "missing.dat").string() +
                                 ": cannot be opened: No such file or directory");
    const SeriesReading one = readSeriesFiles({dir / "one.dat"});
    ASSERT_TRUE(one.source);
    const SeriesDocument document = runSeriesDocument(*one.source, {});
    EXPECT_FALSE(document.ok);
    EXPECT_EQ(document.error, "ONLY ONE DATUM IN INPUT FILE: one.dat holds 1 data point; a run compares two or more");
}

TEST(ManySeries, ResultsComeInTheOrderOfTheIndex) {
    for (const unsigned workers : {1u, 2u, 8u}) {
        std::vector<std::size_t> order;
        runSeriesInOrder(
            50, workers,
            [](std::size_t k) {
                // Later series finish first.
                std::this_thread::sleep_for(std::chrono::microseconds((50 - k) * 20));
                SeriesDocument d;
                d.ok = true;
                d.json = std::to_string(k);
                return d;
            },
            [&](std::size_t k, SeriesDocument&& d) {
                EXPECT_EQ(d.json, std::to_string(k));
                order.push_back(k);
            });
        ASSERT_EQ(order.size(), 50u) << workers;
        for (std::size_t k = 0; k < order.size(); ++k) EXPECT_EQ(order[k], k) << workers;
    }
}

TEST(ManySeries, ARunThatThrowsFailsAloneAndTheWindowBoundsTheRunsAhead) {
    std::atomic<std::size_t> delivered{0};
    std::atomic<std::size_t> furthestAhead{0};
    std::vector<SeriesDocument> results(40);
    runSeriesInOrder(
        40, 4,
        [&](std::size_t k) {
            const std::size_t ahead = k - std::min(k, delivered.load());
            std::size_t seen = furthestAhead.load();
            while (ahead > seen && !furthestAhead.compare_exchange_weak(seen, ahead)) {
            }
            if (k == 7) throw std::runtime_error("series 7 is broken");
            SeriesDocument d;
            d.ok = true;
            return d;
        },
        [&](std::size_t k, SeriesDocument&& d) {
            results[k] = std::move(d);
            ++delivered;
            // A slow reader: the workers must wait for it rather than run on.
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        });
    for (std::size_t k = 0; k < results.size(); ++k) EXPECT_EQ(results[k].ok, k != 7) << k;
    EXPECT_EQ(results[7].error, "series 7 is broken");
    EXPECT_LE(furthestAhead.load(), 4u * 4u);
}

TEST(ManySeries, ThreadsGiveTheDocumentsOfOneThread) {
    std::vector<std::shared_ptr<const SeriesSource>> sources;
    for (const fs::path& input : bundledInputs()) sources.push_back(readSeriesFiles({input}).source);
    const std::size_t count = sources.size() * 5;
    const auto documents = [&](unsigned workers) {
        std::vector<std::string> texts(count);
        runSeriesInOrder(
            count, workers, [&](std::size_t k) { return runSeriesDocument(*sources[k % sources.size()], {}); },
            [&](std::size_t k, SeriesDocument&& d) { texts[k] = d.ok ? d.json : d.error; });
        return texts;
    };
    const std::vector<std::string> serial = documents(1);
    EXPECT_EQ(documents(8), serial);
}

}  // namespace
