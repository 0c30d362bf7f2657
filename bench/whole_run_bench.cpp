// A whole run in the process: PROCESS_DATA reading a synthetic series from a file and appending
// the print file and the result files in a temporary folder. The files are removed before each
// run (outside the timing), because the print file is appended to.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <system_error>

#include "bench/synthetic_series.hpp"
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

void BM_PROCESS_DATA(benchmark::State& st) {
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
        if (PROCESS_DATA(state) != RunOutcome::completed) {
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
BENCHMARK(BM_PROCESS_DATA)->ArgName("points")->Arg(200)->Arg(2000)->Unit(benchmark::kMillisecond);

}  // namespace
