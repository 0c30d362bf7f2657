#pragma once
// A Figure drawn with QCustomPlot: a panel per PlotPanel (one axis rect each, in rows of the
// figure's columns), each line a curve with markers and ± one esd error bars, fitted curves as
// lines with a band, the legend and the caption below.
#include <vector>

class QCustomPlot;
class QCPAxisRect;
struct Figure;
struct PlotFonts;

// Replaces whatever the plot showed. Each line becomes a QCPCurve named like the line, drawn in
// the order of its points (a series that goes up and down in T or P is joined as measured),
// with a QCPErrorBars when any of its esds is above 0; each fitted curve a QCPGraph over a band
// of two more. Returns the axis rect of each panel, in the figure's order.
std::vector<QCPAxisRect*> showFigure(QCustomPlot& plot, const Figure& figure, const PlotFonts& fonts);

// The ranges showFigure chose, again: the view before any zoom or pan.
void resetFigureRanges(const Figure& figure, const std::vector<QCPAxisRect*>& rects);
