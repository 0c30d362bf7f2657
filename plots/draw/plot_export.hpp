#pragma once
// Plots as files for a journal: PNG (300 dpi), SVG and PDF, at column (85 mm) or page (180 mm)
// width, always with the print fonts, whatever the window shows.
#include <QSize>
#include <QString>
#include <string>

#include "plots/data/plot_data.hpp"

enum class ExportFormat { png, svg, pdf };
enum class ExportWidth { column, page };  // 85 mm, 180 mm

inline constexpr double kColumnWidthMm = 85.0;
inline constexpr double kPageWidthMm = 180.0;
inline constexpr int kPngDotsPerInch = 300;

// A figure as a file at `width` shows it: its small panels twice as many to a row at page width,
// and its size in the file's drawing units (1/96 inch, in which the export fonts are sized).
struct ExportedFigure {
    Figure figure;
    QSize units;
};
ExportedFigure exportedFigure(const Figure& figure, ExportWidth width);
// The panels to a row of the figure exported at `width`.
int exportedColumns(const Figure& figure, ExportWidth width);

// The format that a file name's suffix names (.png, .svg, .pdf; any case), or none.
bool formatOfSuffix(const QString& path, ExportFormat& format);

// Writes the figure or the surface (its 3-D view from `view`) to `path`, replacing any file
// there only once the new one is complete. False with the reason in `error` when it cannot.
bool exportFigure(const Figure& figure, const QString& path, ExportFormat format, ExportWidth width, QString& error);
bool exportSurface(const SurfaceData& surface, const QString& path, ExportFormat format, ExportWidth width,
                   QString& error, SurfaceViewAngles view = {});

// Writes a text (a figure's CSV) to `path` in the same way.
bool exportText(const std::string& text, const QString& path, QString& error);

// The batch command's files: each figure as NAME_stem.svg, .png (column width) and .csv, and
// NAME_surface.svg and .png, each handed to `sink` by its name as soon as it is drawn. False, with
// the reason in `error`, when one cannot be drawn or the sink refuses it.
bool drawPlotFiles(const PlotSet& plots, const std::string& name, const PlotFileSink& sink, QString& error);
