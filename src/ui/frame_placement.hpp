#pragma once
// Where the window's frame goes on the screen: the frame is what the person sees, so it is the
// frame (title bar and borders included), not the client area, that is centred and kept within
// the screen's free area. Pixels are the toolkit's device-independent pixels.

#include <QMargins>
#include <QRect>
#include <QSize>

namespace capcode::ui {

// What a window manager's frame usually takes (a title bar and thin borders), assumed until the
// real frame is known: before the window is first mapped, X11 reports none.
inline constexpr QMargins kAssumedFrame{8, 32, 8, 8};

// The frame margins of a window whose client area is `client` and frame is `frame`; nothing
// (0, 0, 0, 0) when the platform reports no frame yet.
QMargins frameMargins(const QRect& client, const QRect& frame);

// The largest client size whose frame fits within `available`.
QSize clientLimit(const QSize& available, const QMargins& frame);

// The frame's top-left corner that centres a frame of `frameSize` on `available` (to within half
// a pixel), and keeps it within `available`; a frame larger than the screen keeps its top-left
// corner (and title bar) on the screen.
QPoint centredFrameCorner(const QSize& frameSize, const QRect& available);

}  // namespace capcode::ui
