#include "plots/draw/outlier_labels.hpp"

#include <QLineF>
#include <QPolygonF>
#include <algorithm>
#include <cmath>

namespace {

constexpr int kLabelLines = 6;     // lines of values from the edge on each side of the arrows
constexpr double kLabelGap = 4.0;  // between an arrow and its value: clear of the arrow's head
constexpr double kHeadHalfWidth = 3.5;

// Arrows of one edge that stand together: points closer than an arrow's width.
struct ArrowGroup {
    std::vector<std::size_t> spots;  // by x
    double left = 0.0;               // the first arrow's x
    double right = 0.0;              // the last one's
};

// Spreads a group round the mean of its points' x, inside the panel, where no arrow moves by more
// than an arrow's width; else the arrows stay at their points.
void spread(ArrowGroup& group, std::vector<OutlierSpot>& spots, const QRectF& panel) {
    double centre = 0.0;
    for (const std::size_t k : group.spots) centre += spots[k].x;
    centre /= static_cast<double>(group.spots.size());
    const double width = kArrowSpacing * static_cast<double>(group.spots.size() - 1);
    const double left =
        std::max(panel.left() + kHeadHalfWidth, std::min(centre - width / 2.0, panel.right() - kHeadHalfWidth - width));
    double farthest = 0.0;
    for (std::size_t i = 0; i < group.spots.size(); ++i)
        farthest =
            std::max(farthest, std::fabs(left + kArrowSpacing * static_cast<double>(i) - spots[group.spots[i]].x));
    const bool apart = farthest <= kArrowSpacing;
    for (std::size_t i = 0; i < group.spots.size(); ++i) {
        OutlierSpot& spot = spots[group.spots[i]];
        spot.arrowX = apart ? left + kArrowSpacing * static_cast<double>(i) : spot.x;
    }
    group.left = spots[group.spots.front()].arrowX;
    group.right = spots[group.spots.back()].arrowX;
}

std::vector<ArrowGroup> groupArrows(std::vector<std::size_t> order, std::vector<OutlierSpot>& spots,
                                    const QRectF& panel) {
    std::sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) { return spots[a].x < spots[b].x; });
    std::vector<ArrowGroup> groups;
    for (const std::size_t k : order) {
        if (groups.empty() || spots[k].x - spots[groups.back().spots.back()].x >= kArrowSpacing) groups.emplace_back();
        groups.back().spots.push_back(k);
    }
    for (ArrowGroup& group : groups) spread(group, spots, panel);
    return groups;
}

}  // namespace

void arrangeOutliers(const QRectF& panel, std::vector<OutlierSpot>& spots, LabelSpace& space) {
    const double edgeGap = panel.height() * kArrowEdge;
    for (const bool above : {true, false}) {
        std::vector<std::size_t> edge;
        for (std::size_t k = 0; k < spots.size(); ++k)
            if (spots[k].above == above) edge.push_back(k);
        const std::vector<ArrowGroup> groups = groupArrows(edge, spots, panel);

        // Every arrow first, so that no value covers one placed later.
        const double head = above ? panel.top() + edgeGap : panel.bottom() - edgeGap;
        const double tail = above ? head + panel.height() * kArrowLength : head - panel.height() * kArrowLength;
        for (const std::size_t k : edge) {
            const double x = spots[k].arrowX;
            space.addSegment(QLineF(x, head, x, tail));
            space.addPolygon(QPolygonF({QPointF(x - kHeadHalfWidth, head), QPointF(x + kHeadHalfWidth, head),
                                        QPointF(x, above ? head + 8.0 : head - 8.0)}));
        }
        // The values of a group stacked from the edge inwards, right of its arrows, else left; the
        // farthest first.
        for (const ArrowGroup& group : groups) {
            std::vector<std::size_t> byDistance = group.spots;
            std::stable_sort(byDistance.begin(), byDistance.end(),
                             [&](std::size_t a, std::size_t b) { return spots[a].beyond > spots[b].beyond; });
            for (const std::size_t k : byDistance) {
                const QSizeF size = spots[k].label;
                const double lineHeight = size.height() + 1.0;
                std::vector<QRectF> candidates;
                for (const double x : {group.right + kLabelGap, group.left - kLabelGap - size.width()})
                    for (int line = 0; line < kLabelLines; ++line) {
                        const double y = above ? head + line * lineHeight : head - line * lineHeight - size.height();
                        const QRectF box(QPointF(x, y), size);
                        if (space.clearOfLabels(box)) candidates.push_back(box);
                    }
                spots[k].labelled = !candidates.empty();
                if (spots[k].labelled) spots[k].labelBox = space.place(candidates);
            }
        }
    }
}
