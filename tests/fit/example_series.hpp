#pragma once
// A bundled example series, read as a run reads it: a keyword data file, or CIF files as one series.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <memory>
#include <vector>

#include "input/cif_reader.hpp"
#include "input/readfile.hpp"

namespace testing_support {

inline Series readExample(const std::vector<std::filesystem::path>& files) {
    if (files.front().extension() == ".cif") {
        const ReadResult r = readCifSeries(files);
        EXPECT_TRUE(r.ok()) << files.front() << ": " << r.reason;
        return r.series;
    }
    const std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(files.front().c_str(), "rb"), std::fclose);
    EXPECT_TRUE(file) << files.front();
    if (!file) return {};
    const ReadResult r = readSeriesFile(file.get());
    EXPECT_TRUE(r.ok()) << files.front() << ": " << r.reason;
    return r.series;
}

}  // namespace testing_support
