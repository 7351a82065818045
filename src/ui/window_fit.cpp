#include "ui/window_fit.hpp"

#include <QGuiApplication>
#include <QLayout>
#include <QMainWindow>
#include <QPlainTextEdit>
#include <QScreen>
#include <QScrollArea>
#include <QSplitter>
#include <QTabWidget>
#include <algorithm>

#include "ui/frame_placement.hpp"
#include "ui/ledger_status_line.hpp"

namespace capcode::ui {

namespace {

// What a page's controls ask for; nothing for a page not made yet.
QSize pageSizeHint(const QWidget* scroll) {
  const QWidget* content = static_cast<const QScrollArea*>(scroll)->widget();
  return content == nullptr ? QSize(0, 0) : content->sizeHint();
}

}  // namespace

WindowFit::WindowFit(QMainWindow& window, const WindowRegistry& registry)
    : window_(window), registry_(registry) {}

int WindowFit::logHeightFor(int lines) const {
  const QPlainTextEdit* memo = registry_.log;
  const QFontMetrics metrics(memo->font());
  return metrics.lineSpacing() * lines + 2 * static_cast<int>(memo->document()->documentMargin()) +
         2 * memo->frameWidth() + 2;
}

void WindowFit::fitTo(const QRect& available) {
  QPlainTextEdit* memo = registry_.log;
  QSplitter* split = registry_.split;
  // Pages not shown yet have not taken the style sheet's compact font: measured as they will be.
  // Only the pages made so far: the others are made after the first paint, and the window is
  // fitted again then.
  for (const auto& [name, scroll] : registry_.pages) {
    QWidget* content = static_cast<QScrollArea*>(scroll)->widget();
    if (content == nullptr) continue;
    content->ensurePolished();
    for (QWidget* child : content->findChildren<QWidget*>())
      child->ensurePolished();
    content->layout()->invalidate();
    content->layout()->activate();
  }
  memo->setMinimumHeight(logHeightFor(3));
  // Room for the frame the window manager adds around the window: its own once the platform
  // reports it, else what frames usually take.
  const QMargins reported = frameMargins(window_.geometry(), window_.frameGeometry());
  const QMargins frame = reported.isNull() ? kAssumedFrame : reported;
  frameKnown_ = !reported.isNull();
  const QSize limit = clientLimit(available.size(), frame);
  // Eight lines of log, and the ledger's line under them.
  const int logHeight = logHeightFor(8) + registry_.ledgerLine->sizeHint().height() +
                        registry_.ledgerLine->parentWidget()->layout()->spacing();
  // Start from the largest page and grow by what any page still lacks: the toolkit's frames,
  // tab bar and menu bar are measured, not guessed.
  QSize content;
  for (const auto& [name, scroll] : registry_.pages)
    content = content.expandedTo(pageSizeHint(scroll));
  int pagesHeight = content.height();
  QSize size(content.width(), content.height() + logHeight);
  for (int pass = 0; pass < 6; ++pass) {
    size = size.boundedTo(limit);
    window_.resize(size);
    window_.layout()->activate();
    const int total = split->height() - split->handleWidth();
    const int pages = std::max(0, std::min(pagesHeight, total - memo->minimumHeight()));
    split->setSizes({pages, total - pages});
    // Every page shares the shown page's room (the others are laid out only when shown).
    const QSize room =
        static_cast<QScrollArea*>(registry_.tabs->currentWidget())->maximumViewportSize();
    QSize lacking(0, 0);
    for (const auto& [name, scroll] : registry_.pages) {
      lacking = lacking.expandedTo(pageSizeHint(scroll) - room);
    }
    const int logLacking = std::max(0, logHeight - (total - pages));
    if (lacking.width() <= 0 && lacking.height() <= 0 && logLacking == 0) break;
    pagesHeight = pages + std::max(0, lacking.height());
    const QSize grown =
        size + QSize(std::max(0, lacking.width()), std::max(0, lacking.height()) + logLacking);
    if (grown.boundedTo(limit) == size) break;  // the screen is too small: the pages scroll
    size = grown;
  }
  // A window's position is its frame's.
  window_.move(centredFrameCorner(window_.rect().size().grownBy(frame), available));
}

void WindowFit::fitToScreen() {
  const QScreen* shownOn =
      window_.screen() != nullptr ? window_.screen() : QGuiApplication::primaryScreen();
  if (shownOn != nullptr) fitTo(shownOn->availableGeometry());
}

void WindowFit::fitOpening() {
  // The opening size: what the started window's pages need, measured as shown, within the
  // screen.
  fitted_ = true;
  fitToScreen();
}

void WindowFit::fitAgain() {
  if (fitted_) fitToScreen();
}

void WindowFit::moved() {
  // The window manager has put its frame around the window (X11 tells its size only then):
  // fitted with an assumed frame, the window is fitted and centred again with the real one.
  if (!fitted_ || frameKnown_) return;
  const QMargins reported = frameMargins(window_.geometry(), window_.frameGeometry());
  if (reported.isNull()) return;
  frameKnown_ = true;
  const QScreen* shownOn = window_.screen();
  if (reported != kAssumedFrame && shownOn != nullptr) fitTo(shownOn->availableGeometry());
}

}  // namespace capcode::ui
