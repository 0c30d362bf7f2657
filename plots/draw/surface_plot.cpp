#include "plots/draw/surface_plot.hpp"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>
#include <numeric>
#include <vector>

#include "plots/draw/label_space.hpp"

namespace {

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

// The filled head of an arrow from `from` to `to`, `head` long; empty for an arrow of no length.
QPolygonF arrowHead(QPointF from, QPointF to, double head) {
    const QPointF d = to - from;
    const double length = std::hypot(d.x(), d.y());
    if (length < 1e-6) return {};
    const QPointF u = d / length;
    const QPointF n(-u.y(), u.x());
    QPolygonF tip;
    tip << to << to - u * head + n * head * 0.4 << to - u * head - n * head * 0.4;
    return tip;
}

void drawArrow(QCPPainter* painter, QPointF from, QPointF to, double head) {
    painter->drawLine(from, to);
    const QPolygonF tip = arrowHead(from, to, head);
    if (tip.isEmpty()) return;
    painter->setBrush(painter->pen().color());
    painter->drawPolygon(tip);
    painter->setBrush(Qt::NoBrush);
}

// The box a text takes in a font, with a pixel of room round it.
QSizeF textSize(const QFont& font, const QString& text) {
    const QFontMetricsF m(font);
    return {m.horizontalAdvance(text) + 2.0, m.height()};
}

// Where the name of an arrow from `from` to `tip` may go, best first: beyond the tip, then
// beside it on either side, then beside the shaft.
std::vector<QRectF> labelCandidates(QPointF from, QPointF tip, QSizeF size, double line) {
    const QPointF d = tip - from;
    const double length = std::hypot(d.x(), d.y());
    const QPointF u = length > 1e-6 ? d / length : QPointF(1.0, 0.0);
    const QPointF n(-u.y(), u.x());
    // Far enough along u that the box clears the tip whatever its direction.
    const double reach = 0.5 * (std::fabs(u.x()) * size.width() + std::fabs(u.y()) * size.height()) + 2.0;
    const double side = 0.5 * (std::fabs(n.x()) * size.width() + std::fabs(n.y()) * size.height()) + 3.0;
    std::vector<QRectF> c;
    for (const double along : {reach, reach + line * 0.5, reach + line})
        c.push_back(boxAt(tip + u * along, size));
    for (const double back : {0.0, line * 0.8, line * 1.6, line * 2.4}) {
        c.push_back(boxAt(tip - u * back + n * side, size));
        c.push_back(boxAt(tip - u * back - n * side, size));
    }
    // Farther off the shaft, where a name already stands beside the tip.
    for (const double back : {0.0, line * 0.8, line * 1.6}) {
        c.push_back(boxAt(tip - u * back + n * (side + line), size));
        c.push_back(boxAt(tip - u * back - n * (side + line), size));
    }
    for (const double along : {reach + line * 1.5, reach + line * 2.0}) {
        c.push_back(boxAt(tip + u * along + n * side, size));
        c.push_back(boxAt(tip + u * along - n * side, size));
    }
    return c;
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
        // Negative values dashed as well as in their colour, so that the sign survives greyscale.
        painter->setPen(QPen(colourOf(sign ? PlotColour::positive : PlotColour::negative), width,
                             sign ? Qt::SolidLine : Qt::DashLine, Qt::FlatCap, Qt::RoundJoin));
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
        const QRectF titleBox(r.left(), r.top(), r.width(), line);
        painter->drawText(titleBox, Qt::AlignHCenter | Qt::AlignTop, QStringLiteral("section %1–%2").arg(first, second));
        const QRectF area = r.adjusted(line * 1.5, line * 2.4, -line * 1.5, -line);
        const double pixels = std::max(10.0, std::min(area.width(), area.height()) / 2.0);
        const QPointF centre = area.center();
        const double scale = pixels / radius_;
        const auto toScreen = [&](double x, double y) {
            return QPointF(centre.x() + x * scale, centre.y() - y * scale);
        };
        LabelSpace space(r);
        space.addBox(titleBox.adjusted(r.width() / 2 - line * 4, 0, -(r.width() / 2 - line * 4), 0));

        // Circles of equal value; their labels go on last.
        const double step = niceStep(radius_, 4);
        painter->setPen(QPen(kGuide, 0.5));
        std::vector<double> circles;
        for (double v = step; v <= radius_ * 1.0001; v += step) {
            painter->drawEllipse(centre, v * scale, v * scale);
            circles.push_back(v);
        }
        // The two principal axes of the plane; their names go on once the curve and the crystal
        // axes are drawn, where they cover neither.
        painter->setPen(QPen(kGuide, 0.7));
        painter->drawLine(toScreen(-radius_, 0.0), toScreen(radius_, 0.0));
        painter->drawLine(toScreen(0.0, -radius_), toScreen(0.0, radius_));
        space.addSegment(QLineF(toScreen(-radius_, 0.0), toScreen(radius_, 0.0)));
        space.addSegment(QLineF(toScreen(0.0, -radius_), toScreen(0.0, radius_)));

        std::vector<QPointF> points;
        points.reserve(s.points.size());
        for (const auto& p : s.points) points.push_back(toScreen(p[0], p[1]));
        drawSignedCurve(painter, points, s.values, 1.6);
        space.addPolyline(points);

        // The crystal axes, as long as the radius where they lie in the plane.
        static const char* const kNames[3] = {"a", "b", "c"};
        constexpr double kHead = 5.0;
        std::vector<std::pair<QPointF, int>> tips;
        for (int k = 0; k < 3; ++k) {
            const auto& p = s.crystalAxes[k];
            if (std::hypot(p[0], p[1]) < 0.2f) continue;  // nearly perpendicular to the plane
            painter->setPen(QPen(kArrow, 0.9));
            const QPointF tip = toScreen(p[0] * radius_, p[1] * radius_);
            drawArrow(painter, centre, tip, kHead);
            space.addSegment(QLineF(centre, tip));
            const QPolygonF head = arrowHead(centre, tip, kHead);
            if (!head.isEmpty()) space.addPolygon(head);
            tips.emplace_back(tip, k);
        }
        // The principal axes' names at their positive ends, beyond the end where that is free.
        painter->setPen(Qt::black);
        for (const auto& [end, name] : {std::pair{toScreen(radius_, 0.0), first}, std::pair{toScreen(0.0, radius_), second}}) {
            const QRectF box = space.place(labelCandidates(centre, end, textSize(painter->font(), name), line));
            painter->drawText(box, Qt::AlignCenter, name);
        }
        // The crystal axes' names where they cover no curve, arrow or other name.
        painter->setFont(fonts_.axisLabels);
        painter->setPen(kArrow);
        for (const auto& [tip, k] : tips) {
            const QString name = QString::fromLatin1(kNames[k]);
            const QSizeF size = textSize(fonts_.axisLabels, name);
            const QRectF box = space.place(labelCandidates(centre, tip, size, line));
            painter->drawText(box, Qt::AlignCenter, name);
        }
        painter->setFont(fonts_.tickLabels);

        // The circles' values along one direction, the one where they cover least, diagonals first.
        const QFontMetricsF metrics(fonts_.tickLabels);
        // `inward`: inside the circle rather than outside, for a curve that runs just outside it.
        const auto boxesAt = [&](double angle, bool inward = false) {
            std::vector<QRectF> boxes;
            for (const double v : circles) {
                const QString text = numberLabel(v);
                const QPointF at = toScreen(v * std::cos(angle), v * std::sin(angle));
                // Outside the circle: to the right of a point on the right, above a point at the top;
                // beside an axis rather than on it. Inside: the other way round.
                const double width = metrics.horizontalAdvance(text) + 2.0;
                const double height = metrics.height();
                const double c = inward ? -std::cos(angle) : std::cos(angle);
                const double sn = inward ? -std::sin(angle) : std::sin(angle);
                const double x = std::fabs(c) < 0.2    ? at.x() + 2.0
                                 : std::fabs(sn) < 0.2 ? (inward ? (c > 0.0 ? at.x() + 2.0 : at.x() - width - 2.0)
                                                                 : at.x() - width / 2.0)
                                 : c > 0.0             ? at.x() + 1.0
                                                       : at.x() - width - 1.0;
                const double y = std::fabs(sn) < 0.2   ? at.y() - height - 1.0
                                 : std::fabs(c) < 0.2  ? (inward ? (sn > 0.0 ? at.y() - height - 1.0 : at.y() + 1.0)
                                                                 : at.y() - height / 2.0)
                                 : sn > 0.0            ? at.y() - height
                                                       : at.y();
                boxes.emplace_back(x, y, width, height);
            }
            return boxes;
        };
        std::vector<double> angles;
        for (const double d : {45.0, 135.0, 225.0, 315.0}) angles.push_back(d);
        for (double d = 0.0; d < 360.0; d += 15.0)
            if (std::fmod(d, 90.0) != 45.0) angles.push_back(d);
        double labelAngle = std::numbers::pi / 4.0;
        int fewest = std::numeric_limits<int>::max();
        for (const double d : angles) {
            int count = 0;
            const std::vector<QRectF> set = boxesAt(d * std::numbers::pi / 180.0);
            for (std::size_t i = 0; i < set.size(); ++i) {
                count += space.hits(set[i]);
                for (std::size_t j = 0; j < i; ++j) count += set[i].intersects(set[j]) ? 1 : 0;
            }
            if (count < fewest) {
                fewest = count;
                labelAngle = d * std::numbers::pi / 180.0;
            }
            if (count == 0) break;
        }
        // A label that still covers something there goes along the first direction where it does not.
        std::vector<std::vector<QRectF>> choices(circles.size());
        std::vector<double> order{labelAngle * 180.0 / std::numbers::pi};
        order.insert(order.end(), angles.begin(), angles.end());
        for (const bool inward : {false, true}) {
            for (const double d : order) {
                const std::vector<QRectF> set = boxesAt(d * std::numbers::pi / 180.0, inward);
                for (std::size_t k = 0; k < circles.size(); ++k) choices[k].push_back(set[k]);
            }
        }
        for (std::size_t k = 0; k < circles.size(); ++k) {
            const QRectF box = space.place(choices[k]);
            // A ground only where a label still covers something, so that it stays readable.
            if (space.lastCovers()) painter->fillRect(box, QColor(255, 255, 255, 170));
            painter->setPen(QColor(0x50, 0x50, 0x50));
            painter->drawText(box, Qt::AlignCenter, numberLabel(circles[k]));
        }
    }

private:
    const SurfaceData& surface_;
    int index_;
    PlotFonts fonts_;
    double radius_;
};

