#include "plots/figure_plot.hpp"

#include <qcustomplot.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "plots/plot_data.hpp"
#include "plots/plot_style.hpp"

namespace {

QCPScatterStyle::ScatterShape markerOf(std::size_t index) {
    static constexpr QCPScatterStyle::ScatterShape kShapes[] = {
        QCPScatterStyle::ssDisc, QCPScatterStyle::ssSquare, QCPScatterStyle::ssTriangle, QCPScatterStyle::ssDiamond};
    return kShapes[index % 4];
}

void styleAxis(QCPAxis* axis, const PlotFonts& fonts) {
    axis->setTickLabelFont(fonts.tickLabels);
    axis->setLabelFont(fonts.axisLabels);
    axis->setNumberFormat(QStringLiteral("gb"));
    axis->setTickLength(0, 4);
    axis->setSubTickLength(0, 2);
    axis->setLabelPadding(3);
    axis->setTickLabelPadding(3);
    axis->grid()->setPen(QPen(QColor(0xE0, 0xE0, 0xE0), 0));
}

// A range with a little room on both sides; an empty or one-value range gets a width.
QCPRange padded(QCPRange range) {
    if (!(range.upper > range.lower)) {
        const double half = range.lower == 0.0 ? 1.0 : std::fabs(range.lower) * 0.1;
        return {range.lower - half, range.upper + half};
    }
    const double room = range.size() * 0.06;
    return {range.lower - room, range.upper + room};
}

// The points of a line that are drawn: all of them with markers; of a line alone, in runs of
// consecutive points, the first, the lowest, the highest and the last of each run, so that the
// drawn line has the envelope of the whole at a few thousand corners (a line through every point
// of a long series takes minutes to fill into a picture).
std::vector<std::size_t> drawnPoints(const PlotLine& line, bool marked) {
    constexpr std::size_t kRuns = 1000;
    const std::size_t n = line.x.size();
    std::vector<std::size_t> points;
    if (marked || n <= 4 * kRuns) {
        for (std::size_t k = 0; k < n; ++k) points.push_back(k);
        return points;
    }
    const std::size_t run = (n + kRuns - 1) / kRuns;
    for (std::size_t begin = 0; begin < n; begin += run) {
        const std::size_t end = std::min(n, begin + run);
        std::size_t low = begin;
        std::size_t high = begin;
        for (std::size_t k = begin; k < end; ++k) {
            if (line.y[k] < line.y[low]) low = k;
            if (line.y[k] > line.y[high]) high = k;
        }
        for (const std::size_t k : {begin, std::min(low, high), std::max(low, high), end - 1})
            if (points.empty() || points.back() < k) points.push_back(k);
    }
    return points;
}

}  // namespace

