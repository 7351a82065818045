#pragma once
// The progress dialog shown beside the window while a pager is read or written: a fixed small
// dialog with one progress bar; closing it only hides it and does not stop the transfer.

#include <QElapsedTimer>

#include "ui/hiding_dialog.hpp"

class QProgressBar;

namespace capcode::ui {

class ProgressWindow final : public HidingDialog {
 public:
  // Every caption the dialog shows, the longest deciding its width.
  static constexpr const char* kCaptions[] = {
      "Reading data from Pager, please wait...", "Read back hardware setting, please wait...",
      "Writing data to Pager, please wait...", "Verify data from pager, please wait...",
      "Writing to eeprom.Please waiting..."};
  static constexpr int kTitleButtonsWidth = 120;
  static int widthForCaptions();

  explicit ProgressWindow(QWidget* owner);
  void showCaption(const QString& caption);
  void setCaption(const QString& caption) { setWindowTitle(caption); }
  void move(int position, int maximum);
  QProgressBar* bar() const { return bar_; }

 private:
  void repaintNow();
  QProgressBar* bar_;
  QElapsedTimer sinceRepaint_;
};

}  // namespace capcode::ui
