#pragma once
// The set-up the tests of the real back ends on the emulated kernel share: the testbed of
// TestbedTest, pager images, and the real `capcode` run on it.

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/startup.hpp"
#include "support/kernel/emulated_box.hpp"
#include "support/kernel/run_program.hpp"
#include "support/kernel/testbed.hpp"
#include "support/kernel/testbed_test.hpp"
#include "support/temp_folder.hpp"

namespace capcode::kernel {

class EmulatedKernelTest : public TestbedTest {
 protected:
  EmulatedBox& addBox(const std::string& product = "P-2 programmer") {
    boxes.push_back(std::make_unique<EmulatedBox>(*testbed, static_cast<int>(boxes.size()) + 1,
                                                  product));
    return *boxes.back();
  }

  // A pager as it leaves the factory.
  static std::vector<std::uint8_t> pagerImage() {
    StartupOptions options;
    options.dataDirectories = {CAPCODE_SOURCE_DATA_DIR};
    const Image image = factoryFreshPager(options);
    return {image.begin(), image.end()};
  }
  std::string writeFile(const std::string& name, const std::vector<std::uint8_t>& bytes) {
    const std::string path = folder / name;
    test::writeBytes(path, bytes);
    return path;
  }

  // `capcode ARGS...` (with the source tree's language libraries), within `limitMillis`.
  ProgramRun capcode(std::vector<std::string> args, int limitMillis = 30000, bool asNobody = false) {
    if (args.front() != "ledger") {
      args.push_back("--data-dir");
      args.push_back(CAPCODE_SOURCE_DATA_DIR);
    }
    return runProgram(CAPCODE_TOOL, args, limitMillis, asNobody);
  }

  // What `capcode write CONFIG` leaves in a pager holding `pager`, by the program's own
  // simulation (`simulation`: --sim-usb or --sim-lpt): the bytes the emulated one must end with.
  std::vector<std::uint8_t> simulatedWrite(const std::string& config,
                                           const std::vector<std::uint8_t>& pager,
                                           const std::string& simulation = "--sim-usb") {
    const std::string simulated = writeFile("simulated.eep", pager);
    const ProgramRun run = capcode({"write", config, "--no-ledger", simulation, simulated});
    EXPECT_EQ(run.status, 0) << run.all();
    return test::fileBytes(simulated);
  }
};

inline bool has(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

}  // namespace capcode::kernel
