#pragma once
// Whole runs in the test process, with the date and time fixed.
#include <filesystem>
#include <string>
#include <vector>

#include "../support.hpp"
#include "output/run_output.hpp"
#include "run/process_data.hpp"
#include "run/run_files.hpp"

namespace testing_support {

inline constexpr const char* kFixedDateTime = "Mon Dec  7 12:00:00 2026";

struct RunResult {
    RunOutcome outcome;
    std::vector<std::string> status;
};

// One run of `dataFile` with the print file `printFile`; the result files land beside it. The
// series' axes carry the numbers of calculation `namedCalculation` (0: the last).
inline RunResult runOnce(const std::filesystem::path& dataFile, const std::filesystem::path& printFile,
                         RunOptions options = {}, std::vector<RunOutput*> extraOutputs = {}, int namedCalculation = 0) {
    RunResult result{RunOutcome::readError, {}};
    RunState state;
    state.options = options;
    state.fitOptions.namedCalculation = namedCalculation;
    state.clock = [] { return std::string(kFixedDateTime); };
    state.statusSink = [&](std::string_view s) { result.status.emplace_back(s); };
    state.resultFolder = printFile.parent_path();
    state.extraOutputs = std::move(extraOutputs);
    if (!openInputFile(state, dataFile) || !openPrintFile(state, printFile)) return result;
    result.outcome = runSeries(state);
    return result;
}

// Splits a file's text into its lines (CR LF ends).
// Keeps every record of a run.
class Recorder final : public RunOutput {
public:
    bool begin(const RunHeader& header) override {
        points = header.series.points;
        return true;
    }
    void calculation(const PairResult& r) override { records.push_back(r); }
    bool end() override { return true; }
    std::vector<DataPoint> points;
    std::vector<PairResult> records;
};

inline std::vector<std::string> linesOf(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        auto end = text.find("\r\n", start);
        if (end == std::string::npos) end = text.size();
        lines.push_back(text.substr(start, end - start));
        start = end + 2;
    }
    return lines;
}

}  // namespace testing_support
