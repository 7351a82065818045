#include "ui/progress_window.hpp"

#include <QApplication>
#include <QCoreApplication>
#include <QFontMetrics>
#include <QProgressBar>
#include <QVBoxLayout>
#include <algorithm>

namespace capcode::ui {

ProgressWindow::ProgressWindow(QWidget* owner)
    : HidingDialog(owner, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                              Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint),
      bar_(new QProgressBar(this)) {
  setObjectName("State_Form");
  setWindowTitle("Writing to eeprom.Please waiting...");
  setModal(false);
  bar_->setObjectName("ProgressBar1");
  bar_->setRange(0, 64);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(bar_);
  setFixedSize(std::max(360, widthForCaptions()), 70);
}

int ProgressWindow::widthForCaptions() {
  // The title bar's font is the desktop's; a bold title font a fifth wider than the window
  // font, and the buttons beside the title, still leave the longest caption whole.
  const QFontMetrics metrics(QApplication::font());
  int widest = 0;
  for (const char* caption : kCaptions) {
    widest = std::max(widest, metrics.horizontalAdvance(QString::fromLatin1(caption)));
  }
  return widest * 6 / 5 + kTitleButtonsWidth;
}

void ProgressWindow::showCaption(const QString& caption) {
  setWindowTitle(caption);
  if (parentWidget() != nullptr) {
    // Centred over the window.
    const QRect owner = parentWidget()->frameGeometry();
    QDialog::move(owner.center() - rect().center());
  }
  show();
  repaintNow();
}

void ProgressWindow::move(int position, int maximum) {
  bar_->setRange(0, maximum);
  bar_->setValue(position);
  // The transfer blocks the event loop: let the bar be painted now and then.
  if (!sinceRepaint_.isValid() || sinceRepaint_.elapsed() > 30) repaintNow();
}

void ProgressWindow::repaintNow() {
  sinceRepaint_.restart();
  // Everything is processed, so that the person's input is dropped by the window's hold on it
  // now instead of waiting in the queue until the transfer is over.
  QCoreApplication::processEvents(QEventLoop::AllEvents);
}

}  // namespace capcode::ui
