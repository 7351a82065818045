#pragma once
// Passes everything the program shows on to the person's feedback, and keeps what a tool or a
// batch must look at afterwards to tell whether the window refused something: the beeps, the
// controls a rule put the focus back on and the error notices. File > Open's dialog is answered
// with the file the tool names, once.

#include <optional>
#include <string>
#include <vector>

#include "core/feedback.hpp"

namespace capcode {

class WatchingFeedback final : public Feedback {
 public:
  // `shown` must outlive this object. A file dialog after the answered one goes to the person
  // when `laterDialogsToPerson`, else it is cancelled (a tool shows no dialog).
  explicit WatchingFeedback(Feedback& shown, bool laterDialogsToPerson = true)
      : shown_(shown), laterDialogsToPerson_(laterDialogsToPerson) {}

  void log(std::string_view line) override { shown_.log(line); }
  void beep() override {
    ++beeps;
    shown_.beep();
  }
  void focus(std::string_view control) override {
    focused.emplace_back(control);
    shown_.focus(control);
  }
  void message(std::string_view text) override { shown_.message(text); }
  void errorNotice(std::string_view text) override {
    notices.emplace_back(text);
    shown_.errorNotice(text);
  }
  std::optional<std::size_t> ask(const Question& question) override { return shown_.ask(question); }
  using Feedback::ask;
  void warning(std::string_view text) override { shown_.warning(text); }
  std::optional<std::string> chooseFile(const FileDialogRequest& request) override {
    if (!answer && laterDialogsToPerson_) return shown_.chooseFile(request);
    std::optional<std::string> given;
    given.swap(answer);
    return given;
  }
  void progressShown(std::string_view caption) override { shown_.progressShown(caption); }
  void progressCaption(std::string_view caption) override { shown_.progressCaption(caption); }
  void progressMoved(int position, int maximum) override {
    shown_.progressMoved(position, maximum);
  }
  void progressHidden() override { shown_.progressHidden(); }

  // Forgets the answer and everything watched so far, as if newly made.
  void forget() {
    answer.reset();
    beeps = 0;
    focused.clear();
    notices.clear();
  }

  std::optional<std::string> answer;  // the next file dialog's path
  std::size_t beeps = 0;
  std::vector<std::string> focused;  // oldest first
  std::vector<std::string> notices;  // oldest first

 private:
  Feedback& shown_;
  bool laterDialogsToPerson_;
};

}  // namespace capcode
