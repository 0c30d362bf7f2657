// The figures of a run in the order of the window's tabs, each with its CSV.
#include "plots/data/figures.hpp"
#include "plots/data/plot_csv.hpp"

std::vector<NamedFigure> plotFigures(const PlotRecorder& record, bool tables) {
    std::vector<NamedFigure> list;
    // A series of volumes has no pairs and no cells to draw.
    if (!record.volumeOnly()) {
        list.push_back({"coefficients", "Principal coefficients", coefficientsFigure(record), {}});
        list.push_back({"strains", "Principal strains", strainsFigure(record), {}});
        list.push_back({"cell", "Cell", cellFigure(record), {}});
    }
    if (std::optional<Figure> ff = normalisedPressureFigure(record)) list.push_back({"ff", "F–f", std::move(*ff), {}});
    if (std::optional<Figure> k = compressibilityFigure(record))
        list.push_back({"compressibility", "Axial compressibility", std::move(*k), {}});
    if (std::optional<Figure> v = volumeAgainstTFigure(record)) list.push_back({"thermal", "V(T)", std::move(*v), {}});
    if (tables)
        for (NamedFigure& f : list) f.csv = figureCsv(f.figure);
    if (std::optional<NamedFigure> ellipse = confidenceEllipseFigure(record)) list.push_back(std::move(*ellipse));
    return list;
}

PlotSet plotSet(const PlotRecorder& record, std::size_t surfaceK, bool tables) {
    PlotSet set;
    set.figures = plotFigures(record, tables);
    if (!record.rows().empty()) set.surface = surfaceFigure(record, surfaceK == 0 ? defaultSurfaceCalculation(record) : surfaceK);
    return set;
}
