#pragma once
// A Figure drawn with QCustomPlot: one curve per line with markers and ± one esd error bars, the
// legend below the plot, a line at y = 0.
class QCustomPlot;
struct Figure;
struct PlotFonts;

// Replaces whatever the plot showed. Each line becomes a QCPCurve named like the line, drawn in
// the order of its points (a series that goes up and down in T or P is joined as measured),
// with a QCPErrorBars when any of its esds is above 0.
void showFigure(QCustomPlot& plot, const Figure& figure, const PlotFonts& fonts);
