#include "ui/input_hold.hpp"

#include <QApplication>
#include <QEvent>
#include <QWidget>

namespace capcode::ui {

namespace {

// Drops what the person does while a transfer runs: clicks, keys and closing the window would
// otherwise wait in the queue and act once the write is over. What `passes` lets through
// reaches its widget.
class DroppedInput final : public QObject {
 public:
  explicit DroppedInput(const std::function<bool(QObject*)>& passes) : passes_(passes) {}

  bool eventFilter(QObject* watched, QEvent* event) override {
    if (passes_(watched)) return false;
    switch (event->type()) {
      case QEvent::MouseButtonPress:
      case QEvent::MouseButtonRelease:
      case QEvent::MouseButtonDblClick:
      case QEvent::Wheel:
      case QEvent::KeyPress:
      case QEvent::KeyRelease:
      case QEvent::Shortcut:
      case QEvent::ShortcutOverride:
      case QEvent::ContextMenu:
      case QEvent::Drop:
      case QEvent::TouchBegin:
      case QEvent::TouchUpdate:
      case QEvent::TouchEnd:
        return true;
      case QEvent::Close:
        return watched->isWidgetType() && static_cast<QWidget*>(watched)->isWindow();
      default:
        return false;
    }
  }

 private:
  const std::function<bool(QObject*)>& passes_;
};

}  // namespace

InputHold::InputHold(std::function<bool(QObject*)> passes) : passes_(std::move(passes)) {}

InputHold::~InputHold() = default;

void InputHold::hold() {
  if (filter_) return;
  filter_ = std::make_unique<DroppedInput>(passes_);
  qApp->installEventFilter(filter_.get());
  QApplication::setOverrideCursor(Qt::WaitCursor);
}

void InputHold::release() {
  if (!filter_) return;
  // What arrived during the last moments of the transfer is dropped too.
  QCoreApplication::processEvents(QEventLoop::AllEvents);
  qApp->removeEventFilter(filter_.get());
  filter_.reset();
  QApplication::restoreOverrideCursor();
}

void InputHold::runModal(const std::function<void()>& show) {
  // A box raised in the middle of a transfer (a programmer's error reply, the ledger's refusal)
  // must take the person's answer: the hold is lifted while it is shown, then put back.
  std::unique_ptr<QObject> held = std::move(filter_);
  if (held) {
    qApp->removeEventFilter(held.get());
    QApplication::restoreOverrideCursor();
  }
  show();
  if (held) {
    filter_ = std::move(held);
    qApp->installEventFilter(filter_.get());
    QApplication::setOverrideCursor(Qt::WaitCursor);
  }
}

}  // namespace capcode::ui
