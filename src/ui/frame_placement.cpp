#include "ui/frame_placement.hpp"

#include <algorithm>

namespace capcode::ui {

QMargins frameMargins(const QRect& client, const QRect& frame) {
  return {client.left() - frame.left(), client.top() - frame.top(), frame.right() - client.right(),
          frame.bottom() - client.bottom()};
}

QSize clientLimit(const QSize& available, const QMargins& frame) {
  return available.shrunkBy(frame).expandedTo(QSize(1, 1));
}

QPoint centredFrameCorner(const QSize& frameSize, const QRect& available) {
  const int x = (available.width() - frameSize.width()) / 2;
  const int y = (available.height() - frameSize.height()) / 2;
  return available.topLeft() + QPoint(std::max(0, x), std::max(0, y));
}

}  // namespace capcode::ui
