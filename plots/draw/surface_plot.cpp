#include "plots/draw/surface_plot.hpp"

#include <algorithm>
#include <cmath>
#include <numeric>

namespace {

constexpr double kPi = 3.14159265358979323846;
const QColor kGuide(0x9A, 0x9A, 0x9A);  // circles and principal axes
const QColor kArrow(0x30, 0x30, 0x30);  // crystal axes

// A step of 1, 2, 2.5 or 5 times a power of ten, so that about `count` steps reach `span`.
double niceStep(double span, int count) {
    if (!(span > 0.0)) return 1.0;
    const double raw = span / count;
    const double power = std::pow(10.0, std::floor(std::log10(raw)));
    for (const double m : {1.0, 2.0, 2.5, 5.0, 10.0})
        if (m * power >= raw) return m * power;
    return 10.0 * power;
}

QString numberLabel(double value) { return QLocale::c().toString(value, 'g', 4); }

void drawArrow(QCPPainter* painter, QPointF from, QPointF to, double head) {
    painter->drawLine(from, to);
    const QPointF d = to - from;
    const double length = std::hypot(d.x(), d.y());
    if (length < 1e-6) return;
    const QPointF u = d / length;
    const QPointF n(-u.y(), u.x());
    QPolygonF tip;
    tip << to << to - u * head + n * head * 0.4 << to - u * head - n * head * 0.4;
    painter->setBrush(painter->pen().color());
    painter->drawPolygon(tip);
    painter->setBrush(Qt::NoBrush);
}

// Text centred on a point.
void centredText(QCPPainter* painter, QPointF at, const QString& text) {
    const QFontMetricsF m(painter->font());
    const QRectF box(at.x() - m.horizontalAdvance(text) / 2.0 - 1.0, at.y() - m.height() / 2.0,
                     m.horizontalAdvance(text) + 2.0, m.height());
    painter->drawText(box, Qt::AlignCenter, text);
}

// Draws a closed curve in runs of one sign, each in its colour. A curve changes sign only where
// it passes through the origin, so the runs meet there.
void drawSignedCurve(QCPPainter* painter, const std::vector<QPointF>& points, const std::vector<float>& values,
                     double width) {
    const auto positive = [&](std::size_t k) { return values[k] + values[k + 1] >= 0.0f; };  // segment k to k + 1
    std::size_t start = 0;
    while (start + 1 < points.size()) {
        const bool sign = positive(start);
        std::size_t end = start + 1;
        while (end + 1 < points.size() && positive(end) == sign) ++end;
        QPolygonF run;
        for (std::size_t k = start; k <= end; ++k) run << points[k];
        painter->setPen(QPen(colourOf(sign ? PlotColour::positive : PlotColour::negative), width, Qt::SolidLine,
                             Qt::RoundCap, Qt::RoundJoin));
        painter->drawPolyline(run);
        start = end;
    }
}

// One principal section as a polar plot with circles of equal value.
class SectionView final : public QCPLayoutElement {
public:
    SectionView(QCustomPlot* plot, const SurfaceData& surface, int index, const PlotFonts& fonts, double radius)
        : QCPLayoutElement(plot), surface_(surface), index_(index), fonts_(fonts), radius_(radius) {}

protected:
    void applyDefaultAntialiasingHint(QCPPainter* painter) const override {
        painter->setRenderHint(QPainter::Antialiasing, true);
    }

