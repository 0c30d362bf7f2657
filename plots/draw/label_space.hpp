#pragma once
// Room for the labels of a drawing: what is already drawn (curves, arrows, filled shapes, other
// labels), so that each label goes where it covers none of it.
#include <QLineF>
#include <QPolygonF>
#include <QRectF>
#include <vector>

class LabelSpace {
public:
    // Labels must stay inside `bounds`.
    explicit LabelSpace(QRectF bounds) : bounds_(bounds) {}

    void addPolyline(const std::vector<QPointF>& points);
    void addSegment(QLineF segment);
    void addBox(QRectF box) { boxes_.push_back(box); }
    void addPolygon(const QPolygonF& polygon);

    // How much of what is drawn a box would cover: the number of lines (a polyline counts once)
    // and shapes it meets, each other label counting as several, and many more when it leaves
    // the bounds.
    int hits(const QRectF& box) const;

    // Whether a box stays inside the bounds and clear of every label placed so far.
    bool clearOfLabels(const QRectF& box) const;

    // Of the candidates, the first that covers nothing, else the one that covers least; it is
    // then taken, so that later labels keep clear of it.
    QRectF place(const std::vector<QRectF>& candidates);
    // Whether the label placed last covers anything.
    bool lastCovers() const { return lastHits_ > 0; }

private:
    QRectF bounds_;
    std::vector<QLineF> segments_;
    std::vector<int> segmentLines_;  // the line each segment belongs to
    int lines_ = 0;
    std::vector<QRectF> boxes_;
    std::vector<QPolygonF> polygons_;
    std::vector<QRectF> polygonBounds_;
    int lastHits_ = 0;
};

// A box of the given size centred on a point.
inline QRectF boxAt(QPointF centre, QSizeF size) {
    return {centre.x() - size.width() / 2.0, centre.y() - size.height() / 2.0, size.width(), size.height()};
}
