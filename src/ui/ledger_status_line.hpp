#pragma once
// The line under the status log that shows the ledger at a glance: where the pagers are
// recorded, this station, the batch, how many pagers were verified today and the last capcodes
// written; or, in a warning style, why nothing can be recorded (the whole reason, on a second
// line when it must). Beside it, the "Ledger…" button that opens the records. The tooltip holds
// the whole line.

#include <QStringList>
#include <QWidget>
#include <functional>

#include "production/window_production.hpp"

class QFontMetrics;
class QLabel;
class QPushButton;

namespace capcode::ui {

// A ledger's path or server shortened to `width` pixels: the middle of its folder gives way, its
// file name (a server's database) stays whole: "/home/…/capcode/ledger.sqlite3", at the least
// "…/ledger.sqlite3". A name without a folder loses its middle.
QString shortenedLedgerName(const QString& ledger, int width, const QFontMetrics& metrics);

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
  QString ledger_;       // the part shortened first: a path or a server can be long
  QString rest_;         // what follows it up to the last pager's rows
  QStringList lastRows_;  // "1=2004000", "2=2004008": shortened from the end, whole rows
  QString text_;
  bool warning_ = false;
};

}  // namespace capcode::ui
