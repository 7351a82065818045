#pragma once
// A window brought up as the automation does (image A decoded under HW-A2), driven the way a
// person drives it. Every action runs as one window event, so rule errors become "error:" lines.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/window_program.hpp"
#include "core/codec.hpp"
#include "core/program_state.hpp"
#include "support/recording_feedback.hpp"

namespace capcode::testing {

class WindowTest : public ::testing::Test {
 protected:
  WindowTest() {
    state.ConfigImage = defaultImageA();
    state.event([this] { decodeImage(state); });
    feedback.events.clear();
  }

  void type(const std::string& name, const std::string& text) {
    state.event([&] { form.userType(name, text); });
  }
  void key(const std::string& name, char k) {
    state.event([&] { form.userKey(name, k); });
  }
  void leave(const std::string& name) {
    state.event([&] { form.leave(name); });
  }
  void pick(const std::string& name, int index) {
    state.event([&] { form.userPick(name, index); });
  }
  void click(const std::string& name) {
    state.event([&] { form.userClick(name); });
  }
  void set(const std::string& name, const std::string& text) {
    state.event([&] { form.setText(name, text); });
  }
  void check(const std::string& name, bool on) {
    state.event([&] { form.setChecked(name, on); });
  }
  void run(const std::string& handler) {
    state.event([&] { form.runHandler(handler); });
  }
  // The transcript lines since the last call.
  std::vector<std::string> events() {
    std::vector<std::string> out;
    out.swap(feedback.events);
    return out;
  }
  const std::string& text(const std::string& name) const { return form.text(name); }
  int index(const std::string& name) const { return form.index(name); }
  bool checked(const std::string& name) const { return form.checked(name); }
  bool enabled(const std::string& name) const { return form.at(name).enabled; }
  bool visible(const std::string& name) const { return form.at(name).visible; }

  RecordingFeedback feedback;
  WindowProgram state{feedback};
  FormModel& form = state.form;
};

using Lines = std::vector<std::string>;

}  // namespace capcode::testing
