#pragma once
// A window after the whole start-up, its language libraries taken from the source tree.

#include <gtest/gtest.h>

#include "app/startup.hpp"
#include "support/window_fixture.hpp"

namespace capcode::testing {

inline StartupOptions testStartupOptions(char mark = '.') {
  StartupOptions options;
  options.systemDecimalMark = mark;
  options.dataDirectories = {CAPCODE_SOURCE_DATA_DIR};
  return options;
}

class StartedWindowTest : public DrivenWindowTest {
 protected:
  StartedWindowTest() {
    state.event([this] { startProgram(state, testStartupOptions()); });
    startupEvents = feedback.events;
    feedback.events.clear();
  }
  const std::string& caption() const { return form.at("Form1").caption; }

  std::vector<std::string> startupEvents;
};

}  // namespace capcode::testing
