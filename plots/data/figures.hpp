#pragma once
// One builder per figure, each in its own file, each making its figure from the run's record
// alone; plotFigures and plotSet put them together in the order of the window's tabs.
#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "plots/data/plot_data.hpp"
#include "plots/data/plot_recorder.hpp"

// Principal property values (for crystal systems without principal axes in the report, the
// diagonal components) of each calculation against its midpoint of T or P, each line one axis of
// the series, with the tensor fit's curves (coefficients_figure.cpp).
Figure coefficientsFigure(const PlotRecorder& record);
// The principal strains of every point against the reference point (the first), at T or P of the
// point, whatever the run's incremental option, in % (strains_figure.cpp).
Figure strainsFigure(const PlotRecorder& record);
// a, b, c, the angles that vary, and V of every data point, each in its own panel (cell_figure.cpp).
Figure cellFigure(const PlotRecorder& record);
// Pressure series with fits: the normalised pressure F against the Eulerian finite strain f with
// the BM2 and BM3 lines (ff_figure.cpp). None when there is nothing to draw.
std::optional<Figure> normalisedPressureFigure(const PlotRecorder& record);
// The compressibility of each principal axis from its empirical fit (compressibility_figure.cpp).
std::optional<Figure> compressibilityFigure(const PlotRecorder& record);
// A temperature series with V(T) fits: V against T with each model's curve, and its alpha(T)
// (thermal_figure.cpp).
std::optional<Figure> volumeAgainstTFigure(const PlotRecorder& record);
// The K0-K' confidence ellipses (68.3 and 95.4 %) of the first P-V-T model, or else of the first
// equation of state of the volume, that fits both; the CSV holds their points (ellipse_figure.cpp).
std::optional<NamedFigure> confidenceEllipseFigure(const PlotRecorder& record);

// The representation surface of the property tensor of calculation k (1 to calculations()), in
// the units of the coefficients' plot, its axes numbered as the series' axes (surface_figure.cpp).
SurfaceData surfaceFigure(const PlotRecorder& record, std::size_t k);
// The calculation whose surface is shown unless another is asked for: the last whose property
// tensor is defined (T or P changed), since an undefined one has no surface to draw; the last
// when none is; 0 when there are no calculations.
std::size_t defaultSurfaceCalculation(const PlotRecorder& record);
// Names calculation k in a list: "3: points 3 and 4, T = 27 °C".
std::string calculationLabel(const PlotRecorder& record, std::size_t k);

// The fits as tables for the window: linear coefficients, the tensor fit's principal
// coefficients, equations of state, the empirical fits (fit_tables.cpp).
std::vector<FitTable> fitTables(const PlotRecorder& record);

// Hands `take` each figure with the stem of its files, in the order of the window's tabs, each
// made only once the one before has been taken, so that a caller that draws and lets go of each
// holds one figure of a long series at a time. Only the ellipse comes with its CSV. Stops when
// `take` returns false; false then.
bool forEachFigure(const PlotRecorder& record, const std::function<bool(NamedFigure&&)>& take);
// Every figure with the stem of its files and its CSV, in the order of the window's tabs. Without
// the tables (tables false) a figure's CSV is left for the caller to make with figureCsv, one
// figure at a time: the tables of a long series are the largest part of its plots; the ellipse's
// own table, a few hundred rows, is made either way.
std::vector<NamedFigure> plotFigures(const PlotRecorder& record, bool tables = true);
// Everything, with the surface of calculation `surfaceK` (0: defaultSurfaceCalculation).
PlotSet plotSet(const PlotRecorder& record, std::size_t surfaceK = 0, bool tables = true);
