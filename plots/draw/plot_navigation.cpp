#include "plots/draw/plot_navigation.hpp"

#include <QKeyEvent>
#include <QMouseEvent>
#include <qcustomplot.h>

#include <cmath>

#include "plots/draw/figure_plot.hpp"
#include "plots/draw/plot_style.hpp"

namespace {

constexpr double kNearPixels = 12.0;  // a point this close to the pointer is the one read out
constexpr double kZoomStep = 0.8;
constexpr double kPanStep = 0.1;

QString number(double value) {
    return QLocale::c().toString(value, 'g', 6).replace(QLatin1Char('-'), QChar(0x2212));
}

// "axis 2" of "axis 2: 80°, 52°, 128° to a, b, c".
QString shortName(const std::string& name) { return qText(name).section(QLatin1Char(':'), 0, 0); }

}  // namespace

PlotNavigation::PlotNavigation(QCustomPlot& plot) : QObject(&plot), plot_(plot) {
    plot_.setInteractions(QCP::iRangeDrag | QCP::iRangeZoom);
    plot_.setFocusPolicy(Qt::StrongFocus);
    plot_.setMouseTracking(true);
    plot_.installEventFilter(this);
    // The axes choose their ticks from the sizes the layout gave the time before: when the panels
    // changed size, once more.
    connect(&plot_, &QCustomPlot::afterLayout, this, [this] {
        std::vector<QSize> sizes;
        for (QCPAxisRect* rect : rects_) sizes.push_back(rect->rect().size());
        if (sizes != lastSizes_) {
            lastSizes_ = sizes;
            plot_.replot(QCustomPlot::rpQueuedReplot);
        }
    });
}

void PlotNavigation::show(const Figure& figure, std::vector<QCPAxisRect*> rects) {
    figure_ = figure;
    rects_ = std::move(rects);
    linkXAxes();
}

void PlotNavigation::linkXAxes() {
    // Panning or zooming one panel in x moves the others with it: they share T or P.
    for (QCPAxisRect* rect : rects_) {
        QCPAxis* x = rect->axis(QCPAxis::atBottom);
        connect(x, qOverload<const QCPRange&>(&QCPAxis::rangeChanged), this, [this, x](const QCPRange& range) {
            if (linking_) return;
            linking_ = true;
            for (QCPAxisRect* other : rects_)
                if (other->axis(QCPAxis::atBottom) != x) other->axis(QCPAxis::atBottom)->setRange(range);
            linking_ = false;
        });
    }
}

void PlotNavigation::reset() {
    resetFigureRanges(figure_, rects_);
    plot_.replot();
}

void PlotNavigation::zoom(double factor) {
    for (QCPAxisRect* rect : rects_) {
        rect->axis(QCPAxis::atBottom)->scaleRange(factor);
        rect->axis(QCPAxis::atLeft)->scaleRange(factor);
    }
    plot_.replot();
}

void PlotNavigation::pan(double dx, double dy) {
    for (QCPAxisRect* rect : rects_) {
        QCPAxis* x = rect->axis(QCPAxis::atBottom);
        QCPAxis* y = rect->axis(QCPAxis::atLeft);
        x->moveRange(dx * x->range().size());
        y->moveRange(dy * y->range().size());
    }
    plot_.replot();
}

QString PlotNavigation::readoutAt(QPointF pixel) const {
    for (std::size_t n = 0; n < rects_.size() && n < figure_.panels.size(); ++n) {
        QCPAxisRect* rect = rects_[n];
        if (!rect->rect().contains(pixel.toPoint())) continue;
        const PlotPanel& panel = figure_.panels[n];
        QCPAxis* x = rect->axis(QCPAxis::atBottom);
        QCPAxis* y = rect->axis(QCPAxis::atLeft);
        const PlotLine* nearestLine = nullptr;
        std::size_t nearest = 0;
        double best = kNearPixels;
        for (const PlotLine& line : panel.lines) {
            for (std::size_t k = 0; k < line.x.size(); ++k) {
                const double px = x->coordToPixel(line.x[k]), py = y->coordToPixel(line.y[k] * panel.scale);
                const double d = std::hypot(px - pixel.x(), py - pixel.y());
                if (d < best) {
                    best = d;
                    nearestLine = &line;
                    nearest = k;
                }
            }
        }
        const QString xLabel = qText(figure_.xLabel).section(QLatin1Char(','), 0, 0);
        const QString yLabel = qText(panel.yLabel);
        if (!nearestLine) {
            return QStringLiteral("%1 = %2,  %3 = %4")
                .arg(xLabel, number(x->pixelToCoord(pixel.x())), yLabel, number(y->pixelToCoord(pixel.y())));
        }
        const PlotLine& line = *nearestLine;
        QString value = number(line.y[nearest] * panel.scale);
        if (nearest < line.esd.size() && std::isfinite(line.esd[nearest]))
            value += QStringLiteral(" ± ") + number(line.esd[nearest] * panel.scale);
        QString xText = number(line.x[nearest]);
        if (nearest < line.xEsd.size() && std::isfinite(line.xEsd[nearest]))
            xText += QStringLiteral(" ± ") + number(line.xEsd[nearest]);
        return QStringLiteral("%1:  %2 = %3,  %4 = %5").arg(shortName(line.name), xLabel, xText, yLabel, value);
    }
    return {};
}

bool PlotNavigation::eventFilter(QObject* watched, QEvent* event) {
    if (watched != &plot_) return false;
    if (event->type() == QEvent::MouseMove) {
        emit readoutChanged(readoutAt(static_cast<QMouseEvent*>(event)->position()));
    } else if (event->type() == QEvent::Leave) {
        emit readoutChanged(QString());
    } else if (event->type() == QEvent::KeyPress) {
        switch (static_cast<QKeyEvent*>(event)->key()) {
        case Qt::Key_Plus:
        case Qt::Key_Equal: zoom(kZoomStep); return true;
        case Qt::Key_Minus: zoom(1.0 / kZoomStep); return true;
        case Qt::Key_Left: pan(-kPanStep, 0.0); return true;
        case Qt::Key_Right: pan(kPanStep, 0.0); return true;
        case Qt::Key_Up: pan(0.0, kPanStep); return true;
        case Qt::Key_Down: pan(0.0, -kPanStep); return true;
        case Qt::Key_0:
        case Qt::Key_Home: reset(); return true;
        default: break;
        }
    }
    return false;
}
