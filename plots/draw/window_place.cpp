#include "plots/draw/window_place.hpp"

#include <algorithm>

namespace {

constexpr int kGap = 12;  // between the dialog and the window

// The frame of a window whose frame is to fill `room`, at most `wanted` (client) large.
QRect fitted(const QRect& room, QSize wanted, QMargins frame, bool alignRight, bool alignBottom) {
    const int w = std::min(room.width(), wanted.width() + frame.left() + frame.right());
    const int h = std::min(room.height(), wanted.height() + frame.top() + frame.bottom());
    const int x = alignRight ? room.right() - w + 1 : room.left();
    const int y = alignBottom ? room.bottom() - h + 1 : room.top();
    return {x, y, w, h};
}

bool bigEnough(const QRect& frameRect, QSize minimum, QMargins frame) {
    return frameRect.width() - frame.left() - frame.right() >= minimum.width() &&
           frameRect.height() - frame.top() - frame.bottom() >= minimum.height();
}

}  // namespace

bool placeIsClear(const QRect& screen, const QRect& windowFrame, const QRect& keep) {
    return screen.contains(windowFrame) && !windowFrame.intersects(keep);
}

QRect placeWindow(const QRect& screen, const QRect& dialogFrame, const QRect& keep, QSize wanted, QSize minimum,
                  QMargins frame) {
    // Rooms in order of preference, each with the side the window keeps to.
    struct Room {
        QRect area;
        bool alignRight;
        bool alignBottom;
    };
    const int top = std::max(screen.top(), dialogFrame.top());
    const Room rooms[] = {
        {QRect(QPoint(dialogFrame.right() + kGap, top), screen.bottomRight()), false, false},
        {QRect(QPoint(screen.left(), top), QPoint(dialogFrame.left() - kGap, screen.bottom())), true, false},
        {QRect(QPoint(screen.left(), keep.bottom() + kGap), screen.bottomRight()), false, false},
        {QRect(screen.topLeft(), QPoint(screen.right(), keep.top() - kGap)), false, true},
    };
    // A room that starts at the dialog's top but is too low: the same room from the screen's top.
    QRect best;
    for (const Room& room : rooms) {
        for (const QRect& area : {room.area, QRect(QPoint(room.area.left(), screen.top()), room.area.bottomRight())}) {
            if (!area.isValid()) continue;
            const QRect f = fitted(area, wanted, frame, room.alignRight, room.alignBottom);
            if (!placeIsClear(screen, f, keep)) continue;
            if (bigEnough(f, minimum, frame)) return f.marginsRemoved(frame);
            if (f.width() * f.height() > best.width() * best.height()) best = f;
        }
    }
    if (best.isValid() && bigEnough(best, QSize(minimum.width() / 2, minimum.height() / 2), frame))
        return best.marginsRemoved(frame);
    // No room clear of the dialog: the whole screen, as large as wanted.
    return fitted(screen, wanted, frame, false, false).marginsRemoved(frame);
}

Placement placeWindowAndDialog(const QRect& screen, const QRect& dialogFrame, const QRect& keep, QSize wanted,
                               QSize minimum, QMargins frame) {
    const auto fits = [&](const QRect& client, const QRect& kept) {
        return placeIsClear(screen, client.marginsAdded(frame), kept) && bigEnough(client.marginsAdded(frame), minimum, frame);
    };
    const QRect here = placeWindow(screen, dialogFrame, keep, wanted, minimum, frame);
    if (fits(here, keep)) return {here, 0};
    for (const int shift : {screen.left() - dialogFrame.left(), screen.right() - dialogFrame.right()}) {
        const QRect moved = dialogFrame.translated(shift, 0);
        const QRect kept = keep.translated(shift, 0);
        const QRect there = placeWindow(screen, moved, kept, wanted, minimum, frame);
        if (fits(there, kept)) return {there, shift};
    }
    return {here, 0};
}
