#include "plots/draw/plot_style.hpp"

#include <QApplication>
#include <QFontInfo>

QColor colourOf(PlotColour colour) {
    // Okabe & Ito, "Color Universal Design" (2008).
    switch (colour) {
    case PlotColour::axis1: return QColor(0x00, 0x72, 0xB2);     // blue
    case PlotColour::axis2: return QColor(0xD5, 0x5E, 0x00);     // vermilion
    case PlotColour::axis3: return QColor(0x00, 0x9E, 0x73);     // bluish green
    case PlotColour::cellA: return QColor(0xCC, 0x79, 0xA7);     // reddish purple
    case PlotColour::cellB: return QColor(0xE6, 0x9F, 0x00);     // orange
    case PlotColour::cellC: return QColor(0x56, 0xB4, 0xE9);     // sky blue
    case PlotColour::volume: return QColor(0x00, 0x00, 0x00);    // black
    case PlotColour::fit: return QColor(0x55, 0x55, 0x55);       // dark grey
    case PlotColour::positive: return QColor(0x00, 0x72, 0xB2);  // blue
    case PlotColour::negative: return QColor(0xD5, 0x5E, 0x00);  // vermilion
    }
    return Qt::black;
}

QString colourName(PlotColour colour) {
    switch (colour) {
    case PlotColour::axis1:
    case PlotColour::positive: return QStringLiteral("blue");
    case PlotColour::axis2:
    case PlotColour::negative: return QStringLiteral("vermilion");
    case PlotColour::axis3: return QStringLiteral("bluish green");
    case PlotColour::cellA: return QStringLiteral("reddish purple");
    case PlotColour::cellB: return QStringLiteral("orange");
    case PlotColour::cellC: return QStringLiteral("sky blue");
    case PlotColour::volume: return QStringLiteral("black");
    case PlotColour::fit: return QStringLiteral("grey");
    }
    return {};
}

PlotFonts windowFonts() {
    const QFont base = QApplication::font();
    PlotFonts f{base, base, base, base};
    f.title.setBold(true);
    return f;
}

PlotFonts exportFonts() {
    // The family the desktop's font resolves to ("DejaVu Sans" rather than "Sans Serif"), so that
    // an SVG names the font the PNG is drawn in.
    const QString family = QFontInfo(QApplication::font()).family();
    const auto sized = [&family](int pixels) {
        QFont font(family);
        font.setPixelSize(pixels);
        return font;
    };
    // 96 pixels to the inch: 9 px is 6.75 pt, 11 px 8.25 pt.
    PlotFonts f{sized(9), sized(11), sized(9), sized(11)};
    f.title.setBold(true);
    return f;
}
