#include "plots/draw/figure_plot.hpp"

#include <qcustomplot.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <map>
#include <memory>
#include <vector>

#include "plots/data/plot_data.hpp"
#include "plots/data/plot_ranges.hpp"
#include "plots/draw/coinciding_lines.hpp"
#include "plots/draw/label_space.hpp"
#include "plots/draw/legend_item.hpp"
#include "plots/draw/line_thinning.hpp"
#include "plots/draw/outlier_labels.hpp"
#include "plots/draw/plot_style.hpp"

namespace {

const QColor kZeroLine(0x70, 0x70, 0x70);
constexpr const char* kFitLayer = "fits";  // above the points ("main"), below the axes

// Tick labels with a true minus sign (U+2212) rather than a hyphen, and as many ticks as the
// axis has room for, so that labels of a small panel never run into each other.
class MinusTicker final : public QCPAxisTicker {
public:
    explicit MinusTicker(const QCPAxis* axis) : axis_(axis) {}

    void generate(const QCPRange& range, const QLocale& locale, QChar formatChar, int precision,
                  QVector<double>& ticks, QVector<double>* subTicks, QVector<QString>* tickLabels) override {
        const QFontMetricsF m(axis_->tickLabelFont());
        const bool vertical = axis_->orientation() == Qt::Vertical;
        const double length = vertical ? axis_->axisRect()->height() : axis_->axisRect()->width();
        // A label takes a line in height and some six digits in width, with room between.
        const double room = vertical ? m.height() * 1.8 : m.horizontalAdvance(QStringLiteral("−0.000")) * 1.6;
        int count = length > 0.0 ? std::clamp(static_cast<int>(length / room), 3, vertical ? 6 : 8) : 5;
        for (;;) {
            setTickCount(count);
            QCPAxisTicker::generate(range, locale, formatChar, precision, ticks, subTicks, tickLabels);
            // The ticker rounds its step to a nice number, which may bring more labels than asked
            // for; in a small panel those touch. Fewer, until they stand apart (at least two).
            if (count <= 2 || length <= 0.0 || ticks.size() < 2 || !tickLabels) break;
            const double spacing = length * (ticks[1] - ticks[0]) / range.size();
            double needed = 0.0;
            for (const QString& label : *tickLabels)
                needed = std::max(needed, vertical ? m.height() * 1.25 : m.horizontalAdvance(label) + m.height());
            if (spacing >= needed) break;
            // Fewer ticks may leave one label, which gives no scale: keep these ticks and label
            // every other one instead.
            QVector<double> fewer;
            QVector<QString> fewerLabels;
            setTickCount(count - 1);
            QCPAxisTicker::generate(range, locale, formatChar, precision, fewer, nullptr, &fewerLabels);
            setTickCount(count);
            if (fewer.size() < 2) {
                labelEveryOther(*tickLabels);
                break;
            }
            --count;
        }
    }

private:
    // Blanks every other label, keeping the first and, with an odd number, the last.
    static void labelEveryOther(QVector<QString>& labels) {
        for (qsizetype k = 1; k < labels.size(); k += 2) labels[k].clear();
    }

protected:
    QString getTickLabel(double tick, const QLocale& locale, QChar formatChar, int precision) override {
        QString text = QCPAxisTicker::getTickLabel(tick, locale, formatChar, precision);
        // A label with an exponent is split by the axis painter at its "e": leave it as it is.
        if (!text.contains(QLatin1Char('e'), Qt::CaseInsensitive)) text.replace(QLatin1Char('-'), QChar(0x2212));
        return text;
    }

private:
    const QCPAxis* axis_;
};

// A text under the plot, wrapped to the plot's width: as many lines as it needs, none cut off.
class WrappedText final : public QCPLayoutElement {
public:
    WrappedText(QCustomPlot* plot, QString text, QFont font) : QCPLayoutElement(plot), text_(std::move(text)), font_(font) {
        setMargins(QMargins(4, 0, 4, 3));
        fitTo(plot->viewport().width());
    }

