#pragma once
// How the command-line tool shows what the program does: the status log as lines on a stream
// (standard output, or standard error when standard output carries an image), message boxes
// and error notices on standard error, and the progress dialog as a bar on standard error when
// that is a terminal.

#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "core/feedback.hpp"

namespace capcode {

class ConsoleFeedback final : public Feedback {
 public:
  // `terminal`: standard error is a terminal, so a progress bar may be drawn on it.
  ConsoleFeedback(std::ostream& log, std::ostream& err, bool terminal)
      : log_(log), err_(err), terminal_(terminal) {}

  void log(std::string_view line) override;
  void beep() override { ++beeps; }
  void focus(std::string_view control) override { focused.emplace_back(control); }
  void message(std::string_view text) override;
  void errorNotice(std::string_view text) override;
  void progressShown(std::string_view caption) override { caption_ = caption; }
  void progressCaption(std::string_view caption) override { caption_ = caption; }
  void progressMoved(int position, int maximum) override;
  void progressHidden() override { clearProgress(); }
  // File dialogs are answered with the file of the command line, once.
  std::optional<std::string> chooseFile(const FileDialogRequest&) override;

  std::optional<std::string> answer;
  // Controls that rules put the focus back on, oldest first.
  std::vector<std::string> focused;
  // Error notices shown so far.
  std::vector<std::string> notices;
  // Beeps sounded so far (a terminal tool does not sound them).
  std::size_t beeps = 0;

 private:
  void clearProgress();

  std::ostream& log_;
  std::ostream& err_;
  bool terminal_;
  bool drawn_ = false;
  std::string caption_;
};

}  // namespace capcode
