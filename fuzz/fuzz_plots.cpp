// Fuzz target: the plots' data (free of Qt) of a whole run, the bytes being the data file; the
// last byte also picks the options and the calculation whose surface is drawn. It traps when the
// figures do not match the run (a point per data point, a value per calculation, lines of equal
// lengths, a surface grid of its stated size) or hold a number that is not finite (a value beyond
// single precision may be a gap, NaN).
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "input/readfile.hpp"
#include "plots/plot_collector.hpp"
#include "run/process_data.hpp"
#include "run/run_state.hpp"

namespace {

void require(bool condition) {
    if (!condition) __builtin_trap();
}

bool finite(const std::vector<float>& values) {
    for (const float v : values)
        if (!std::isfinite(v)) return false;
    return true;
}

// Every line of a figure (from one to `lines` of them: components a crystal system makes equal
// share one): equal lengths, `points` of them (or any number when negative), finite but for a gap
// (NaN) where a value is beyond single precision.
void checkFigure(const Figure& figure, std::size_t lines, long points) {
    require(!figure.lines.empty() && figure.lines.size() <= lines);
    for (const PlotLine& line : figure.lines) {
        require(line.y.size() == line.x.size() && line.esd.size() == line.x.size());
        if (points >= 0) require(line.x.size() == static_cast<std::size_t>(points));
        require(finite(line.x) && finite(line.esd));
        for (const float y : line.y) require(!std::isinf(y));
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::vector<char> bytes(data, data + size);
    bytes.push_back('\0');  // keeps the buffer non-null for an empty input
    RunState state;
    state.inputFile.reset(fmemopen(bytes.data(), size, "rb"));
    if (!state.inputFile) return 0;
    state.inputFileName = "fuzz.dat";
    state.fileChosen[0] = 1;
    state.clock = [] { return std::string("Thu Jan  1 00:00:00 1970"); };
    const unsigned pick = size > 0 ? data[size - 1] : 0u;
    state.options.axisConvention = static_cast<AxialSet>(1 + pick % 3);
    state.options.strainType = static_cast<StrainType>(1 + (pick / 3) % 4);
    state.options.incremental = (pick / 12) % 2 != 0;
    PlotCollector plots;
    state.extraOutputs.push_back(&plots);

    // The series as the run sees it, for the number of points.
    std::vector<char> again = bytes;
    std::FILE* copy = fmemopen(again.data(), size, "rb");
    if (!copy) return 0;
    const ReadResult read = READFILE(copy);
    std::fclose(copy);

    if (PROCESS_DATA(state) != RunOutcome::completed) return 0;
    require(read.ok());
    const std::size_t points = read.series.points.size();
    require(plots.calculations() == points - 1);

    const PlotSet set = plots.plots(1 + (pick / 24) % plots.calculations());
    checkFigure(set.strains, 3, static_cast<long>(points - 1));
    checkFigure(set.coefficients, 3, -1);
    require(set.coefficients.lines[0].x.size() <= points - 1);
    checkFigure(set.cell, 4, static_cast<long>(points));
    require(set.cell.lines.size() == 4);

    const SurfaceData& surface = set.surface;
    require(surface.calculation >= 1 && static_cast<std::size_t>(surface.calculation) <= points - 1);
    for (const Vec3& axis : surface.axes)
        for (const float v : axis) require(std::isfinite(v));
    if (!surface.defined) return 0;
    require(surface.meshPoints.size() == static_cast<std::size_t>(surface.rows) * static_cast<std::size_t>(surface.columns));
    require(surface.meshValues.size() == surface.meshPoints.size() && finite(surface.meshValues));
    for (const SurfaceSection& section : surface.sections) {
        require(section.points.size() == section.values.size() && finite(section.values));
        for (const auto& p : section.points) require(std::isfinite(p[0]) && std::isfinite(p[1]));
    }
    for (const float v : surface.values) require(std::isfinite(v));
    return 0;
}
