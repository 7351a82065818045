#pragma once
// Shown over the window while the ledger is slow to answer (a server that does not answer, a
// file another station has locked): what the window waits for and for how long, and Cancel,
// which writes nothing once the ledger has answered. Closing it only hides it.

#include <functional>

#include "ui/hiding_dialog.hpp"

class QLabel;
class QPushButton;

namespace capcode::ui {

class LedgerWaitWindow final : public HidingDialog {
 public:
  // `cancel` runs when the person presses Cancel.
  LedgerWaitWindow(QWidget* owner, std::function<void()> cancel);
  // "Waiting for the ledger (checking the capcodes): 3 s", centred over the owner.
  void showWait(const QString& ledger, const QString& what, int seconds);
  QString text() const;
  QPushButton* cancelButton() const { return cancel_; }

 private:
  void render();

  QLabel* text_;
  QPushButton* cancel_;
  bool cancelled_ = false;
  QString ledger_;
  QString what_;
  int seconds_ = 0;
};

}  // namespace capcode::ui
