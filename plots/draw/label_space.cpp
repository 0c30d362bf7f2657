#include "plots/draw/label_space.hpp"

#include <algorithm>
#include <limits>

namespace {

constexpr int kOutside = 1000;  // a label beyond the bounds is worse than any overlap
constexpr int kOverLabel = 4;   // a label over another counts as much as over this many lines

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
    for (std::size_t k = 0; k + 1 < points.size(); ++k) {
        segments_.emplace_back(points[k], points[k + 1]);
        segmentLines_.push_back(lines_);
    }
    ++lines_;
}

void LabelSpace::addSegment(QLineF segment) {
    segments_.push_back(segment);
    segmentLines_.push_back(lines_++);
}

void LabelSpace::addPolygon(const QPolygonF& polygon) {
    polygons_.push_back(polygon);
    polygonBounds_.push_back(polygon.boundingRect());
}

int LabelSpace::hits(const QRectF& box) const {
    int count = bounds_.contains(box) ? 0 : kOutside;
    // A line counts once, however many of its segments the box meets.
    std::vector<int> met;
    for (std::size_t k = 0; k < segments_.size(); ++k)
        if (std::find(met.begin(), met.end(), segmentLines_[k]) == met.end() && meets(box, segments_[k]))
            met.push_back(segmentLines_[k]);
    count += static_cast<int>(met.size());
    // A label over another is unreadable, over a line only harder to read.
    for (const QRectF& b : boxes_)
        if (box.intersects(b)) count += kOverLabel;
    const QPolygonF outline(box);
    for (std::size_t k = 0; k < polygons_.size(); ++k)
        if (box.intersects(polygonBounds_[k]) && polygons_[k].intersects(outline)) ++count;
    return count;
}

bool LabelSpace::clearOfLabels(const QRectF& box) const {
    return bounds_.contains(box) &&
           std::none_of(boxes_.begin(), boxes_.end(), [&](const QRectF& b) { return box.intersects(b); });
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
    lastHits_ = fewest;
    return best;
}