void showFigure(QCustomPlot& plot, const Figure& figure, const PlotFonts& fonts) {
    plot.clearPlottables();
    plot.clearItems();
    plot.plotLayout()->clear();
    plot.setLocale(QLocale::c());  // decimal points, as in the report, whatever the desktop
    plot.setAntialiasedElements(QCP::aeAll);

    auto* rect = new QCPAxisRect(&plot);
    plot.plotLayout()->addElement(0, 0, rect);
    plot.xAxis = rect->axis(QCPAxis::atBottom);
    plot.yAxis = rect->axis(QCPAxis::atLeft);
    plot.xAxis2 = rect->axis(QCPAxis::atTop);
    plot.yAxis2 = rect->axis(QCPAxis::atRight);
    for (QCPAxis* axis : rect->axes()) styleAxis(axis, fonts);
    rect->setupFullAxesBox(true);  // a closed frame; the top and right axes carry no labels
    plot.xAxis->setLabel(qText(figure.xLabel));
    plot.yAxis->setLabel(qText(figure.yLabel));

    // The legend below the plot, one line per entry, so that long names never cover data.
    auto* legend = new QCPLegend;
    plot.legend = legend;
    auto* legendRow = new QCPLayoutGrid;
    plot.plotLayout()->addElement(1, 0, legendRow);
    legendRow->addElement(0, 0, legend);
    legendRow->setMargins(QMargins(0, 0, 0, 0));
    legend->setLayer(QStringLiteral("legend"));
    legend->setFont(fonts.legend);
    legend->setBorderPen(Qt::NoPen);
    legend->setBrush(Qt::NoBrush);
    legend->setRowSpacing(0);
    legend->setIconSize(QSize(24, 9));
    legend->setMargins(QMargins(2, 0, 2, 2));
    legend->setVisible(true);
    plot.plotLayout()->setRowStretchFactor(1, 0.001);
    plot.plotLayout()->setRowSpacing(2);

    bool anyPoint = false;
    std::size_t longest = 0;
    for (const PlotLine& line : figure.lines) longest = std::max(longest, line.x.size());
    // A long series is drawn as lines alone: markers and error bars of many thousand points only
    // cover one another, and take minutes and hundreds of megabytes to draw as SVG.
    const bool marked = longest <= kMostMarkedPoints;
    for (std::size_t n = 0; n < figure.lines.size(); ++n) {
        const PlotLine& line = figure.lines[n];
        const QColor colour = colourOf(line.colour);
        auto* curve = new QCPCurve(plot.xAxis, plot.yAxis);
        curve->setName(qText(line.name));
        // A line alone is one device pixel wide: wider lines through thousands of corners take
        // minutes to fill into a picture.
        QPen pen(colour, 1.2);
        if (!marked) {
            pen.setWidthF(0);
            pen.setCosmetic(true);
        }
        curve->setPen(pen);
        curve->setScatterStyle(marked ? QCPScatterStyle(markerOf(n), colour, colour, 5)
                                      : QCPScatterStyle(QCPScatterStyle::ssNone));
        QVector<double> t, x, y, esd;
        bool anyEsd = false;
        for (const std::size_t k : drawnPoints(line, marked)) {
            t.push_back(static_cast<double>(k));
            x.push_back(line.x[k]);
            y.push_back(line.y[k]);
            esd.push_back(line.esd[k]);
            anyEsd = anyEsd || (marked && line.esd[k] > 0.0f);
        }
        curve->setData(t, x, y, true);
        anyPoint = anyPoint || !x.isEmpty();
        if (anyEsd) {
            auto* bars = new QCPErrorBars(plot.xAxis, plot.yAxis);
            bars->setName(qText(line.name) + QStringLiteral(" esd"));
            bars->removeFromLegend();
            bars->setDataPlottable(curve);
            bars->setData(esd);
            bars->setPen(QPen(colour, 0.8));
            bars->setWhiskerWidth(4);
        }
    }

    // The caption says why a long series has no markers and no error bars.
    if (!marked) {
        auto* caption = new QCPTextElement(&plot,
                                           QStringLiteral("Lines only (%1 points): markers and error bars\n"
                                                          "are drawn for up to %2 points.")
                                               .arg(longest)
                                               .arg(kMostMarkedPoints),
                                           fonts.legend);
        caption->setMargins(QMargins(2, 0, 2, 2));
        plot.plotLayout()->addElement(2, 0, caption);
        plot.plotLayout()->setRowStretchFactor(2, 0.001);
    }

    // Short names (a, b, c, V) share one row; long ones take a row each.
    const bool shortNames =
        std::all_of(figure.lines.begin(), figure.lines.end(), [](const PlotLine& l) { return l.name.size() <= 3; });
    if (shortNames) {
        legend->setFillOrder(QCPLayoutGrid::foColumnsFirst);
        legend->setWrap(static_cast<int>(figure.lines.size()));
        legend->setColumnSpacing(12);
    }

    if (shortNames && legend->columnCount() > 1) {
        // Entries side by side at the left; the room left over goes to the last column.
        QList<double> stretch(legend->columnCount(), 0.001);
        stretch.last() = 1.0;
        legend->setColumnStretchFactors(stretch);
    }

    plot.rescaleAxes();
    QCPRange xRange = plot.xAxis->range();
    QCPRange yRange = plot.yAxis->range();
    if (!anyPoint) xRange = yRange = QCPRange(0.0, 1.0);
    if (figure.zeroLine) {
        // Zero always in view: whether a coefficient changes sign is the first thing to see.
        yRange.expand(0.0);
        auto* zero = new QCPItemStraightLine(&plot);
        zero->setClipAxisRect(rect);
        zero->point1->setAxes(plot.xAxis, plot.yAxis);
        zero->point2->setAxes(plot.xAxis, plot.yAxis);
        zero->point1->setCoords(0.0, 0.0);
        zero->point2->setCoords(1.0, 0.0);
        zero->setPen(QPen(QColor(0x70, 0x70, 0x70), 0.8, Qt::DashLine));
        zero->setLayer(QStringLiteral("grid"));
    }
    plot.xAxis->setRange(padded(xRange));
    plot.yAxis->setRange(padded(yRange));
}
