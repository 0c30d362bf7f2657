// The record writer's Fw.d field, the bulk of every report: one field, and a full record of the
// widths the reports use most.
#include <benchmark/benchmark.h>

#include <array>
#include <cstdint>

#include "LIBRARIES/records/record_writer.hpp"

namespace {

// Values of both signs that fit an Fw.d field, as the reports' values do, spread over the
// magnitudes the field can show (from 1 in its last decimal to its widest).
std::array<float, 64> sampleValues(int w, int d) {
    std::array<float, 64> v{};
    std::uint32_t s = 12345u;
    const int integerDigits = w - d - 2;  // room left for the sign and the point
    for (std::size_t k = 0; k < v.size(); ++k) {
        s = s * 1664525u + 1013904223u;  // a fixed linear congruential sequence
        const float unit = static_cast<float>(s >> 8) / 16777216.0f;
        int exponent = static_cast<int>(k % static_cast<std::size_t>(integerDigits + d)) - d;
        float scale = 1.0f;
        for (; exponent > 0; --exponent) scale *= 10.0f;
        for (; exponent < 0; ++exponent) scale /= 10.0f;
        v[k] = (unit - 0.5f) * 2.0f * scale;
    }
    return v;
}

void BM_Rec_f(benchmark::State& st) {
    const int w = static_cast<int>(st.range(0));
    const int d = static_cast<int>(st.range(1));
    const auto values = sampleValues(w, d);
    std::size_t k = 0;
    for (auto _ : st) {
        Rec r;
        r.f(w, d, values[k++ % values.size()]);
        benchmark::DoNotOptimize(r.view().data());
    }
    st.SetItemsProcessed(st.iterations());
}
BENCHMARK(BM_Rec_f)->ArgNames({"w", "d"})->Args({9, 6})->Args({10, 5})->Args({12, 8})->Args({7, 2});

// 5X,F7.2,12F12.8: one line of a result file.
void BM_Rec_tensorLine(benchmark::State& st) {
    const auto midpoints = sampleValues(7, 2);
    const auto values = sampleValues(12, 8);
    std::size_t k = 0;
    for (auto _ : st) {
        Rec r;
        r.x(5).f(7, 2, midpoints[k % midpoints.size()]);
        for (int j = 0; j < 12; ++j) r.f(12, 8, values[(k + static_cast<std::size_t>(j)) % values.size()]);
        ++k;
        benchmark::DoNotOptimize(r.view().data());
    }
    st.SetBytesProcessed(static_cast<std::int64_t>(st.iterations()) * (5 + 7 + 12 * 12));
}
BENCHMARK(BM_Rec_tensorLine);

}  // namespace