    void draw(QCPPainter* painter) override {
        const SurfaceSection& s = surface_.sections[index_];
        const QString first = qText(surface_.axisNames[s.first]);
        const QString second = qText(surface_.axisNames[s.second]);
        const QRectF r = rect();
        painter->setFont(fonts_.tickLabels);
        const double line = QFontMetricsF(fonts_.tickLabels).height();
        painter->setPen(Qt::black);
        painter->drawText(QRectF(r.left(), r.top(), r.width(), line), Qt::AlignHCenter | Qt::AlignTop,
                          QStringLiteral("section %1–%2").arg(first, second));
        const QRectF area = r.adjusted(line * 1.5, line * 2.4, -line * 1.5, -line);
        const double pixels = std::max(10.0, std::min(area.width(), area.height()) / 2.0);
        const QPointF centre = area.center();
        const double scale = pixels / radius_;
        const auto toScreen = [&](double x, double y) {
            return QPointF(centre.x() + x * scale, centre.y() - y * scale);
        };

        // Circles of equal value; their labels go on last, over everything else.
        const double step = niceStep(radius_, 4);
        painter->setPen(QPen(kGuide, 0.5));
        std::vector<double> circles;
        for (double v = step; v <= radius_ * 1.0001; v += step) {
            painter->drawEllipse(centre, v * scale, v * scale);
            circles.push_back(v);
        }
        // The two principal axes of the plane.
        painter->setPen(QPen(kGuide, 0.7));
        painter->drawLine(toScreen(-radius_, 0.0), toScreen(radius_, 0.0));
        painter->drawLine(toScreen(0.0, -radius_), toScreen(0.0, radius_));
        painter->setPen(Qt::black);
        centredText(painter, toScreen(radius_, 0.0) + QPointF(line * 0.6, 0.0), first);
        centredText(painter, toScreen(0.0, radius_) - QPointF(0.0, line * 0.6), second);

        std::vector<QPointF> points;
        points.reserve(s.points.size());
        for (const auto& p : s.points) points.push_back(toScreen(p[0], p[1]));
        drawSignedCurve(painter, points, s.values, 1.6);

        // The crystal axes, as long as the radius where they lie in the plane.
        static const char* const kNames[3] = {"a", "b", "c"};
        for (int k = 0; k < 3; ++k) {
            const auto& p = s.crystalAxes[k];
            if (std::hypot(p[0], p[1]) < 0.2f) continue;  // nearly perpendicular to the plane
            painter->setPen(QPen(kArrow, 0.9));
            const QPointF tip = toScreen(p[0] * radius_, p[1] * radius_);
            drawArrow(painter, centre, tip, 5.0);
            const QPointF u = (tip - centre) / std::hypot(tip.x() - centre.x(), tip.y() - centre.y());
            // Beyond the tip; beside it where the principal axes' own labels stand, at the ends of
            // the first (right) and second (top) axis.
            constexpr double kNear = 0.978;  // cos 12°
            const bool onAxisEnd = u.x() > kNear || -u.y() > kNear;
            const QPointF at = onAxisEnd ? tip + QPointF(u.y(), -u.x()) * line * 0.8 : tip + u * line * 0.7;
            painter->setFont(fonts_.axisLabels);
            centredText(painter, at, QString::fromLatin1(kNames[k]));
            painter->setFont(fonts_.tickLabels);
        }

        // Labels of the circles along the diagonal farthest from every arrow, on a white ground so
        // that they stay readable.
        double labelAngle = kPi / 4.0;
        double widest = -1.0;
        for (const double candidate : {kPi / 4.0, 3.0 * kPi / 4.0, 5.0 * kPi / 4.0, 7.0 * kPi / 4.0}) {
            double nearest = kPi;
            for (const auto& p : s.crystalAxes) {
                if (std::hypot(p[0], p[1]) < 0.2f) continue;
                const double gap = std::fabs(std::remainder(std::atan2(p[1], p[0]) - candidate, 2.0 * kPi));
                nearest = std::min(nearest, gap);
            }
            if (nearest > widest + 1e-9) {
                widest = nearest;
                labelAngle = candidate;
            }
        }
        const QFontMetricsF metrics(fonts_.tickLabels);
        for (const double v : circles) {
            const QString text = numberLabel(v);
            const QPointF at = toScreen(v * std::cos(labelAngle), v * std::sin(labelAngle));
            // Outside the circle: to the right of a point on the right, above a point at the top.
            const double width = metrics.horizontalAdvance(text) + 2.0;
            const QRectF box(std::cos(labelAngle) > 0.0 ? at.x() + 1.0 : at.x() - width - 1.0,
                             std::sin(labelAngle) > 0.0 ? at.y() - metrics.height() : at.y(), width, metrics.height());
            painter->fillRect(box, QColor(255, 255, 255, 170));
            painter->setPen(QColor(0x50, 0x50, 0x50));
            painter->drawText(box, Qt::AlignCenter, text);
        }
    }

private:
    const SurfaceData& surface_;
    int index_;
    PlotFonts fonts_;
    double radius_;
};

// The key under the panels: the two colours and the arrows.
class SurfaceKey final : public QCPLayoutElement {
public:
    SurfaceKey(QCustomPlot* plot, const PlotFonts& fonts) : QCPLayoutElement(plot), fonts_(fonts) {
        const QFontMetrics m(fonts_.legend);
        setMinimumSize(0, m.height() + 4);
        setMaximumSize(QWIDGETSIZE_MAX, m.height() + 4);
    }

protected:
    void applyDefaultAntialiasingHint(QCPPainter* painter) const override {
        painter->setRenderHint(QPainter::Antialiasing, true);
    }

