#include "ui/ledger_wait_window.hpp"

#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace capcode::ui {

LedgerWaitWindow::LedgerWaitWindow(QWidget* owner, std::function<void()> cancel)
    : HidingDialog(owner, Qt::Dialog | Qt::WindowTitleHint | Qt::CustomizeWindowHint),
      text_(new QLabel(this)),
      cancel_(new QPushButton("Cancel", this)) {
  setObjectName("ledgerWait");
  setWindowTitle("Waiting for the ledger");
  setModal(false);
  text_->setObjectName("ledgerWaitText");
  text_->setTextFormat(Qt::PlainText);
  text_->setWordWrap(true);
  cancel_->setObjectName("ledgerWaitCancel");
  cancel_->setToolTip("The pager is not written once the ledger has answered");
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(text_);
  layout->addWidget(cancel_, 0, Qt::AlignRight);
  connect(cancel_, &QPushButton::clicked, this, [this, cancel = std::move(cancel)] {
    cancelled_ = true;
    cancel_->setEnabled(false);
    cancel();
    render();
  });
  setMinimumWidth(420);
}

void LedgerWaitWindow::showWait(const QString& ledger, const QString& what, int seconds) {
  if (!isVisible()) {
    cancelled_ = false;
    cancel_->setEnabled(true);
  }
  ledger_ = ledger;
  what_ = what;
  seconds_ = seconds;
  render();
  if (isVisible()) return;
  adjustSize();
  if (parentWidget() != nullptr) {
    const QRect owner = parentWidget()->frameGeometry();
    move(owner.center() - rect().center());
  }
  show();
}

void LedgerWaitWindow::render() {
  QString text = "Waiting for the ledger " + ledger_ + " (" + what_ +
                 "): " + QString::number(seconds_) + " s.";
  text += cancelled_ ? "\nCancelled: the pager is not written once the ledger has answered."
                     : "\nNo pager is written before its record is made.";
  if (text_->text() != text) text_->setText(text);
}

QString LedgerWaitWindow::text() const {
  return text_->text();
}

}  // namespace capcode::ui
