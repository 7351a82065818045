#pragma once
// The feedback of a configuration opened by a tool: everything reaches the person's own
// feedback, File > Open's dialog is answered with the file the tool names (once), and the beeps,
// focus returns and error notices the rules give are counted, so that an edit can tell whether
// the window refused it.

#include <optional>
#include <string>
#include <vector>

#include "core/feedback.hpp"

namespace capcode {

class FileFeedback final : public Feedback {
 public:
  // `person` must outlive this feedback.
  explicit FileFeedback(Feedback& person) : person_(person) {}

  void log(std::string_view line) override { person_.log(line); }
  void beep() override {
    ++beeps;
    person_.beep();
  }
  void focus(std::string_view control) override {
    ++focusReturns;
    person_.focus(control);
  }
  void message(std::string_view text) override { person_.message(text); }
  void errorNotice(std::string_view text) override {
    ++notices;
    person_.errorNotice(text);
  }
  std::optional<std::size_t> ask(const Question& question) override {
    return person_.ask(question);
  }
  void warning(std::string_view text) override { person_.warning(text); }
  std::optional<std::string> chooseFile(const FileDialogRequest&) override {
    std::optional<std::string> given;
    given.swap(answer);
    return given;
  }
  void progressShown(std::string_view caption) override { person_.progressShown(caption); }
  void progressCaption(std::string_view caption) override { person_.progressCaption(caption); }
  void progressMoved(int position, int maximum) override {
    person_.progressMoved(position, maximum);
  }
  void progressHidden() override { person_.progressHidden(); }

  std::optional<std::string> answer;  // the path the next file dialog is given
  std::size_t beeps = 0;
  std::size_t focusReturns = 0;
  std::size_t notices = 0;

 private:
  Feedback& person_;
};

}  // namespace capcode