    void draw(QCPPainter* painter) override {
        painter->setFont(fonts_.legend);
        const QFontMetricsF m(fonts_.legend);
        const double h = m.height();
        double x = rect().left() + 4.0;
        const double y = rect().top() + 2.0;
        const auto swatch = [&](PlotColour colour, const QString& text) {
            painter->setPen(Qt::NoPen);
            painter->setBrush(colourOf(colour));
            painter->drawRect(QRectF(x, y + h * 0.2, h * 0.6, h * 0.6));
            painter->setBrush(Qt::NoBrush);
            painter->setPen(Qt::black);
            x += h * 0.9;
            painter->drawText(QPointF(x, y + m.ascent()), text);
            x += m.horizontalAdvance(text) + h;
        };
        swatch(PlotColour::positive, QStringLiteral("positive (%1)").arg(colourName(PlotColour::positive)));
        swatch(PlotColour::negative, QStringLiteral("negative (%1)").arg(colourName(PlotColour::negative)));
        painter->setPen(QPen(kArrow, 0.9));
        drawArrow(painter, QPointF(x, y + h / 2.0), QPointF(x + h * 1.2, y + h / 2.0), 4.0);
        x += h * 1.5;
        painter->setPen(Qt::black);
        painter->drawText(QPointF(x, y + m.ascent()), QStringLiteral("crystal axes a, b, c"));
    }

private:
    PlotFonts fonts_;
};

struct Quad {
    QPolygonF corners;
    double depth;
    QColor colour;
};

QColor shaded(const QColor& base, double light) {
    // From a dark tone for faces turned from the light to a light one for faces lit square on.
    const QColor dark = base.darker(220);
    const QColor bright = base.lighter(125);
    const double t = std::clamp(light, 0.0, 1.0);
    return QColor::fromRgbF(static_cast<float>(dark.redF() + (bright.redF() - dark.redF()) * t),
                            static_cast<float>(dark.greenF() + (bright.greenF() - dark.greenF()) * t),
                            static_cast<float>(dark.blueF() + (bright.blueF() - dark.blueF()) * t));
}

}  // namespace

double surfaceRadius(const SurfaceData& s) {
    double largest = 0.0;
    for (const float v : s.values) largest = std::max(largest, static_cast<double>(std::fabs(v)));
    for (const auto& section : s.sections)
        for (const float v : section.values) largest = std::max(largest, static_cast<double>(std::fabs(v)));
    if (!(largest > 0.0) || !std::isfinite(largest)) return 1.0;
    return largest * 1.05;  // a little room round the longest lobe
}

SurfaceView::SurfaceView(QCustomPlot* plot, const SurfaceData& surface, const PlotFonts& fonts, double radius,
                         bool turnable)
    : QCPLayoutElement(plot), surface_(surface), fonts_(fonts), radius_(radius), turnable_(turnable) {}

void SurfaceView::setView(double azimuth, double elevation) {
    azimuth_ = std::fmod(azimuth, 360.0);
    elevation_ = std::clamp(elevation, -90.0, 90.0);
}

void SurfaceView::applyDefaultAntialiasingHint(QCPPainter* painter) const {
    painter->setRenderHint(QPainter::Antialiasing, true);
}

