#pragma once
// A test on the emulated kernel: its testbed (or a skip that says why there can be none), the
// boxes plugged into it, and a work folder.

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "support/kernel/emulated_box.hpp"
#include "support/kernel/testbed.hpp"
#include "support/temp_folder.hpp"

namespace capcode::kernel {

class TestbedTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (const std::string why = emulationProblem(); !why.empty())
      GTEST_SKIP() << "the emulated kernel cannot run: " << why;
    testbed.emplace();
    if (!testbed->redirects())
      GTEST_SKIP() << "the emulated kernel cannot run: umockdev's preload library does not "
                      "redirect /sys here";
  }
  void TearDown() override {
    boxes.clear();  // before the testbed
    testbed.reset();
  }
  // A new testbed with no box in it, for the next case of a table.
  void freshTestbed() {
    TearDown();
    testbed.emplace();
  }

  test::TempFolder folder;
  std::optional<Testbed> testbed;
  std::vector<std::unique_ptr<EmulatedBox>> boxes;
};

}  // namespace capcode::kernel
