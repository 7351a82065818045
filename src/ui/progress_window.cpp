#include "ui/progress_window.hpp"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QProgressBar>
#include <QVBoxLayout>

namespace capcode::ui {

ProgressWindow::ProgressWindow(QWidget* owner)
    : QDialog(owner, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                         Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint),
      bar_(new QProgressBar(this)) {
  setObjectName("State_Form");
  setWindowTitle("Writing to eeprom.Please waiting...");
  setModal(false);
  bar_->setObjectName("ProgressBar1");
  bar_->setRange(0, 64);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(bar_);
  setFixedSize(360, 70);
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
  QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void ProgressWindow::closeEvent(QCloseEvent* event) {
  event->ignore();
  hide();
}

}  // namespace capcode::ui