void SurfaceView::mousePressEvent(QMouseEvent* event, const QVariant&) {
    if (!turnable_) {
        event->ignore();
        return;
    }
    lastPos_ = event->position();
    event->accept();
}

void SurfaceView::mouseMoveEvent(QMouseEvent* event, const QPointF&) {
    const QPointF d = event->position() - lastPos_;
    lastPos_ = event->position();
    setView(azimuth_ - d.x() * 0.6, elevation_ + d.y() * 0.6);
    parentPlot()->replot(QCustomPlot::rpQueuedReplot);
}

void SurfaceView::draw(QCPPainter* painter) {
    const double phi = azimuth_ * kPi / 180.0, theta = elevation_ * kPi / 180.0;
    // Screen right, screen up and towards the viewer, on X, Y, Z.
    const double right[3] = {-std::sin(phi), std::cos(phi), 0.0};
    const double up[3] = {-std::sin(theta) * std::cos(phi), -std::sin(theta) * std::sin(phi), std::cos(theta)};
    const double toward[3] = {std::cos(theta) * std::cos(phi), std::cos(theta) * std::sin(phi), std::sin(theta)};
    const auto along = [](const double* axis, const Vec3& p) {
        return axis[0] * p[0] + axis[1] * p[1] + axis[2] * p[2];
    };
    // The light comes from the viewer's upper left; faces are lit on either side.
    double light[3];
    for (int i = 0; i < 3; ++i) light[i] = -0.40 * right[i] + 0.55 * up[i] + 0.73 * toward[i];

    const QRectF r = rect();
    painter->setFont(fonts_.tickLabels);
    const double line = QFontMetricsF(fonts_.tickLabels).height();
    painter->setPen(Qt::black);
    painter->drawText(QRectF(r.left(), r.top(), r.width(), line), Qt::AlignHCenter | Qt::AlignTop,
                      turnable_ ? QStringLiteral("3-D view (drag to turn)") : QStringLiteral("3-D view"));
    const QRectF area = r.adjusted(line * 1.5, line * 2.4, -line * 1.5, -line);
    const double arrowLength = 1.2;  // crystal axes reach beyond the surface, in units of the radius
    const double scale = std::max(10.0, std::min(area.width(), area.height()) / 2.0) / (radius_ * arrowLength);
    const QPointF centre = area.center();
    const auto toScreen = [&](const Vec3& p) {
        return QPointF(centre.x() + along(right, p) * scale, centre.y() - along(up, p) * scale);
    };

    // Crystal axes pointing away from the viewer are drawn first, so that the surface hides them.
    static const char* const kNames[3] = {"a", "b", "c"};
    const float length = static_cast<float>(radius_ * arrowLength);
    const auto tipOf = [&](const Vec3& a) { return toScreen(Vec3{a[0] * length, a[1] * length, a[2] * length}); };
    const auto drawAxes = [&](bool behind) {
        for (int k = 0; k < 3; ++k) {
            const Vec3& a = surface_.crystalAxes[k];
            if ((along(toward, a) < 0.0) != behind) continue;
            painter->setPen(QPen(kArrow, 0.9));
            drawArrow(painter, centre, tipOf(a), 5.0);
        }
    };
    drawAxes(true);

    // Quads of the grid, far ones first.
    std::vector<Quad> quads;
    const int rows = surface_.rows, columns = surface_.columns;
    quads.reserve(static_cast<std::size_t>(std::max(0, (rows - 1) * (columns - 1))));
    const auto at = [&](int i, int j) { return static_cast<std::size_t>(i * columns + j); };
    for (int i = 0; i + 1 < rows; ++i) {
        for (int j = 0; j + 1 < columns; ++j) {
            const std::size_t k[4] = {at(i, j), at(i, j + 1), at(i + 1, j + 1), at(i + 1, j)};
            Quad q;
            double depth = 0.0, value = 0.0;
            for (const std::size_t n : k) {
                q.corners << toScreen(surface_.meshPoints[n]);
                depth += along(toward, surface_.meshPoints[n]);
                value += surface_.meshValues[n];
            }
            q.depth = depth / 4.0;
            const Vec3& p0 = surface_.meshPoints[k[0]];
            const Vec3& p1 = surface_.meshPoints[k[1]];
            const Vec3& p2 = surface_.meshPoints[k[2]];
            const Vec3& p3 = surface_.meshPoints[k[3]];
            // The normal from the two diagonals; a quad shrunk to a point faces the viewer.
            const double d1[3] = {p2[0] - p0[0], p2[1] - p0[1], p2[2] - p0[2]};
            const double d2[3] = {p3[0] - p1[0], p3[1] - p1[1], p3[2] - p1[2]};
            const double n[3] = {d1[1] * d2[2] - d1[2] * d2[1], d1[2] * d2[0] - d1[0] * d2[2],
                                 d1[0] * d2[1] - d1[1] * d2[0]};
            const double nl = std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]);
            const double lit = nl > 1e-12 ? std::fabs(n[0] * light[0] + n[1] * light[1] + n[2] * light[2]) / nl : 1.0;
            q.colour = shaded(colourOf(value >= 0.0 ? PlotColour::positive : PlotColour::negative), 0.15 + 0.85 * lit);
            quads.push_back(std::move(q));
        }
    }
    std::stable_sort(quads.begin(), quads.end(), [](const Quad& a, const Quad& b) { return a.depth < b.depth; });
    for (const Quad& q : quads) {
        // An outline in the fill colour closes the hairline gaps that antialiasing leaves between faces.
        painter->setPen(QPen(q.colour, 0.6));
        painter->setBrush(q.colour);
        painter->drawPolygon(q.corners);
    }
    painter->setBrush(Qt::NoBrush);
    drawAxes(false);
    // The names of the axes go on last: an axis behind the surface is hidden, its name is not.
    painter->setFont(fonts_.axisLabels);
    for (int k = 0; k < 3; ++k) {
        const QPointF tip = tipOf(surface_.crystalAxes[k]);
        const QPointF away = tip - centre;
        const double len = std::hypot(away.x(), away.y());
        const QPointF place = len > 1e-6 ? tip + away / len * line * 0.7 : tip + QPointF(line, 0.0);
        const QFontMetricsF m(fonts_.axisLabels);
        painter->fillRect(
            QRectF(place.x() - m.height() * 0.4, place.y() - m.height() * 0.5, m.height() * 0.8, m.height()),
            QColor(255, 255, 255, 170));
        painter->setPen(kArrow);
        centredText(painter, place, QString::fromLatin1(kNames[k]));
    }
}

