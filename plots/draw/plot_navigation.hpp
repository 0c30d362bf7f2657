#pragma once
// Exploring a figure in the window: drag to pan and the wheel to zoom (each panel on its own, the
// panels of a figure sharing x), the keys + and − to zoom, the arrows to pan and 0 or Home to go
// back to the whole figure, and a readout of the point under the pointer.
#include <QObject>
#include <QSize>
#include <QString>
#include <functional>
#include <vector>

#include "plots/data/plot_data.hpp"

class QCustomPlot;
class QCPAxisRect;

class PlotNavigation final : public QObject {
    Q_OBJECT

public:
    // Follows `plot`, which shows `figure` in `rects` (from showFigure); both must outlive it or
    // be replaced with show() before use.
    explicit PlotNavigation(QCustomPlot& plot);

    void show(const Figure& figure, std::vector<QCPAxisRect*> rects);
    // The ranges showFigure chose.
    void reset();
    // Zooms every panel about its centre: factor below 1 zooms in.
    void zoom(double factor);
    // Pans every panel by a fraction of its x and y ranges.
    void pan(double dx, double dy);

    // The text for a point of the widget: the nearest measured point within a few pixels (its
    // line, x, value ± esd), else the coordinates under the pointer; empty outside the panels.
    QString readoutAt(QPointF pixel) const;

signals:
    void readoutChanged(const QString& text);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void linkXAxes();

    QCustomPlot& plot_;
    Figure figure_;
    std::vector<QCPAxisRect*> rects_;
    std::vector<QSize> lastSizes_;
    bool linking_ = false;
};
