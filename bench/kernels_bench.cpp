// The numeric kernels of one pair of cells: the S-matrix, the inversion, the strain, the eigen
// decomposition, and the whole tensor work with esds on both cells of a triclinic pair (the most
// work a pair can need).
#include <benchmark/benchmark.h>

#include <array>
#include <cstddef>

#include "LIBRARIES/math/eigen.hpp"
#include "calc/cell_geometry.hpp"
#include "calc/matrix_inverse.hpp"
#include "calc/strain.hpp"
#include "calc/strain_tensors.hpp"

namespace {

// Two cells of a triclinic temperature series, and the esds of a cell.
const CellParameters kBefore = {6.1819f, 10.82869f, 17.41192f, 76.86754f, 84.46139f, 81.5794f};
const CellParameters kAfter = {6.19147f, 10.83013f, 17.41964f, 76.87101f, 84.36249f, 81.54078f};
const CellParameters kBeforeEsd = {0.00381f, 0.00209f, 0.00267f, 0.00944f, 0.03513f, 0.04218f};

// Cells along a series, all different, more of them than crystalAxesMatrix and strainBetween remember
// (they keep recent results), so that every call of a kernel benchmark computes.
constexpr std::size_t kSeriesLength = 1024;

std::array<CellParameters, kSeriesLength> series() {
    std::array<CellParameters, kSeriesLength> cells{};
    for (std::size_t k = 0; k < kSeriesLength; ++k) {
        const float step = static_cast<float>(k) / static_cast<float>(kSeriesLength);
        for (int j = 0; j < 6; ++j) cells[k][j] = kBefore[j] + (kAfter[j] - kBefore[j]) * step;
    }
    return cells;
}

std::array<Mat3, kSeriesLength> sMatrices() {
    const auto cells = series();
    std::array<Mat3, kSeriesLength> s{};
    for (std::size_t k = 0; k < kSeriesLength; ++k) s[k] = crystalAxesMatrix(cells[k], AxialSet::xAStarZC);
    return s;
}

void BM_CrystalAxesMatrix(benchmark::State& st) {
    const auto cells = series();
    std::size_t k = 0;
    for (auto _ : st) {
        benchmark::DoNotOptimize(crystalAxesMatrix(cells[k], AxialSet::xAStarZC));
        k = (k + 1) % kSeriesLength;
    }
}
BENCHMARK(BM_CrystalAxesMatrix);

void BM_MatrixInverse(benchmark::State& st) {
    const auto s = sMatrices();
    std::size_t k = 0;
    for (auto _ : st) {
        benchmark::DoNotOptimize(matrixInverse(s[k]));
        k = (k + 1) % kSeriesLength;
    }
}
BENCHMARK(BM_MatrixInverse);

// Each call strains a different pair of neighbouring cells.
void BM_StrainBetween(benchmark::State& st) {
    const int type = static_cast<int>(st.range(0));
    const auto s = sMatrices();
    std::size_t k = 0;
    for (auto _ : st) {
        benchmark::DoNotOptimize(strainBetween(StrainType{type}, s[k], s[k + 1]));
        k = (k + 1) % (kSeriesLength - 1);
    }
}
BENCHMARK(BM_StrainBetween)->ArgName("type")->DenseRange(1, 4);

void BM_EigenSystem(benchmark::State& st) {
    const Mat3 tensor = strainBetween(StrainType::finiteEulerian, crystalAxesMatrix(kBefore, AxialSet::xAStarZC), crystalAxesMatrix(kAfter, AxialSet::xAStarZC));
    for (auto _ : st) {
        Mat3 t = tensor;
        benchmark::DoNotOptimize(t);
        benchmark::DoNotOptimize(eigenSystemOf(t));
    }
}
BENCHMARK(BM_EigenSystem);

// Pairs of neighbouring cells, as an incremental run meets them: the S-matrices of the first cell
// and of its moves were formed for the pair before, where it was the second cell.
void BM_CALC_STRAIN_TENSORS_triclinic_esds(benchmark::State& st) {
    const auto cells = series();
    std::size_t k = 0;
    for (auto _ : st) {
        const UnitCell first{cells[k], kBeforeEsd}, second{cells[k + 1], kBeforeEsd};
        benchmark::DoNotOptimize(strainTensorsBetween(first, second, StrainType::finiteEulerian, CrystalSystem::none, AxialSet::xAStarZC));
        k = (k + 1) % (kSeriesLength - 1);
    }
}
BENCHMARK(BM_CALC_STRAIN_TENSORS_triclinic_esds);

}  // namespace
