#pragma once
// Colours and fonts of the plots, the same in the window and in every exported file.
#include <QColor>
#include <QFont>
#include <QString>
#include <string_view>

#include "plots/data/plot_data.hpp"
#include "plots/draw/notation.hpp"

QColor colourOf(PlotColour colour);
// "blue", "vermilion", ...: how the texts of a plot name its colours.
QString colourName(PlotColour colour);

struct PlotFonts {
    QFont tickLabels;
    QFont axisLabels;
    QFont legend;
    QFont title;
};

// The desktop's font at its own size, for the window.
PlotFonts windowFonts();
// The desktop's font family at fixed sizes for printed figures: 7 pt for ticks and legends, 8 pt
// for labels. Sizes are in pixels of the export's 96-per-inch coordinates, so that the layout
// does not depend on the screen the program runs on.
PlotFonts exportFonts();

inline QString qText(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// A text for the reader, its symbols typeset (notation.hpp).
inline QString qNotation(std::string_view text) { return qText(typesetNotation(text)); }
