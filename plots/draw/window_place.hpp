#pragma once
// Where the results window opens: on the screen, clear of the part of the dialog that must stay
// in view (its status line).
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
