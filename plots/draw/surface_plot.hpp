#pragma once
// The representation surface of one calculation: its three principal sections as polar curves and
// a 3-D view, the positive and negative values in two colours, the crystal axes as arrows.
#include <qcustomplot.h>

#include "plots/data/plot_data.hpp"
#include "plots/draw/plot_style.hpp"

// The 3-D view, as a cell of the plot's layout so that it is exported with the sections. Turned
// by dragging with the mouse when `turnable`; exported files use the fixed oblique view.
class SurfaceView final : public QCPLayoutElement {
    Q_OBJECT

public:

    SurfaceView(QCustomPlot* plot, const SurfaceData& surface, const PlotFonts& fonts, double radius, bool turnable);

    double azimuth() const { return azimuth_; }
    double elevation() const { return elevation_; }
    void setView(double azimuth, double elevation);

protected:
    void draw(QCPPainter* painter) override;
    void applyDefaultAntialiasingHint(QCPPainter* painter) const override;
    void mousePressEvent(QMouseEvent* event, const QVariant& details) override;
    void mouseMoveEvent(QMouseEvent* event, const QPointF& startPos) override;

private:
    const SurfaceData& surface_;
    PlotFonts fonts_;
    double radius_;  // the value that the drawing's radius stands for
    bool turnable_;
    double azimuth_ = SurfaceViewAngles{}.azimuth;
    double elevation_ = SurfaceViewAngles{}.elevation;
    QPointF lastPos_;
};

// Replaces whatever the plot showed: a heading, the three sections and the 3-D view in rows of
// `panelsPerRow` (2 or 4), and a key in one or two rows, for a plot about `keyWidth` wide. The plot keeps a reference to `surface`, which must outlive
// what is shown. Returns the 3-D view (owned by the plot), or nullptr for an undefined tensor.
SurfaceView* showSurface(QCustomPlot& plot, const SurfaceData& surface, const PlotFonts& fonts, int panelsPerRow,
                         bool turnable, double keyWidth);

// The value that the radius of every panel stands for: the largest magnitude on the surface,
// rounded up to a whole number of the circles' steps.
double surfaceRadius(const SurfaceData& surface);
