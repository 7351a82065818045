#pragma once
// A window driven the way a person drives it, every action one window event so that rule
// errors become "error:" lines; and the window brought up as the automation does (image A
// decoded under HW-A2).

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/window_program.hpp"
#include "core/codec.hpp"
#include "core/program_state.hpp"
#include "support/recording_feedback.hpp"

namespace capcode::testing {

using Lines = std::vector<std::string>;

// The program state with every rule installed, and the person's hands on it.
class DrivenWindowTest : public ::testing::Test {
 protected:
  void type(const std::string& name, const std::string& text) {
    act<&FormModel::userType>(name, text);
  }
  void key(const std::string& name, char k) { act<&FormModel::userKey>(name, k, std::nullopt); }
  void leave(const std::string& name) { act<&FormModel::leave>(name); }
  void pick(const std::string& name, int index) { act<&FormModel::userPick>(name, index); }
  void click(const std::string& name) { act<&FormModel::userClick>(name); }
  void set(const std::string& name, const std::string& text) {
    act<&FormModel::setText>(name, text);
  }
  void check(const std::string& name, bool on) { act<&FormModel::setChecked>(name, on); }
  void run(const std::string& handler) { act<&FormModel::runHandler>(handler); }
  // The transcript lines since the last call.
  Lines events() {
    Lines out;
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

 private:
  // Runs the form's `action` on the control `name` as one window event.
  template <auto action, typename... Args>
  void act(const std::string& name, const Args&... args) {
    state.event([&] { (form.*action)(name, args...); });
  }
};

class WindowTest : public DrivenWindowTest {
 protected:
  WindowTest() {
    state.ConfigImage = defaultImageA();
    state.event([this] { decodeImage(state); });
    feedback.events.clear();
  }
};

}  // namespace capcode::testing