// The key under the panels: the signs the surface takes and the arrows, in one row or, where that
// is too narrow, in two. A sign no direction takes has no entry, as nothing is drawn in it.
class SurfaceKey final : public QCPLayoutElement {
public:
    SurfaceKey(QCustomPlot* plot, const PlotFonts& fonts, double width, const SurfaceData& surface)
        : QCPLayoutElement(plot), fonts_(fonts) {
        // The value along a direction lies between the least and the greatest principal value.
        const auto [least, greatest] = std::minmax_element(surface.values.begin(), surface.values.end());
        if (*greatest > 0.0f) entries_.push_back(Entry::positive);
        if (*least < 0.0f) entries_.push_back(Entry::negative);
        entries_.push_back(Entry::crystalAxes);
        fitTo(width);
    }

    void update(UpdatePhase phase) override {
        // The rows follow the width the layout gave last time; a change shows at the next replot.
        if (phase == upPreparation && mOuterRect.width() > 0 && fitTo(mOuterRect.width()))
            parentPlot()->replot(QCustomPlot::rpQueuedReplot);
        QCPLayoutElement::update(phase);
    }

protected:
    // Sets the height for the rows that `width` needs; true when it changed.
    bool fitTo(double width) {
        const QFontMetricsF m(fonts_.legend);
        double needed = 8.0;
        for (const Entry e : entries_) needed += m.height() * 2.9 + m.horizontalAdvance(textOf(e));
        const int rows = needed > width ? 2 : 1;
        const int height = static_cast<int>(std::ceil(m.height() * rows + 4.0));
        if (height == minimumSize().height()) return false;
        setMinimumSize(0, height);
        setMaximumSize(QWIDGETSIZE_MAX, height);
        return true;
    }

