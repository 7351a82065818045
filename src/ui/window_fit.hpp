#pragma once
// The window's size and place on the screen: every page shown without scroll bars and the
// status log with eight lines, within the screen's free area, the frame centred on it. Fitted
// when first shown, again once every page is made, and again when the window manager's real
// frame turns out other than the one assumed.

#include <QRect>

#include "ui/window_registry.hpp"

class QMainWindow;

namespace capcode::ui {

class WindowFit {
 public:
  // Fits `window`, measuring what `registry` has made; both are kept by reference and outlive
  // this.
  WindowFit(QMainWindow& window, const WindowRegistry& registry);

  // The size that shows every page without scroll bars and the status log with eight lines,
  // within `available` (the screen's free area); the window is resized to it and its frame
  // centred on `available`, within it. Pixels are device-independent.
  void fitTo(const QRect& available);
  // The status log's height for that many lines, in pixels.
  int logHeightFor(int lines) const;

  // The opening size was set (the window was first shown).
  bool fitted() const { return fitted_; }
  // The opening size, when the window is first shown: fitted to its screen (the primary
  // screen when it has none yet).
  void fitOpening();
  // More pages were made: a window already fitted is fitted to every page.
  void fitAgain();
  // The window moved: fitted with an assumed frame, it is fitted and centred again once the
  // window manager tells the real one.
  void moved();

 private:
  // Fits to the window's screen, or the primary screen when it has none yet.
  void fitToScreen();

  QMainWindow& window_;
  const WindowRegistry& registry_;
  bool fitted_ = false;      // the opening size was set when first shown
  bool frameKnown_ = false;  // it was fitted with the frame's real size
};

}  // namespace capcode::ui
