#pragma once
// A legend entry whose box holds its whole text: the toolkit's own entry is as tall as the font's
// rounded line height and cuts off what reaches below it (the tails of q, y, p and parentheses)
// at some sizes and pixel ratios.
#include <qcustomplot.h>

class WholeTextLegendItem final : public QCPPlottableLegendItem {
    Q_OBJECT

public:
    WholeTextLegendItem(QCPLegend* legend, QCPAbstractPlottable* plottable)
        : QCPPlottableLegendItem(legend, plottable) {}

    // The box the text's glyphs take, with the entry's top left corner at (0, 0).
    QRectF textBox() const;

protected:
    void draw(QCPPainter* painter) override;
    QSize minimumOuterSizeHint() const override;
};

// Gives every entry of the legend, in its order, a WholeTextLegendItem in place of the
// toolkit's item.
void useWholeTextItems(QCPLegend& legend);
