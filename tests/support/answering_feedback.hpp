#pragma once
// Feedback for a program nobody watches: every notice is swallowed, and a file dialog is
// answered once with the path given, as by a person who typed it.

#include <optional>
#include <string>
#include <vector>

#include "core/feedback.hpp"

namespace capcode::test {

class AnsweringFeedback final : public Feedback {
 public:
  // `keepLog`: the status log's lines are kept in `lines`, for a check of what was logged.
  explicit AnsweringFeedback(bool keepLog = false) : keepLog_(keepLog) {}

  std::optional<std::string> chooseFile(const FileDialogRequest&) override {
    std::optional<std::string> given;
    given.swap(answer);
    return given;
  }
  void log(std::string_view line) override {
    if (keepLog_) lines.emplace_back(line);
  }
  void beep() override {}
  void focus(std::string_view) override {}
  void message(std::string_view) override {}
  void errorNotice(std::string_view) override {}

  // How the next file dialog is answered; nothing cancels it.
  std::optional<std::string> answer;
  std::vector<std::string> lines;

 private:
  bool keepLog_;
};

}  // namespace capcode::test