SurfaceView* showSurface(QCustomPlot& plot, const SurfaceData& surface, const PlotFonts& fonts, int panelsPerRow,
                         bool turnable) {
    plot.clearPlottables();
    plot.clearItems();
    plot.plotLayout()->clear();
    plot.legend = nullptr;
    plot.xAxis = plot.yAxis = plot.xAxis2 = plot.yAxis2 = nullptr;
    plot.setLocale(QLocale::c());

    QString heading =
        qText(surface.valueLabel) + QStringLiteral(" along each direction\ncalculation ") + qText(surface.label);
    auto* title = new QCPTextElement(&plot, heading, fonts.legend);
    plot.plotLayout()->addElement(0, 0, title);
    if (!surface.defined) {
        title->setText(QStringLiteral("No representation surface for calculation %1:\nthe property tensor is "
                                      "undefined because T or P did not change.")
                           .arg(qText(surface.label)));
        return nullptr;
    }

    const double radius = surfaceRadius(surface);
    auto* panels = new QCPLayoutGrid;
    plot.plotLayout()->addElement(1, 0, panels);
    panels->setColumnSpacing(2);
    panels->setRowSpacing(2);
    for (int k = 0; k < 3; ++k)
        panels->addElement(k / panelsPerRow, k % panelsPerRow, new SectionView(&plot, surface, k, fonts, radius));
    auto* view = new SurfaceView(&plot, surface, fonts, radius, turnable);
    panels->addElement(3 / panelsPerRow, 3 % panelsPerRow, view);
    plot.plotLayout()->addElement(2, 0, new SurfaceKey(&plot, fonts));
    plot.plotLayout()->setRowStretchFactors({0.001, 1.0, 0.001});
    return view;
}
