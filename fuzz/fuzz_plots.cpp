// Fuzz target: the plots' data (free of Qt) of a whole run, the bytes being the data file; the
// last byte also picks the options and the calculation whose surface is drawn. It traps when the
// figures do not match the run (a cell point per data point, lines of equal lengths, a surface
// grid of its stated size) or hold a number that is not finite (a value beyond single precision
// may be a gap, NaN).
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "input/readfile.hpp"
#include "plots/data/figures.hpp"
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

// Every measured line of a figure's panels: equal lengths, `points` of them (or any number when
// negative), finite but for a gap (NaN: a value beyond single precision, or an esd the point
// does not carry); at most `lines` lines in a panel (components a crystal system makes equal
// share one). Fitted curves are finite where they are drawn.
void checkFigure(const Figure& figure, std::size_t lines, long points) {
    require(!figure.panels.empty());
    for (const PlotPanel& panel : figure.panels) {
        require(panel.lines.size() <= lines);
        for (const PlotLine& line : panel.lines) {
            require(line.y.size() == line.x.size() && line.esd.size() == line.x.size());
            if (points >= 0) require(line.x.size() == static_cast<std::size_t>(points));
            require(finite(line.x));
            for (const float y : line.y) require(!std::isinf(y));
            for (const float e : line.esd) require(!std::isinf(e));
        }
        for (const FittedCurve& curve : panel.curves) {
            require(curve.y.size() == curve.x.size());
            require(curve.esd.empty() || curve.esd.size() == curve.x.size());
        }
    }
}

const Figure* figureNamed(const PlotSet& set, const std::string& stem) {
    for (const NamedFigure& f : set.figures)
        if (f.stem == stem) return &f.figure;
    return nullptr;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::vector<char> bytes(data, data + size);
    bytes.push_back('\0');  // keeps the buffer non-null for an empty input
    RunState state;
    state.inputFile.reset(fmemopen(bytes.data(), size, "rb"));
    if (!state.inputFile) return 0;
    state.inputFileName = "fuzz.dat";
    state.fileChosen.input = true;
    state.clock = [] { return std::string("Thu Jan  1 00:00:00 1970"); };
    const unsigned pick = size > 0 ? data[size - 1] : 0u;
    state.options.axisConvention = static_cast<AxialSet>(1 + pick % 3);
    state.options.strainType = static_cast<StrainType>(1 + (pick / 3) % 4);
    state.options.incremental = (pick / 12) % 2 != 0;
    PlotRecorder plots;
    state.extraOutputs.push_back(&plots);

    // The series as the run sees it, for the number of points.
    std::vector<char> again = bytes;
    std::FILE* copy = fmemopen(again.data(), size, "rb");
    if (!copy) return 0;
    const ReadResult read = readSeriesFile(copy);
    std::fclose(copy);

    if (runSeries(state) != RunOutcome::completed) return 0;
    require(read.ok());
    // A series of volumes has no pairs, so nothing to plot but its fits.
    if (read.series.volumeOnly) {
        require(plots.calculations() == 0);
        return 0;
    }
    const std::size_t points = read.series.points.size();
    require(plots.calculations() == points - 1);

    const PlotSet set = plotSet(plots, 1 + (pick / 24) % plots.calculations());
    const Figure* strains = figureNamed(set, "strains");
    const Figure* coefficients = figureNamed(set, "coefficients");
    const Figure* cell = figureNamed(set, "cell");
    require(strains && coefficients && cell);
    checkFigure(*strains, 3, -1);
    checkFigure(*coefficients, 3, -1);
    checkFigure(*cell, 3, static_cast<long>(points));

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
