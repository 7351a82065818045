#pragma once
// What the program does to the person at the window: log lines in the status log, beeps, the
// focus put back on a field, message boxes, questions, file dialogs and the progress dialog.
// Every box is modal over the window and can be answered while a transfer holds the input.

#include <QString>
#include <functional>
#include <optional>
#include <string>

#include "core/feedback.hpp"
#include "ui/window_registry.hpp"

class QWidget;

namespace capcode::ui {

class InputHold;
class ProgressWindow;

class WindowFeedback final : public Feedback {
 public:
  // `window` owns the boxes and the progress dialog and gives them its title; the status log is
  // found in `registry` when a line comes (it is made after this). `refresh` shows the model on
  // the window before a box covers it. All are kept by reference and outlive this.
  WindowFeedback(QWidget& window, const WindowRegistry& registry, InputHold& hold,
                 std::function<void()> refresh);

  void log(std::string_view line) override;
  void beep() override;
  void focus(std::string_view control) override;
  void message(std::string_view text) override;
  void errorNotice(std::string_view text) override;
  std::optional<std::size_t> ask(const Question& question) override;
  using Feedback::ask;
  void warning(std::string_view text) override;
  std::optional<std::string> chooseFile(const FileDialogRequest& request) override;
  void progressShown(std::string_view caption) override;
  void progressCaption(std::string_view caption) override;
  void progressMoved(int position, int maximum) override;
  void progressHidden() override;

  // A paste's refused characters sound one beep, not one each: beeps are counted from
  // muteBeeps() to unmuteBeeps(), which says whether any came.
  void muteBeeps() { mutedBeeps_ = 0; }
  bool unmuteBeeps();
  // The control a rule asked to focus during the event (empty for none); asked once.
  std::string takeFocus();
  // How the next file dialog is answered (a file given on the command line); nothing: the
  // dialog is shown.
  void answerNextDialog(std::optional<std::string> path) { dialogAnswer_ = std::move(path); }
  // Made on the first call (the first transfer); owned by the window.
  ProgressWindow* progressWindow() const;

 private:
  QWidget& window_;
  const WindowRegistry& registry_;
  InputHold& hold_;
  std::function<void()> refresh_;
  int mutedBeeps_ = -1;  // counting instead of beeping while >= 0 (a paste)
  mutable ProgressWindow* progress_ = nullptr;
  std::string pendingFocus_;
  std::optional<std::string> dialogAnswer_;
};

}  // namespace capcode::ui
