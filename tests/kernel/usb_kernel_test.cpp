// The real `capcode` on hidapi's hidraw back end and libudev, against a programmer box on an
// emulated kernel: what it lists, what it reads and writes, and what it says and records when
// the box fails.

#include <gtest/gtest.h>

#include "link/usb_protocol.hpp"
#include "support/kernel/emulated_kernel_test.hpp"

namespace capcode::kernel {
namespace {

using UsbOnKernel = EmulatedKernelTest;

constexpr std::size_t kBlock = 32;

struct Listing {
  std::vector<std::string> products;
  std::vector<std::string> listed;  // the lines `capcode devices` must show
};

TEST_F(UsbOnKernel, DevicesListsEachProgrammerBoxWithItsNodeAndSerial) {
  const std::vector<Listing> cases = {
      {{}, {}},
      {{"P-2 programmer"}, {"/dev/hidraw0  serial KB0001  P-2 programmer"}},
      {{"P-1 programmer", "P-2+programmer"},
       {"/dev/hidraw0  serial KB0001  P-1 programmer", "/dev/hidraw1  serial KB0002  P-2+programmer"}},
      // A device with the programmer's ids but another product string is listed, not used.
      {{"USB keyboard", "P-2 programmer"},
       {"/dev/hidraw0  serial KB0001  USB keyboard  not used: the product string is none of "
        "those the program attaches",
        "/dev/hidraw1  serial KB0002  P-2 programmer\n"}},
  };
  for (const Listing& c : cases) {
    SCOPED_TRACE(c.products.size());
    freshTestbed();
    for (const std::string& product : c.products)
      addBox(product);
    const ProgramRun run = capcode({"devices"});
    EXPECT_EQ(run.status, 0) << run.all();
    for (const std::string& line : c.listed)
      EXPECT_TRUE(has(run.out, line)) << run.all();
    EXPECT_EQ(has(run.out, "/dev/hidraw"), !c.listed.empty()) << run.all();
  }
}

TEST_F(UsbOnKernel, ReadSavesTheEepromByteForByte) {
  EmulatedBox& box = addBox();
  const std::vector<std::uint8_t> pager = pagerImage();
  box.setEeprom(pager);
  const ProgramRun run = capcode({"read", folder / "read.eep"});
  EXPECT_EQ(run.status, 0) << run.all();
  EXPECT_TRUE(has(run.out, "USB port is ready.")) << run.all();
  EXPECT_TRUE(has(run.out, "Read completed")) << run.all();
  EXPECT_EQ(test::fileBytes(folder / "read.eep"), pager);
  EXPECT_EQ(box.reports(kCommandReadBlock), 2048 / kBlock);
  EXPECT_EQ(box.writeLengths(), std::set<std::size_t>{kDeclaredReportLength});
}

TEST_F(UsbOnKernel, WriteEndsVerifiedWithTheBytesInTheEeprom) {
  EmulatedBox& box = addBox();
  const std::vector<std::uint8_t> pager = pagerImage();
  box.setEeprom(pager);
  const std::string config = writeFile("config.eep", pager);
  const std::vector<std::uint8_t> expected = simulatedWrite(config, pager);
  const ProgramRun run = capcode({"write", config, "--ledger", folder / "ledger.sqlite3"});
  EXPECT_EQ(run.status, 0) << run.all();
  EXPECT_TRUE(has(run.out, "Verify OK !")) << run.all();
  EXPECT_EQ(box.eeprom(), expected);
  EXPECT_EQ(box.reports(kCommandWriteBlock), 2048 / kBlock);
  EXPECT_EQ(box.writeLengths(), std::set<std::size_t>{kDeclaredReportLength});
  const ProgramRun ledger = capcode({"ledger", "--ledger", folder / "ledger.sqlite3"});
  EXPECT_TRUE(has(ledger.out, "verified")) << ledger.all();
}

struct Choice {
  std::vector<std::string> device;  // the --device options
  int written;                      // the box written (0 or 1), -1 for none
};

TEST_F(UsbOnKernel, WriteGoesToTheBoxNamedByItsNodeOrSerial) {
  const std::vector<Choice> cases = {
      {{"--device", "KB0002"}, 1},
      {{"--device", "/dev/hidraw0"}, 0},
      {{}, -1},  // two boxes and none named: refused, with the list
  };
  const std::vector<std::uint8_t> pager = pagerImage();
  const std::string config = writeFile("config.eep", pager);
  const std::vector<std::uint8_t> expected = simulatedWrite(config, pager);
  ASSERT_NE(expected, pager);
  for (const Choice& c : cases) {
    SCOPED_TRACE(c.written);
    freshTestbed();
    addBox().setEeprom(pager);
    addBox().setEeprom(pager);
    std::vector<std::string> args{"write", config, "--no-ledger"};
    args.insert(args.end(), c.device.begin(), c.device.end());
    const ProgramRun run = capcode(args);
    EXPECT_EQ(run.status == 0, c.written >= 0) << run.all();
    for (int k = 0; k < 2; ++k)
      EXPECT_EQ(boxes[k]->eeprom(), k == c.written ? expected : pager) << k;
    if (c.written < 0) {
      EXPECT_TRUE(has(run.err, "/dev/hidraw0  serial KB0001  P-2 programmer")) << run.all();
      EXPECT_TRUE(has(run.err, "/dev/hidraw1  serial KB0002  P-2 programmer")) << run.all();
    }
  }
}

// One fault in the tenth write report, or the stored byte at 100 read back wrong.
struct WriteFault {
  const char* name;
  std::optional<BoxFault> fault;  // at the tenth write report; none: a flipped byte
  int status;
  std::vector<std::string> said;  // what the program says
  const char* recorded;           // the pager's record in the ledger
  std::size_t blocksWritten;      // whole blocks of the new image in the EEPROM
};

TEST_F(UsbOnKernel, AFailingBoxGetsTheHonestRecordAndTheLibrarysWords) {
  const std::vector<WriteFault> cases = {
      {"unplugged at the tenth write report", BoxFault::Unplug, 1,
       {"Device not exist, please check the connection.", "Write Error: No such device"},
       "interrupted", 9},
      {"unplugged while the host waits", BoxFault::UnplugWhileWaiting, 1,
       {"hid_read_timeout: unexpected poll error (device disconnected)"}, "interrupted", 10},
      {"silent", BoxFault::Silent, 1,
       {"Read Error: the programmer did not answer within 2000 ms."}, "interrupted", 10},
      {"a wrong byte read back", std::nullopt, 1, {"Verify fail !"}, "verify failed", 64},
  };
  const std::vector<std::uint8_t> pager = pagerImage();
  const std::string config = writeFile("config.eep", pager);
  const std::vector<std::uint8_t> expected = simulatedWrite(config, pager);
  for (const WriteFault& c : cases) {
    SCOPED_TRACE(c.name);
    freshTestbed();
    EmulatedBox& box = addBox();
    box.setEeprom(pager);
    if (c.fault) {
      box.planFault(kCommandWriteBlock, 10, *c.fault);
    } else {
      box.flipOnRead(100, true);
    }
    const std::string ledger = folder / (std::string(c.name) + ".sqlite3");
    const ProgramRun run = capcode({"write", config, "--ledger", ledger});
    EXPECT_EQ(run.status, c.status) << run.all();
    for (const std::string& words : c.said)
      EXPECT_TRUE(has(run.all(), words)) << run.all();
    EXPECT_FALSE(has(run.all(), "Verify OK !")) << run.all();
    const ProgramRun records = capcode({"ledger", "--ledger", ledger});
    EXPECT_TRUE(has(records.out, std::string(c.recorded) + " ")) << records.all();
    const std::vector<std::uint8_t> stored = box.eeprom();
    const std::size_t cut = c.blocksWritten * kBlock;
    EXPECT_TRUE(std::equal(stored.begin(), stored.begin() + cut, expected.begin()));
    EXPECT_TRUE(std::equal(stored.begin() + cut, stored.end(), pager.begin() + cut));
  }
}

struct ReadFault {
  const char* name;
  std::optional<BoxFault> fault;  // at the fifth read report; none: a byte read back wrong
  std::string said;
};

TEST_F(UsbOnKernel, AReadThatFailsLeavesNoFile) {
  const std::vector<ReadFault> cases = {
      {"unplugged at the fifth read report", BoxFault::Unplug, "Write Error: No such device"},
      {"unplugged while the host waits", BoxFault::UnplugWhileWaiting,
       "Read Error: hid_read_timeout: unexpected poll error (device disconnected)"},
      {"a wrong byte read back", std::nullopt, "Pager Read error, please check the connection."},
  };
  for (const ReadFault& c : cases) {
    SCOPED_TRACE(c.name);
    freshTestbed();
    EmulatedBox& box = addBox();
    box.setEeprom(pagerImage());
    if (c.fault) {
      box.planFault(kCommandReadBlock, 5, *c.fault);
    } else {
      box.flipOnRead(100);
    }
    const ProgramRun run = capcode({"read", folder / "read.eep"});
    EXPECT_EQ(run.status, 1) << run.all();
    EXPECT_TRUE(has(run.all(), c.said)) << run.all();
    EXPECT_FALSE(has(run.all(), "Read completed")) << run.all();
    EXPECT_FALSE(std::filesystem::exists(folder / "read.eep"));
  }
}

TEST_F(UsbOnKernel, ANodeTheUserMayNotOpenIsSaidWithTheRemedy) {
  EmulatedBox& box = addBox();
  box.restrictNode();
  ::chmod(testbed->root().c_str(), 0755);  // the testbed itself is readable to everyone
  const ProgramRun run = capcode({"read", folder / "read.eep"}, 30000, true);
  EXPECT_EQ(run.status, 1) << run.all();
  EXPECT_TRUE(has(run.all(), "USB programmer /dev/hidraw0 cannot be opened: Permission denied "
                             "(install the udev rule from the data directory)"))
      << run.all();
}

}  // namespace
}  // namespace capcode::kernel
