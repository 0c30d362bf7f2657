#include "plots/draw/label_space.hpp"

#include <limits>

namespace {

constexpr int kOutside = 1000;  // a label beyond the bounds is worse than any overlap

bool meets(const QRectF& box, const QLineF& segment) {
    const QRectF reach = QRectF(segment.p1(), segment.p2()).normalized();
    if (!box.intersects(reach.adjusted(-0.5, -0.5, 0.5, 0.5))) return false;
    if (box.contains(segment.p1()) || box.contains(segment.p2())) return true;
    const QLineF edges[] = {{box.topLeft(), box.topRight()},
                            {box.topRight(), box.bottomRight()},
                            {box.bottomRight(), box.bottomLeft()},
                            {box.bottomLeft(), box.topLeft()}};
    for (const QLineF& edge : edges)
        if (segment.intersects(edge, nullptr) == QLineF::BoundedIntersection) return true;
    return false;
}

}  // namespace

void LabelSpace::addPolyline(const std::vector<QPointF>& points) {
    for (std::size_t k = 0; k + 1 < points.size(); ++k) segments_.emplace_back(points[k], points[k + 1]);
}

void LabelSpace::addPolygon(const QPolygonF& polygon) {
    polygons_.push_back(polygon);
    polygonBounds_.push_back(polygon.boundingRect());
}

int LabelSpace::hits(const QRectF& box) const {
    int count = bounds_.contains(box) ? 0 : kOutside;
    for (const QLineF& s : segments_)
        if (meets(box, s)) ++count;
    for (const QRectF& b : boxes_)
        if (box.intersects(b)) ++count;
    const QPolygonF outline(box);
    for (std::size_t k = 0; k < polygons_.size(); ++k)
        if (box.intersects(polygonBounds_[k]) && polygons_[k].intersects(outline)) ++count;
    return count;
}

QRectF LabelSpace::place(const std::vector<QRectF>& candidates) {
    QRectF best;
    int fewest = std::numeric_limits<int>::max();
    for (const QRectF& candidate : candidates) {
        const int count = hits(candidate);
        if (count < fewest) {
            fewest = count;
            best = candidate;
        }
        if (count == 0) break;
    }
    boxes_.push_back(best);
    return best;
}
