// The fits over a 200-point series on their own, and the JSON text they make: the two parts of
// what the fits add to a --json run, measured apart.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>

#include "bench/synthetic_series.hpp"
#include "export/fit_json.hpp"
#include "fit/fit_series.hpp"
#include "input/readfile.hpp"

namespace {

Series seriesOf(const std::string& text) {
    std::FILE* f = fmemopen(const_cast<char*>(text.data()), text.size(), "r");
    if (f == nullptr) return {};
    ReadResult read = readSeriesFile(f);
    std::fclose(f);
    return read.series;
}

Series benchSeries(bool pressure) {
    return seriesOf(pressure ? bench::syntheticPressureSeries(200) : bench::syntheticSeries(200));
}

// arg: pressure series (0 or 1).
void BM_FitSeries(benchmark::State& st) {
    const Series series = benchSeries(st.range(0) != 0);
    if (series.points.size() != 200) {
        st.SkipWithError("the synthetic series did not read");
        return;
    }
    const FitOptions options;
    for (auto _ : st) benchmark::DoNotOptimize(fitSeries(series, options));
}
BENCHMARK(BM_FitSeries)->ArgName("pressure")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

void BM_FitsJson(benchmark::State& st) {
    const Series series = benchSeries(st.range(0) != 0);
    const FitResult fits = fitSeries(series, FitOptions{});
    std::size_t bytes = 0;
    for (auto _ : st) {
        const std::string text = fitsJsonMembers(fits);
        bytes = text.size();
        benchmark::DoNotOptimize(text.data());
    }
    st.counters["json_MB"] = static_cast<double>(bytes) / 1e6;
}
BENCHMARK(BM_FitsJson)->ArgName("pressure")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

}  // namespace
