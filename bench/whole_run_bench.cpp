// A whole run in the process: runSeries reading a synthetic series from a file and appending
// the print file and the result files in a temporary folder. The files are removed before each
// run (outside the timing), because the print file is appended to. And a --json run with and
// without the fits over the series, for what the fits add.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <system_error>

#include "bench/synthetic_series.hpp"
#include "export/json_output.hpp"
#include "run/process_data.hpp"
#include "run/run_files.hpp"

namespace {

namespace fs = std::filesystem;

class TempFolder {
public:
    TempFolder() {
        const auto tag = std::to_string(std::random_device{}());
        path_ = fs::temp_directory_path() / ("tenzio-bench-" + tag);
        fs::remove_all(path_);
        fs::create_directories(path_);
    }
    ~TempFolder() {
        std::error_code ec;
        fs::remove_all(path_, ec);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    const fs::path& path() const { return path_; }

private:
    fs::path path_;
};

void BM_RunSeries(benchmark::State& st) {
    const int points = static_cast<int>(st.range(0));
    TempFolder data;
    TempFolder out;
    const fs::path dataFile = data.path() / "series.dat";
    std::ofstream(dataFile, std::ios::binary) << bench::syntheticSeries(points);
    const fs::path printFile = out.path() / "run.prt";

    std::uintmax_t printBytes = 0;
    for (auto _ : st) {
        st.PauseTiming();
        for (const auto& entry : fs::directory_iterator(out.path())) fs::remove(entry.path());
        st.ResumeTiming();

        RunState state;
        state.clock = [] { return std::string("Mon Dec  7 12:00:00 2026"); };
        state.statusSink = [](std::string_view) {};
        state.resultFolder = out.path();
        if (!openInputFile(state, dataFile) || !openPrintFile(state, printFile)) {
            st.SkipWithError("cannot open the data file or the print file");
            break;
        }
        if (runSeries(state) != RunOutcome::completed) {
            st.SkipWithError("the run did not complete");
            break;
        }
        state.printFile.close();

        st.PauseTiming();
        printBytes = fs::file_size(printFile);
        st.ResumeTiming();
    }
    st.SetBytesProcessed(static_cast<std::int64_t>(printBytes) * static_cast<std::int64_t>(st.iterations()));
    st.SetItemsProcessed(static_cast<std::int64_t>(points - 1) * static_cast<std::int64_t>(st.iterations()));
    st.counters["print_MB"] = static_cast<double>(printBytes) / 1e6;
}
// Bytes per second count the print file only; items are pairs of cells.
BENCHMARK(BM_RunSeries)->ArgName("points")->Arg(200)->Arg(2000)->Unit(benchmark::kMillisecond);

// The JSON document without the fits: what a --json run cost before there were any.
class JsonWithoutFits : public JsonOutput {
public:
    using JsonOutput::JsonOutput;
    bool wantsFits() const override { return false; }
};

// args: points, fits (0 or 1), pressure series (0 or 1).
void BM_JsonRun(benchmark::State& st) {
    const int points = static_cast<int>(st.range(0));
    const bool fits = st.range(1) != 0;
    const bool pressure = st.range(2) != 0;
    TempFolder data;
    TempFolder out;
    const fs::path dataFile = data.path() / "series.dat";
    std::ofstream(dataFile, std::ios::binary)
        << (pressure ? bench::syntheticPressureSeries(points) : bench::syntheticSeries(points));
    const fs::path jsonFile = out.path() / "run.json";
    for (auto _ : st) {
        RunState state;
        state.clock = [] { return std::string("Mon Dec  7 12:00:00 2026"); };
        state.statusSink = [](std::string_view) {};
        JsonOutput withFits(jsonFile);
        JsonWithoutFits withoutFits(jsonFile);
        state.extraOutputs = {fits ? static_cast<RunOutput*>(&withFits) : &withoutFits};
        if (!openInputFile(state, dataFile)) {
            st.SkipWithError("cannot open the data file");
            break;
        }
        if (runSeries(state) != RunOutcome::completed) {
            st.SkipWithError("the run did not complete");
            break;
        }
    }
    st.counters["json_MB"] = static_cast<double>(fs::file_size(jsonFile)) / 1e6;
}
// A 200-point temperature and pressure series, each without and with the fits (target: at most 20 % more).
BENCHMARK(BM_JsonRun)
    ->ArgNames({"points", "fits", "pressure"})
    ->Args({200, 0, 0})
    ->Args({200, 1, 0})
    ->Args({200, 0, 1})
    ->Args({200, 1, 1})
    ->Unit(benchmark::kMillisecond);

}  // namespace