    void applyDefaultAntialiasingHint(QCPPainter* painter) const override {
        painter->setRenderHint(QPainter::Antialiasing, true);
    }

    enum class Entry { positive, negative, crystalAxes };

    static QString textOf(Entry e) {
        switch (e) {
            case Entry::positive: return QStringLiteral("positive (solid)");
            case Entry::negative: return QStringLiteral("negative (dashed)");
            case Entry::crystalAxes: break;
        }
        return QStringLiteral("crystal axes a, b, c");
    }

    void draw(QCPPainter* painter) override {
        painter->setFont(fonts_.legend);
        const QFontMetricsF m(fonts_.legend);
        const double h = m.height();
        double x = rect().left() + 4.0;
        double y = rect().top() + 2.0;
        const auto entry = [&](const QString& text, const auto& sample) {
            const double width = h * 1.9 + m.horizontalAdvance(text);
            if (x + width > rect().right() && x > rect().left() + 4.0) {
                x = rect().left() + 4.0;  // on to the next row
                y += h;
            }
            sample(QPointF(x, y + h / 2.0), QPointF(x + h * 1.6, y + h / 2.0));
            painter->setPen(Qt::black);
            painter->drawText(QPointF(x + h * 1.9, y + m.ascent()), text);
            x += width + h;
        };
        const auto curve = [&](bool negative) {
            return [&, negative](QPointF from, QPointF to) {
                // A piece of curve as the sections draw it.
                painter->setPen(QPen(colourOf(negative ? PlotColour::negative : PlotColour::positive), 1.6,
                                     negative ? Qt::DashLine : Qt::SolidLine, Qt::FlatCap));
                painter->drawLine(from, to);
            };
        };
        for (const Entry e : entries_) {
            if (e == Entry::crystalAxes)
                entry(textOf(e), [&](QPointF from, QPointF to) {
                    painter->setPen(QPen(kArrow, 0.9));
                    drawArrow(painter, from, to, 4.0);
                });
            else
                entry(textOf(e), curve(e == Entry::negative));
        }
    }

private:
    PlotFonts fonts_;
    std::vector<Entry> entries_;
};

