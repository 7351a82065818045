#pragma once
// A dialog beside the window that closing only hides: the work it shows (a transfer, a wait for
// the ledger) goes on, and the window shows the dialog again when it needs it.

#include <QCloseEvent>
#include <QDialog>

namespace capcode::ui {

class HidingDialog : public QDialog {
 public:
  HidingDialog(QWidget* owner, Qt::WindowFlags flags) : QDialog(owner, flags) {}

 protected:
  void closeEvent(QCloseEvent* event) override {
    event->ignore();
    hide();
  }
};

}  // namespace capcode::ui
