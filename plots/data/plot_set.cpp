// The figures of a run in the order of the window's tabs, each with its CSV.
#include "plots/data/figures.hpp"
#include "plots/data/plot_csv.hpp"

bool forEachFigure(const PlotRecorder& record, const std::function<bool(NamedFigure&&)>& take) {
    // A series of volumes has no pairs and no cells to draw.
    if (!record.volumeOnly()) {
        if (!take({"coefficients", "Principal coefficients", coefficientsFigure(record), {}})) return false;
        if (!take({"strains", "Principal strains", strainsFigure(record), {}})) return false;
        if (!take({"cell", "Cell", cellFigure(record), {}})) return false;
    }
    if (std::optional<Figure> ff = normalisedPressureFigure(record))
        if (!take({"ff", "F–f", std::move(*ff), {}})) return false;
    if (std::optional<Figure> k = compressibilityFigure(record))
        if (!take({"compressibility", "Axial compressibility", std::move(*k), {}})) return false;
    if (std::optional<Figure> v = volumeAgainstTFigure(record))
        if (!take({"thermal", "V(T)", std::move(*v), {}})) return false;
    if (std::optional<NamedFigure> ellipse = confidenceEllipseFigure(record)) return take(std::move(*ellipse));
    return true;
}

std::vector<NamedFigure> plotFigures(const PlotRecorder& record, bool tables) {
    std::vector<NamedFigure> list;
    forEachFigure(record, [&](NamedFigure&& f) {
        if (tables && f.csv.empty()) f.csv = figureCsv(f.figure);
        list.push_back(std::move(f));
        return true;
    });
    return list;
}

PlotSet plotSet(const PlotRecorder& record, std::size_t surfaceK, bool tables) {
    PlotSet set;
    set.figures = plotFigures(record, tables);
    if (!record.rows().empty()) set.surface = surfaceFigure(record, surfaceK == 0 ? defaultSurfaceCalculation(record) : surfaceK);
    return set;
}
