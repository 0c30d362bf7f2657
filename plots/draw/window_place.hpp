#pragma once
// Where the results window opens: on the screen, clear of the part of the dialog that must stay
// in view (its status line, the line under it and its buttons).
#include <QMargins>
#include <QRect>
#include <QSize>

// The window's geometry (without its frame, which `frame` adds round it) for a window of
// `wanted` size, at least `minimum`, on the available area `screen`: beside the dialog (right,
// then left), else below or above `keep` (the dialog's status line); as large as wanted where the
// room allows, never beyond the screen's edge and never over `keep` while there is room
// elsewhere.
QRect placeWindow(const QRect& screen, const QRect& dialogFrame, const QRect& keep, QSize wanted, QSize minimum,
                  QMargins frame);

// Whether a window frame lies on the screen and clear of `keep`.
bool placeIsClear(const QRect& screen, const QRect& windowFrame, const QRect& keep);

// Where the window goes, and how far the dialog moves sideways to make room for it.
struct Placement {
    QRect window;  // as placeWindow gives it
    int dialogShift = 0;
};

// As placeWindow; but where no room clear of `keep` holds a window of `minimum` size while the
// dialog stays (a dialog in the middle of a 1280 × 1024 screen leaves too little on every side),
// the dialog moves to the screen's left or right edge, whichever leaves the room, and the window
// opens beside it.
Placement placeWindowAndDialog(const QRect& screen, const QRect& dialogFrame, const QRect& keep, QSize wanted,
                               QSize minimum, QMargins frame);
