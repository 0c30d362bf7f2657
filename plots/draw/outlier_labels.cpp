#include "plots/draw/outlier_labels.hpp"

#include <QLineF>
#include <QPolygonF>
#include <algorithm>

namespace {

constexpr int kLabelLines = 6;     // lines of values from the edge on each side of the arrows
constexpr double kLabelGap = 4.0;  // between an arrow and its value: clear of the arrow's head
constexpr double kHeadHalfWidth = 3.5;

// Arrows of one edge, by x, in groups of arrows that stand side by side.
struct ArrowGroup {
    std::vector<std::size_t> spots;
    double left = 0.0;   // the first arrow's x
    double right = 0.0;  // the last one's
};

// Spreads a group round the mean of its points' x, inside the panel.
void spread(ArrowGroup& group, std::vector<OutlierSpot>& spots, const QRectF& panel) {
    double centre = 0.0;
    for (const std::size_t k : group.spots) centre += spots[k].x;
    centre /= static_cast<double>(group.spots.size());
    const double width = kArrowSpacing * static_cast<double>(group.spots.size() - 1);
    const double left =
        std::max(panel.left() + kHeadHalfWidth, std::min(centre - width / 2.0, panel.right() - kHeadHalfWidth - width));
    for (std::size_t i = 0; i < group.spots.size(); ++i)
        spots[group.spots[i]].arrowX = left + kArrowSpacing * static_cast<double>(i);
    group.left = left;
    group.right = left + width;
}

std::vector<ArrowGroup> groupArrows(std::vector<std::size_t> order, std::vector<OutlierSpot>& spots, const QRectF& panel) {
    std::sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) { return spots[a].x < spots[b].x; });
    std::vector<ArrowGroup> groups;
    for (const std::size_t k : order) {
        groups.push_back({{k}, 0.0, 0.0});
        spread(groups.back(), spots, panel);
        // A group spread wide enough to reach the one before joins it, and is spread again.
        while (groups.size() > 1 && groups.back().left - groups[groups.size() - 2].right < kArrowSpacing) {
            ArrowGroup last = std::move(groups.back());
            groups.pop_back();
            groups.back().spots.insert(groups.back().spots.end(), last.spots.begin(), last.spots.end());
            spread(groups.back(), spots, panel);
        }
    }
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
        // The values of a group stacked from the edge inwards, right of its arrows, else left.
        for (const ArrowGroup& group : groups) {
            for (const std::size_t k : group.spots) {
                const QSizeF size = spots[k].label;
                const double lineHeight = size.height() + 1.0;
                std::vector<QRectF> candidates;
                for (const double x : {group.right + kLabelGap, group.left - kLabelGap - size.width()})
                    for (int line = 0; line < kLabelLines; ++line) {
                        const double y = above ? head + line * lineHeight : head - line * lineHeight - size.height();
                        candidates.emplace_back(QPointF(x, y), size);
                    }
                spots[k].labelBox = space.place(candidates);
            }
        }
    }
}
