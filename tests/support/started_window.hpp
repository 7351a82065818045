#pragma once
// A window after the whole start-up, its language libraries taken from the source tree.

#include <gtest/gtest.h>

#include "app/startup.hpp"
#include "app/window_program.hpp"
#include "support/window_fixture.hpp"

namespace capcode::testing {

inline StartupOptions testStartupOptions(char mark = '.') {
  StartupOptions options;
  options.systemDecimalMark = mark;
  options.dataDirectories = {CAPCODE_SOURCE_DATA_DIR};
  return options;
}

class StartedWindowTest : public ::testing::Test {
 protected:
  StartedWindowTest() {
    state.event([this] { startProgram(state, testStartupOptions()); });
    startupEvents = feedback.events;
    feedback.events.clear();
  }
  std::vector<std::string> events() {
    std::vector<std::string> out;
    out.swap(feedback.events);
    return out;
  }
  void pick(const std::string& name, int index) {
    state.event([&] { form.userPick(name, index); });
  }
  void click(const std::string& name) {
    state.event([&] { form.userClick(name); });
  }
  const std::string& caption() const { return form.at("Form1").caption; }

  RecordingFeedback feedback;
  WindowProgram state{feedback};
  FormModel& form = state.form;
  std::vector<std::string> startupEvents;
};

}  // namespace capcode::testing
