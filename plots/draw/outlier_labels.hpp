#pragma once
// Where the arrows of a panel's outliers and their values stand, in pixels of the current layout:
// arrows that would fall on one another (points at the same or nearby x) side by side where that
// moves none of them by more than an arrow's width (a long run of outliers keeps its arrows at
// their points), and each value on the first line from the edge where it covers no other value,
// no arrow, no marker and no error bar; a value with no room clear of the others is left out,
// the farthest values placed first.
#include <QRectF>
#include <QSizeF>
#include <vector>

#include "plots/draw/label_space.hpp"

struct OutlierSpot {
    double x = 0.0;  // the point's x
    bool above = true;  // its arrow at the top edge, else at the bottom
    QSizeF label;       // the size of its value's text
    double beyond = 0.0;  // how far beyond the range shown: the farthest values are set first

    // Set by arrangeOutliers.
    double arrowX = 0.0;
    QRectF labelBox;
    bool labelled = false;  // false: no room for the value clear of the others
};

// The arrow's shaft from the edge inwards, as a fraction of the panel's height: its head at the
// near end.
inline constexpr double kArrowEdge = 0.01;
inline constexpr double kArrowLength = 0.10;
// Arrows closer than this (pixels) are set apart: the width of an arrow's head and a little room.
inline constexpr double kArrowSpacing = 9.0;

// Sets each spot's arrow and label. `space` holds what is drawn in the panel already (markers,
// error bars) and takes the arrows and labels.
void arrangeOutliers(const QRectF& panel, std::vector<OutlierSpot>& spots, LabelSpace& space);
