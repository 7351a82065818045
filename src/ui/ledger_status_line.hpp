#pragma once
// The line under the status log that shows the ledger at a glance: where the pagers are
// recorded, this station, the batch, how many pagers were verified today and the last capcodes
// written; or, in a warning style, why nothing can be recorded. Beside it, the "Ledger…"
// button that opens the records.

#include <QWidget>
#include <functional>

#include "production/window_production.hpp"

class QLabel;
class QPushButton;

namespace capcode::ui {

class LedgerStatusLine final : public QWidget {
 public:
  explicit LedgerStatusLine(QWidget* parent = nullptr);

  void setStatus(const ProductionStatus& status);
  // The whole line; the label shows it shortened to its width (the whole line in the tooltip).
  const QString& text() const { return text_; }
  QString shownText() const;
  bool warning() const { return warning_; }
  QPushButton* recordsButton() const { return button_; }

 protected:
  void resizeEvent(QResizeEvent* event) override;

 private:
  void fitText();

  QLabel* label_;
  QPushButton* button_;
  QString ledger_;  // the part shortened first: a path or a server can be long
  QString rest_;    // what follows it, kept whole as long as there is room
  QString text_;
  bool warning_ = false;
};

}  // namespace capcode::ui
