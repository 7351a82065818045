// The complete write and verify of the real `capcode` over the ppdev back end, against the
// emulated /dev/parport0 and its 24C16: some 457,000 forwarded ioctls, a few minutes, so it is
// labelled slow and left out of ./test.sh unless asked for.

#include <gtest/gtest.h>

#include "support/kernel/parallel_port_test.hpp"

namespace capcode::kernel {
namespace {

TEST_F(ParallelPortOnKernel, SlowWriteEndsVerifiedWithTheBytesInTheChip) {
  const std::vector<std::uint8_t> pager = pagerImage();
  port->setEeprom(pager);
  const std::string config = writeFile("config.eep", pager);
  const std::vector<std::uint8_t> expected = simulatedWrite(config, pager, "--sim-lpt");
  const ProgramRun run = capcode({"write", config, "--ledger", folder / "ledger.sqlite3"}, 500000);
  EXPECT_EQ(run.status, 0) << run.all();
  EXPECT_TRUE(has(run.out, "Verify OK !")) << run.all();
  EXPECT_EQ(port->eeprom(), expected);
  EXPECT_EQ(port->refusedUnclaimed(), 0u);
  EXPECT_FALSE(port->claimed());
}

}  // namespace
}  // namespace capcode::kernel
