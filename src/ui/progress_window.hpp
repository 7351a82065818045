#pragma once
// The progress dialog shown beside the window while a pager is read or written: a fixed small
// dialog with one progress bar; closing it only hides it and does not stop the transfer.

#include <QDialog>
#include <QElapsedTimer>

class QProgressBar;

namespace capcode::ui {

class ProgressWindow final : public QDialog {
 public:
  explicit ProgressWindow(QWidget* owner);
  void showCaption(const QString& caption);
  void setCaption(const QString& caption) { setWindowTitle(caption); }
  void move(int position, int maximum);
  QProgressBar* bar() const { return bar_; }

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void repaintNow();
  QProgressBar* bar_;
  QElapsedTimer sinceRepaint_;
};

}  // namespace capcode::ui
