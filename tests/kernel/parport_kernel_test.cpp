// The real `capcode` on the ppdev back end, against /dev/parport0 on an emulated ppdev driver
// with the programmer adapter and a bit-level 24C16 behind it.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "support/kernel/parallel_port_test.hpp"

namespace capcode::kernel {
namespace {

struct PortListing {
  bool restricted;
  std::string line;
};

TEST_F(ParallelPortOnKernel, DevicesOpensThePortAndLetsItGo) {
  const std::vector<PortListing> cases = {
      {false, "/dev/parport0  can be opened"},
      // The node is root's, not group lp's: its owner, group and mode, not the lp advice.
      {true, "/dev/parport0  cannot be opened: Permission denied: the node belongs to root, "
             "group root, mode 0600"},
  };
  for (const PortListing& c : cases) {
    SCOPED_TRACE(c.line);
    if (c.restricted) {
      ::chmod((testbed->root() + "/dev/parport0").c_str(), 0600);
      // The preload connects to the port's socket whether or not the open succeeds.
      ::chmod((testbed->root() + "/ioctl/dev/parport0").c_str(), 0666);
      ::chmod(testbed->root().c_str(), 0755);
    }
    const unsigned claimsBefore = port->claims();
    const ProgramRun run = capcode({"devices"}, 30000, c.restricted);
    EXPECT_EQ(run.status, 0) << run.all();
    EXPECT_TRUE(has(run.out, c.line)) << run.all();
    EXPECT_EQ(port->claims() - claimsBefore, c.restricted ? 0u : 1u);
    EXPECT_FALSE(port->claimed());
  }
}

TEST_F(ParallelPortOnKernel, ReadSavesTheChipByteForByte) {
  const std::vector<std::uint8_t> pager = pagerImage();
  port->setEeprom(pager);
  // Some 164,000 forwarded ioctls.
#ifdef CAPCODE_SANITIZED
  constexpr int kLimitMillis = 280000;
#else
  constexpr int kLimitMillis = 110000;
#endif
  const ProgramRun run = capcode({"read", folder / "read.eep"}, kLimitMillis);
  EXPECT_EQ(run.status, 0) << run.all();
  EXPECT_TRUE(has(run.out, "Read completed")) << run.all();
  EXPECT_EQ(test::fileBytes(folder / "read.eep"), pager);
  EXPECT_EQ(port->refusedUnclaimed(), 0u);
  EXPECT_FALSE(port->claimed());
}

TEST_F(ParallelPortOnKernel, AReadWithNoPagerFailsAndLetsThePortGo) {
  port->removeChip();
  const ProgramRun run = capcode({"read", folder / "read.eep"});
  EXPECT_EQ(run.status, 1) << run.all();
  EXPECT_TRUE(has(run.out, "Device not exist, please check the connection.")) << run.all();
  EXPECT_FALSE(has(run.out, "Read completed")) << run.all();
  EXPECT_FALSE(std::filesystem::exists(folder / "read.eep"));
  EXPECT_EQ(port->claims(), 1u);
  EXPECT_EQ(port->refusedUnclaimed(), 0u);
  EXPECT_FALSE(port->claimed());
}

}  // namespace
}  // namespace capcode::kernel
