#pragma once
// Records what the program shows the person, in order, in the automation's transcript forms.

#include <optional>
#include <string>
#include <vector>

#include "core/feedback.hpp"

namespace capcode::testing {

class RecordingFeedback : public Feedback {
 public:
  void log(std::string_view line) override { events.push_back("log: " + std::string(line)); }
  void beep() override { events.emplace_back("beep"); }
  void focus(std::string_view control) override {
    events.push_back("focus: " + std::string(control));
  }
  void message(std::string_view text) override {
    events.push_back("message: " + std::string(text));
  }
  void errorNotice(std::string_view text) override {
    events.push_back("error: " + std::string(text));
  }

  std::optional<std::string> chooseFile(const FileDialogRequest& request) override {
    lastDialog = request;
    std::optional<std::string> given;
    given.swap(answer);
    return given;
  }
  void progressShown(std::string_view caption) override {
    events.push_back("progress: show " + std::string(caption));
  }
  void progressCaption(std::string_view caption) override {
    events.push_back("progress: caption " + std::string(caption));
  }
  void progressHidden() override { events.emplace_back("progress: hide"); }

  std::vector<std::string> events;
  // How the next file dialog is answered; nothing cancels it.
  std::optional<std::string> answer;
  FileDialogRequest lastDialog;
};

}  // namespace capcode::testing