struct Quad {
    QPolygonF corners;
    double depth;
    QColor colour;
    bool negative;
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
    const double phi = azimuth_ * std::numbers::pi / 180.0, theta = elevation_ * std::numbers::pi / 180.0;
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
            q.negative = value < 0.0;
            q.colour = shaded(colourOf(q.negative ? PlotColour::negative : PlotColour::positive), 0.15 + 0.85 * lit);
            quads.push_back(std::move(q));
        }
    }
    std::stable_sort(quads.begin(), quads.end(), [](const Quad& a, const Quad& b) { return a.depth < b.depth; });
    LabelSpace space(r);
    space.addBox(QRectF(r.left(), r.top(), r.width(), line * 1.2));  // the title
    for (const Quad& q : quads) {
        // An outline in the fill colour closes the hairline gaps that antialiasing leaves between faces.
        painter->setPen(QPen(q.colour, 0.6));
        painter->setBrush(q.colour);
        painter->drawPolygon(q.corners);
        // Negative faces also carry a dashed line along their row, so that the sign survives greyscale.
        if (q.negative) {
            painter->setPen(QPen(q.colour.darker(170), 0.7, Qt::DashLine, Qt::FlatCap));
            painter->drawLine(q.corners[0], q.corners[1]);
        }
        space.addPolygon(q.corners);
    }
    painter->setBrush(Qt::NoBrush);
    drawAxes(false);
    for (int k = 0; k < 3; ++k) space.addSegment(QLineF(centre, tipOf(surface_.crystalAxes[k])));
    // The names of the axes go on last, clear of the body and of each other: an axis behind the
    // surface is hidden, its name is not.
    painter->setFont(fonts_.axisLabels);
    painter->setPen(kArrow);
    for (int k = 0; k < 3; ++k) {
        const QString name = QString::fromLatin1(kNames[k]);
        const QRectF box =
            space.place(labelCandidates(centre, tipOf(surface_.crystalAxes[k]), textSize(fonts_.axisLabels, name), line));
        painter->drawText(box, Qt::AlignCenter, name);
    }
}

namespace {

// A text broken into lines at spaces so that each fits `width` in `font` (a word longer than
// the width stands on a line of its own); unbroken when the width is not known.
QString wrappedToWidth(const QString& text, const QFont& font, double width) {
    if (!(width > 0.0)) return text;
    const QFontMetricsF metrics(font);
    const double room = 0.9 * width;  // the element's margins, and room to spare
    QStringList lines;
    QString line;
    for (const QString& word : text.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        const QString longer = line.isEmpty() ? word : line + QLatin1Char(' ') + word;
        if (!line.isEmpty() && metrics.horizontalAdvance(longer) > room) {
            lines << line;
            line = word;
        } else {
            line = longer;
        }
    }
    if (!line.isEmpty()) lines << line;
    return lines.join(QLatin1Char('\n'));
}

}  // namespace

SurfaceView* showSurface(QCustomPlot& plot, const SurfaceData& surface, const PlotFonts& fonts, int panelsPerRow,
                         bool turnable, double keyWidth) {
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
        title->setText(wrappedToWidth(QStringLiteral("No representation surface for calculation %1: the property tensor "
                                                     "is undefined because T or P did not change.")
                                          .arg(qText(surface.label)),
                                      fonts.legend, keyWidth));
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
    plot.plotLayout()->addElement(2, 0, new SurfaceKey(&plot, fonts, keyWidth, surface));
    plot.plotLayout()->setRowStretchFactors({0.001, 1.0, 0.001});
    return view;
}