    void update(UpdatePhase phase) override {
        // The height follows the width the layout gave last time; a change shows at the next replot
        // (an export lays the plot out twice).
        if (phase == upPreparation && mOuterRect.width() > 0 && fitTo(mOuterRect.width()) && parentPlot()->isVisible())
            parentPlot()->replot(QCustomPlot::rpQueuedReplot);
        QCPLayoutElement::update(phase);
    }

protected:
    void draw(QCPPainter* painter) override {
        painter->setFont(font_);
        painter->setPen(Qt::black);
        painter->drawText(rect(), Qt::TextWordWrap | Qt::AlignLeft | Qt::AlignTop, text_);
    }

private:
    bool fitTo(int outerWidth) {
        const int width = std::max(40, outerWidth - margins().left() - margins().right());
        const QRectF needed = QFontMetricsF(font_).boundingRect(QRectF(0, 0, width, 1e6), Qt::TextWordWrap, text_);
        const int height = static_cast<int>(std::ceil(needed.height())) + margins().top() + margins().bottom();
        if (height == minimumSize().height()) return false;
        setMinimumSize(0, height);
        setMaximumSize(QWIDGETSIZE_MAX, height);
        return true;
    }

    QString text_;
    QFont font_;
};

// A marker shape per colour, so that an axis keeps its marker in every plot and the lines stay
// apart in greyscale.
QCPScatterStyle::ScatterShape markerOf(PlotColour colour) {
    static constexpr QCPScatterStyle::ScatterShape kShapes[] = {
        QCPScatterStyle::ssDisc, QCPScatterStyle::ssSquare, QCPScatterStyle::ssTriangle, QCPScatterStyle::ssDiamond};
    return kShapes[static_cast<std::size_t>(colour) % 4];
}

void styleAxis(QCPAxis* axis, const PlotFonts& fonts) {
    axis->setTicker(QSharedPointer<QCPAxisTicker>(new MinusTicker(axis)));
    axis->setTickLabelFont(fonts.tickLabels);
    axis->setLabelFont(fonts.axisLabels);
    axis->setNumberFormat(QStringLiteral("g"));
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

QCPRange rangeOf(const ValueSpan& span) { return span.empty() ? QCPRange(0.0, 1.0) : QCPRange(span.low, span.high); }

ValueSpan xExtent(const Figure& figure) {
    ValueSpan x;
    for (const PlotPanel& panel : figure.panels) {
        for (const PlotLine& line : panel.lines)
            for (std::size_t k = 0; k < line.x.size(); ++k) {
                const double e = k < line.xEsd.size() && std::isfinite(line.xEsd[k]) ? line.xEsd[k] : 0.0;
                x.add(line.x[k] - e);
                x.add(line.x[k] + e);
            }
        for (const FittedCurve& curve : panel.curves)
            for (const double v : curve.x) x.add(v);
    }
    return x;
}

QCPRange yRangeOf(const PlotPanel& panel) {
    if (panel.yRange) return padded(QCPRange((*panel.yRange)[0] * panel.scale, (*panel.yRange)[1] * panel.scale));
    ValueSpan y;
    for (const PlotLine& line : panel.lines)
        for (std::size_t k = 0; k < line.y.size(); ++k) {
            const double e = k < line.esd.size() && std::isfinite(line.esd[k]) ? line.esd[k] : 0.0;
            y.add((line.y[k] - e) * panel.scale);
            y.add((line.y[k] + e) * panel.scale);
        }
    for (const FittedCurve& curve : panel.curves)
        for (std::size_t k = 0; k < curve.y.size(); ++k) {
            const double e = k < curve.esd.size() ? curve.esd[k] : 0.0;
            y.add((curve.y[k] - e) * panel.scale);
            y.add((curve.y[k] + e) * panel.scale);
        }
    if (panel.zeroLine) y.add(0.0);  // whether a value changes sign is the first thing to see
    return padded(rangeOf(y));
}

void arrangeOutlierValues(QCustomPlot& plot, QCPAxisRect* rect);

// A panel that sets out its outliers' values once its size is known, in the window as in a file.
class PanelRect final : public QCPAxisRect {
public:
    explicit PanelRect(QCustomPlot* plot) : QCPAxisRect(plot) {}

    void update(UpdatePhase phase) override {
        QCPAxisRect::update(phase);
        if (phase == upLayout) arrangeOutlierValues(*parentPlot(), this);
    }
};

QCPAxisRect* panelRect(QCustomPlot& plot, const PlotFonts& fonts) {
    auto* rect = new PanelRect(&plot);
    for (QCPAxis* axis : rect->axes()) styleAxis(axis, fonts);
    rect->setupFullAxesBox(true);  // a closed frame; the top and right axes carry no labels
    rect->setRangeDrag(Qt::Horizontal | Qt::Vertical);
    rect->setRangeZoom(Qt::Horizontal | Qt::Vertical);
    return rect;
}

// A value single precision could not hold (infinite) is a gap in its line; an esd it could not
// hold, no error bar.
double shownValue(double value) { return std::isfinite(value) ? value : std::numeric_limits<double>::quiet_NaN(); }
double shownEsd(double esd) { return std::isfinite(esd) && esd > 0.0 ? esd : 0.0; }

// The size of the marks of a figure. A few dozen points take full-size markers; in a dense
// series (a couple of hundred points and more) full-size markers and whiskers run into a band
// that hides the points and the curve through them, so markers shrink with the spacing of the
// points, down to a size that still tells the shapes apart, and error bars lose their ends and
// step back in a lighter tone; the fitted curves, drawn over the points, take a darker shade of
// their colour, or they vanish into points of the same colour.
struct MarkSizes {
    double marker = 5.0;   // diameter of a marker
    double whisker = 4.0;  // width of an error bar's end
    double bar = 0.8;      // pen of an error bar
    int barAlpha = 255;    // opacity of an error bar's colour
    double join = 1.2;     // pen of the line that joins the markers
    int fitShade = 100;    // QColor::darker factor of a fitted curve's colour: 100 keeps it
};

MarkSizes marksFor(std::size_t points) {
    constexpr double kSparse = 50.0;  // up to this many points, marks at full size
    MarkSizes m;
    const double n = static_cast<double>(points);
    if (n <= kSparse) return m;
    m.marker = std::max(2.0, m.marker * std::sqrt(kSparse / n));
    m.whisker = n > 2.0 * kSparse ? 0.0 : m.whisker * std::sqrt(kSparse / n);
    m.bar = 0.5;
    m.barAlpha = n > 2.0 * kSparse ? 120 : 255;
    m.join = 0.8;
    m.fitShade = 170;
    return m;
}

// `marked`: markers and error bars at every point; otherwise (a long series) a line alone, one
// device pixel wide, joined whatever the line asks, since a line is all that is drawn. A line
// that coincides with one drawn before (`over`) has open markers, larger than the filled ones
// beneath, and a dashed join, so that both show.
void addLine(QCPAxisRect* rect, const PlotLine& line, double scale, bool marked, const MarkSizes& marks,
             const PlotLine* over) {
    QCPAxis* x = rect->axis(QCPAxis::atBottom);
    QCPAxis* y = rect->axis(QCPAxis::atLeft);
    const QColor colour = colourOf(line.colour);
    auto* curve = new QCPCurve(x, y);
    curve->setName(qNotation(over ? coincidingName(line.name, over->name) : line.name));
    if (!line.inLegend) curve->removeFromLegend();
    if (marked) {
        curve->setPen(line.joined ? QPen(colour, marks.join, over ? Qt::DashLine : Qt::SolidLine) : QPen(Qt::NoPen));
        if (!line.joined) curve->setLineStyle(QCPCurve::lsNone);
        const QCPScatterStyle::ScatterShape shape = markerOf(line.colour);
        curve->setScatterStyle(over ? QCPScatterStyle(shape, QPen(colour, 1.2), Qt::NoBrush, marks.marker * 1.7)
                                    : QCPScatterStyle(shape, colour, colour, marks.marker));
    } else if (over) {
        QPen pen(colour, 0, Qt::DashLine);
        pen.setCosmetic(true);
        curve->setPen(pen);
        curve->setScatterStyle(QCPScatterStyle(QCPScatterStyle::ssNone));
    } else {
        // Wider lines through thousands of corners take minutes to fill into a picture.
        QPen pen(colour, 0);
        pen.setCosmetic(true);
        curve->setPen(pen);
        curve->setScatterStyle(QCPScatterStyle(QCPScatterStyle::ssNone));
    }
    QVector<double> t, xs, ys, esd, xEsd;
    bool anyEsd = false, anyXEsd = false;
    for (const std::size_t k : drawnPoints(line.y, marked)) {
        t.push_back(static_cast<double>(k));
        xs.push_back(shownValue(line.x[k]));
        ys.push_back(shownValue(line.y[k] * scale));
        const double e = marked && k < line.esd.size() ? shownEsd(line.esd[k] * scale) : 0.0;
        esd.push_back(e);
        anyEsd = anyEsd || e > 0.0;
        const double ex = marked && k < line.xEsd.size() ? shownEsd(line.xEsd[k]) : 0.0;
        xEsd.push_back(ex);
        anyXEsd = anyXEsd || ex > 0.0;
    }
    curve->setData(t, xs, ys, true);
    const auto bars = [&](QCPErrorBars::ErrorType type, const QVector<double>& values, const QString& suffix) {
        auto* b = new QCPErrorBars(x, y);
        b->setName(qNotation(line.name) + suffix);
        b->removeFromLegend();
        b->setDataPlottable(curve);
        b->setErrorType(type);
        b->setData(values);
        QColor barColour = colour;
        barColour.setAlpha(marks.barAlpha);
        b->setPen(QPen(barColour, marks.bar));
        b->setWhiskerWidth(marks.whisker);
    };
    if (anyEsd) bars(QCPErrorBars::etValueError, esd, QStringLiteral(" esd"));
    if (anyXEsd) bars(QCPErrorBars::etKeyError, xEsd, QStringLiteral(" x esd"));
}

void addCurve(QCPAxisRect* rect, const FittedCurve& fitted, double scale, QCPLegend* legend, const MarkSizes& marks) {
    QCPAxis* x = rect->axis(QCPAxis::atBottom);
    QCPAxis* y = rect->axis(QCPAxis::atLeft);
    const QColor colour = colourOf(fitted.colour);
    QVector<double> xs, ys, low, high;
    bool band = false;
    // A curve sampled at every point of a long series is drawn through as many corners as a line.
    for (const std::size_t k : drawnPoints(fitted.y, false)) {
        xs.push_back(fitted.x[k]);
        ys.push_back(fitted.y[k] * scale);
        const double e = k < fitted.esd.size() && std::isfinite(fitted.esd[k]) ? fitted.esd[k] * scale : 0.0;
        low.push_back(ys.back() - e);
        high.push_back(ys.back() + e);
        band = band || e > 0.0;
    }
    if (band) {
        // The band between two lines without pens: ± one esd of the fitted value.
        auto* lower = new QCPGraph(x, y);
        auto* upper = new QCPGraph(x, y);
        for (QCPGraph* g : {lower, upper}) {
            g->setPen(Qt::NoPen);
            g->removeFromLegend();
            g->setName(qNotation(fitted.name) + QStringLiteral(" band"));
        }
        lower->setData(xs, low, true);
        upper->setData(xs, high, true);
        QColor fill = colour;
        fill.setAlpha(48);
        upper->setBrush(fill);
        upper->setChannelFillGraph(lower);
    }
    auto* line = new QCPGraph(x, y);
    // Over the points, so that a dense series does not hide the fit; its band stays beneath.
    line->setLayer(QString::fromLatin1(kFitLayer));
    line->setData(xs, ys, true);
    line->setPen(QPen(colour.darker(marks.fitShade), 1.0, fitted.dashed ? Qt::DashLine : Qt::SolidLine));
    line->setName(qNotation(fitted.name));
    if (fitted.name.empty() || !legend) line->removeFromLegend();
    // Where the curve leaves the range shown: a triangle on the edge, pointing the way it goes.
    for (const CurveExit& exit : fitted.exits) {
        auto* mark = new QCPGraph(x, y);
        mark->setLayer(QString::fromLatin1(kFitLayer));
        mark->setData(QVector<double>{exit.x}, QVector<double>{exit.y * scale}, true);
        mark->setLineStyle(QCPGraph::lsNone);
        mark->setScatterStyle(QCPScatterStyle(exit.upward ? QCPScatterStyle::ssTriangle : QCPScatterStyle::ssTriangleInverted,
                                              colour, colour, 7));
        mark->setName(qNotation(fitted.name) + QStringLiteral(" leaves the range"));
        mark->removeFromLegend();
    }
}

// Points beyond a panel's chosen y range: an arrow at the edge and the value beside it.
void addOutlierArrows(QCustomPlot& plot, QCPAxisRect* rect, const PlotPanel& panel, const PlotFonts& fonts) {
    if (!panel.yRange) return;
    QCPAxis* x = rect->axis(QCPAxis::atBottom);
    QCPAxis* y = rect->axis(QCPAxis::atLeft);
    const QCPRange shown = y->range();
    for (const PlotLine& line : panel.lines) {
        for (std::size_t k = 0; k < line.y.size(); ++k) {
            const double value = line.y[k] * panel.scale;
            if (!std::isfinite(value) || shown.contains(value)) continue;
            const bool above = value > shown.upper;
            const QColor colour = colourOf(line.colour);
            auto* arrow = new QCPItemLine(&plot);
            arrow->setClipAxisRect(rect);
            for (QCPItemPosition* p : {arrow->start, arrow->end}) {
                p->setAxes(x, y);
                p->setAxisRect(rect);
                p->setTypeX(QCPItemPosition::ptPlotCoords);
                p->setTypeY(QCPItemPosition::ptAxisRectRatio);
            }
            arrow->start->setCoords(line.x[k], above ? 0.11 : 0.89);
            arrow->end->setCoords(line.x[k], above ? 0.01 : 0.99);
            arrow->setHead(QCPLineEnding(QCPLineEnding::esSpikeArrow, 7, 8));
            arrow->setPen(QPen(colour, 1.2));
            arrow->setProperty("outlierValue", value);

            auto* text = new QCPItemText(&plot);
            text->setClipAxisRect(rect);
            text->position->setAxes(x, y);
            text->position->setAxisRect(rect);
            text->position->setTypeX(QCPItemPosition::ptPlotCoords);
            text->position->setTypeY(QCPItemPosition::ptAxisRectRatio);
            text->position->setCoords(line.x[k], above ? 0.01 : 0.99);
            text->setPositionAlignment(Qt::AlignLeft | (above ? Qt::AlignTop : Qt::AlignBottom));
            text->setPadding(QMargins(1, 0, 1, 0));
            // A light ground, so that error bars and markers behind the value do not cross it.
            text->setBrush(QColor(255, 255, 255, 200));
            text->setFont(fonts.tickLabels);
            text->setColor(colour);
            text->setText(QLocale::c().toString(value, 'g', 3).replace(QLatin1Char('-'), QChar(0x2212)));
            text->setProperty("outlierValue", value);
            text->setProperty("outlierAbove", above);
            text->setProperty("outlierX", static_cast<double>(line.x[k]));
            text->setProperty("outlierArrow", QVariant::fromValue<QObject*>(arrow));
        }
    }
}

// Hides the arrows of outliers that the current range shows.
void updateOutliers(QCustomPlot& plot) {
    for (int i = 0; i < plot.itemCount(); ++i) {
        QCPAbstractItem* item = plot.item(i);
        const QVariant value = item->property("outlierValue");
        if (!value.isValid() || !item->clipAxisRect()) continue;
        const QCPRange shown = item->clipAxisRect()->axis(QCPAxis::atLeft)->range();
        item->setVisible(!shown.contains(value.toDouble()));
    }
}

// What a value beside an outlier's arrow must not cover: the markers and error bars of a panel,
// in pixels of the current layout.
LabelSpace pointsOf(QCustomPlot& plot, QCPAxisRect* rect) {
    LabelSpace space(rect->rect());
    for (int i = 0; i < plot.plottableCount(); ++i) {
        QCPAbstractPlottable* plottable = plot.plottable(i);
        if (!plottable->keyAxis() || plottable->keyAxis()->axisRect() != rect) continue;
        if (auto* curve = qobject_cast<QCPCurve*>(plottable)) {
            const double half = curve->scatterStyle().isNone() ? 0.0 : curve->scatterStyle().size() / 2.0;
            if (half <= 0.0) continue;
            for (auto it = curve->data()->constBegin(); it != curve->data()->constEnd(); ++it) {
                const QPointF at = curve->coordsToPixels(it->key, it->value);
                space.addPolygon(QPolygonF(QRectF(at.x() - half, at.y() - half, 2.0 * half, 2.0 * half)));
            }
        } else if (auto* bars = qobject_cast<QCPErrorBars*>(plottable)) {
            QCPPlottableInterface1D* points = bars->dataPlottable() ? bars->dataPlottable()->interface1D() : nullptr;
            if (!points) continue;
            const bool vertical = bars->errorType() == QCPErrorBars::etValueError;
            for (int k = 0; k < bars->dataCount() && k < points->dataCount(); ++k) {
                const double key = points->dataMainKey(k);
                const double value = points->dataMainValue(k);
                const QCPErrorBarsData& e = bars->data()->at(k);
                const QPointF from = vertical ? bars->coordsToPixels(key, value - e.errorMinus)
                                              : bars->coordsToPixels(key - e.errorMinus, value);
                const QPointF to = vertical ? bars->coordsToPixels(key, value + e.errorPlus)
                                            : bars->coordsToPixels(key + e.errorPlus, value);
                if (from != to) space.addSegment(QLineF(from, to));
            }
        }
    }
    return space;
}

// The arrows and values of the outliers shown in a panel, set apart in pixels of the current
// layout (outlier_labels.hpp), so that they stay apart whatever the zoom.
void arrangeOutlierValues(QCustomPlot& plot, QCPAxisRect* rect) {
    std::vector<QCPItemText*> texts;
    std::vector<OutlierSpot> spots;
    for (int i = 0; i < plot.itemCount(); ++i) {
        auto* text = qobject_cast<QCPItemText*>(plot.item(i));
        if (!text || text->clipAxisRect() != rect || !text->property("outlierAbove").isValid()) continue;
        // The arrow shows whether the point lies beyond the range shown; the value may have
        // been left out for want of room at the last layout.
        auto* arrow = qobject_cast<QCPItemLine*>(text->property("outlierArrow").value<QObject*>());
        if (!arrow || !arrow->visible()) continue;
        OutlierSpot spot;
        spot.x = rect->axis(QCPAxis::atBottom)->coordToPixel(text->property("outlierX").toDouble());
        spot.above = text->property("outlierAbove").toBool();
        const QFontMetricsF metrics(text->font());
        spot.label = QSizeF(metrics.horizontalAdvance(text->text()) + text->padding().left() + text->padding().right(),
                            metrics.height() + text->padding().top() + text->padding().bottom());
        const QCPRange shown = rect->axis(QCPAxis::atLeft)->range();
        const double value = text->property("outlierValue").toDouble();
        spot.beyond = spot.above ? value - shown.upper : shown.lower - value;
        texts.push_back(text);
        spots.push_back(spot);
    }
    if (spots.empty()) return;
    LabelSpace space = pointsOf(plot, rect);
    arrangeOutliers(rect->rect(), spots, space);
    for (std::size_t k = 0; k < spots.size(); ++k) {
        if (auto* arrow = qobject_cast<QCPItemLine*>(texts[k]->property("outlierArrow").value<QObject*>())) {
            for (QCPItemPosition* p : {arrow->start, arrow->end}) {
                p->setTypeX(QCPItemPosition::ptAbsolute);
                p->setCoords(spots[k].arrowX, p->coords().y());
            }
        }
        texts[k]->setVisible(spots[k].labelled);
        texts[k]->setPositionAlignment(Qt::AlignLeft | Qt::AlignTop);
        texts[k]->position->setType(QCPItemPosition::ptAbsolute);
        texts[k]->position->setCoords(spots[k].labelBox.topLeft());
    }
}

}  // namespace

std::vector<QCPAxisRect*> showFigure(QCustomPlot& plot, const Figure& figure, const PlotFonts& fonts) {
    plot.clearPlottables();
    plot.clearItems();
    plot.plotLayout()->clear();
    plot.setLocale(QLocale::c());  // decimal points, as in the report, whatever the desktop
    plot.setAntialiasedElements(QCP::aeAll);

    const int columns = std::max(1, figure.columns);
    const int panelCount = static_cast<int>(figure.panels.size());
    auto* grid = new QCPLayoutGrid;
    plot.plotLayout()->addElement(0, 0, grid);
    grid->setColumnSpacing(6);
    grid->setRowSpacing(2);

    std::vector<QCPAxisRect*> rects;
    for (int n = 0; n < std::max(1, panelCount); ++n) {
        QCPAxisRect* rect = panelRect(plot, fonts);
        grid->addElement(n / columns, n % columns, rect);
        rects.push_back(rect);
    }
    // Panels side by side line up their plot areas, whatever the widths of their tick labels.
    if (rects.size() > 1) {
        auto* group = new QCPMarginGroup(&plot);
        for (QCPAxisRect* rect : rects) rect->setMarginGroup(QCP::msLeft | QCP::msRight, group);
    }
    plot.xAxis = rects.front()->axis(QCPAxis::atBottom);
    plot.yAxis = rects.front()->axis(QCPAxis::atLeft);
    plot.xAxis2 = rects.front()->axis(QCPAxis::atTop);
    plot.yAxis2 = rects.front()->axis(QCPAxis::atRight);

    // The legend below the plots, one entry per line, so that long names never cover data.
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
    legend->setRowSpacing(1);
    legend->setIconSize(QSize(24, 9));
    legend->setMargins(QMargins(2, 1, 2, 5));  // room below for the descenders of the last line
    legend->setVisible(true);

    // A long series is drawn as lines alone: markers and error bars of thousands of points only
    // cover one another, and take minutes and hundreds of megabytes to draw as SVG.
    std::size_t longest = 0;
    for (const PlotPanel& panel : figure.panels)
        for (const PlotLine& line : panel.lines) longest = std::max(longest, line.x.size());
    const bool marked = longest <= kMostMarkedPoints;
    const MarkSizes marks = marksFor(longest);
    if (!plot.layer(QString::fromLatin1(kFitLayer)))
        plot.addLayer(QString::fromLatin1(kFitLayer), plot.layer(QStringLiteral("main")), QCustomPlot::limAbove);

    const QCPRange xShown = padded(rangeOf(xExtent(figure)));
    for (int n = 0; n < panelCount; ++n) {
        const PlotPanel& panel = figure.panels[static_cast<std::size_t>(n)];
        QCPAxisRect* rect = rects[static_cast<std::size_t>(n)];
        rect->axis(QCPAxis::atLeft)->setLabel(qNotation(panel.yLabel));
        // The x label under the lowest panel of each column only.
        if (n + columns >= panelCount) rect->axis(QCPAxis::atBottom)->setLabel(qNotation(figure.xLabel));
        for (const FittedCurve& curve : panel.curves) addCurve(rect, curve, panel.scale, legend, marks);
        const auto over = coincidingLines(panel, xShown.size(), yRangeOf(panel).size());
        for (std::size_t k = 0; k < panel.lines.size(); ++k)
            addLine(rect, panel.lines[k], panel.scale, marked, marks, over[k] ? &panel.lines[*over[k]] : nullptr);
        if (panel.zeroLine) {
            auto* zero = new QCPItemStraightLine(&plot);
            zero->setClipAxisRect(rect);
            zero->point1->setAxes(rect->axis(QCPAxis::atBottom), rect->axis(QCPAxis::atLeft));
            zero->point2->setAxes(rect->axis(QCPAxis::atBottom), rect->axis(QCPAxis::atLeft));
            zero->point1->setCoords(0.0, 0.0);
            zero->point2->setCoords(1.0, 0.0);
            zero->setPen(QPen(kZeroLine, 0.8, Qt::DashLine));
            zero->setLayer(QStringLiteral("grid"));
        }
    }
    if (!figure.fitLegend.empty()) {
        // One entry for the fitted curves of every panel.
        auto* entry = new QCPGraph(rects.front()->axis(QCPAxis::atBottom), rects.front()->axis(QCPAxis::atLeft));
        entry->setName(qNotation(figure.fitLegend));
        entry->setPen(QPen(colourOf(PlotColour::fit), 1.0));
        QColor fill = colourOf(PlotColour::fit);
        fill.setAlpha(48);
        entry->setBrush(fill);
    }

    useWholeTextItems(*legend);
    // Short names (a, b, c, V) share one row; long ones take a row each.
    bool shortNames = true;
    for (int i = 0; i < legend->itemCount(); ++i) {
        auto* item = qobject_cast<QCPPlottableLegendItem*>(legend->item(i));
        if (item && item->plottable()->name().size() > 3) shortNames = false;
    }
    if (shortNames && legend->itemCount() > 1) {
        legend->setFillOrder(QCPLayoutGrid::foColumnsFirst);
        legend->setWrap(legend->itemCount());
        legend->setColumnSpacing(12);
        // Entries side by side at the left; the room left over goes to the last column.
        QList<double> stretch(legend->columnCount(), 0.001);
        stretch.last() = 1.0;
        legend->setColumnStretchFactors(stretch);
    }
    int row = 2;
    if (legend->itemCount() == 0) {
        // Nothing for a legend to name: no row for it either.
        plot.plotLayout()->remove(legendRow);
        plot.plotLayout()->simplify();
        plot.legend = nullptr;
        row = 1;
    }
    QString caption = qNotation(figure.caption);
    if (!marked) {
        // On a line of its own, after the figure's own caption: why there are no markers and no
        // error bars.
        if (!caption.isEmpty()) caption += QLatin1Char('\n');
        caption += QStringLiteral("Lines only (%1 points): markers and error bars are drawn for up to %2 points.")
                       .arg(longest)
                       .arg(kMostMarkedPoints);
    }
    if (!caption.isEmpty()) plot.plotLayout()->addElement(row++, 0, new WrappedText(&plot, caption, fonts.legend));
    QList<double> stretch(row, 0.001);
    stretch.first() = 1.0;
    plot.plotLayout()->setRowStretchFactors(stretch);
    plot.plotLayout()->setRowSpacing(2);

    resetFigureRanges(figure, rects);
    for (int n = 0; n < panelCount; ++n)
        addOutlierArrows(plot, rects[static_cast<std::size_t>(n)], figure.panels[static_cast<std::size_t>(n)], fonts);
    for (QCPAxisRect* rect : rects) {
        QObject::connect(rect->axis(QCPAxis::atLeft), qOverload<const QCPRange&>(&QCPAxis::rangeChanged), &plot,
                         [&plot] { updateOutliers(plot); });
    }
    return rects;
}

void resetFigureRanges(const Figure& figure, const std::vector<QCPAxisRect*>& rects) {
    const QCPRange x = padded(rangeOf(xExtent(figure)));
    for (std::size_t n = 0; n < rects.size(); ++n) {
        rects[n]->axis(QCPAxis::atBottom)->setRange(x);
        const QCPRange y = n < figure.panels.size() ? yRangeOf(figure.panels[n]) : QCPRange(0.0, 1.0);
        rects[n]->axis(QCPAxis::atLeft)->setRange(y);
    }
}
