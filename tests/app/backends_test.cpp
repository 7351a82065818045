// The real back ends without hardware: the ppdev port and the hidapi layer over faked system
// calls, so that their error paths (no device, no permission, a port held elsewhere, an
// adapter or a box pulled out mid-transfer) run in the test suite. Also the late reply that a
// box sends after the host stopped waiting.

#include <gtest/gtest.h>
#include <linux/ppdev.h>
#include <sys/ioctl.h>

#include <cerrno>
#include <cwchar>

#include "app/window_program.hpp"
#include "link/hidapi_backend.hpp"
#include "link/ppdev_port.hpp"
#include "link/programmer_links.hpp"
#include "link/simulated_eeprom.hpp"
#include "link/simulated_programmer.hpp"
#include "support/fake_ppdev.hpp"
#include "support/window_fixture.hpp"

namespace capcode {
namespace {

using testing::Lines;

using test::FakePpdev;

TEST(PpdevPort, SaysOnceWhyThePortCannotBeReached) {
  const struct {
    int openError;
    int claimError;
    const char* problem;
  } cases[] = {
      {ENOENT, 0, "Parallel port /dev/parport0: No such file or directory"},
      {EACCES, 0,
       "Parallel port /dev/parport0: Permission denied (the user must be in the lp group)"},
      {0, EBUSY, "Parallel port /dev/parport0 is in use by another program"},
      {0, EIO, "Parallel port /dev/parport0 cannot be claimed: Input/output error"},
  };
  for (const auto& c : cases) {
    FakePpdev system;
    system.openError = c.openError;
    system.claimError = c.claimError;
    PpdevPort port(system);
    EXPECT_EQ(port.read(0x379), 0xFF) << c.problem;
    port.write(0x378, 0x55);
    EXPECT_EQ(system.opens, 1) << "no second try within one transfer";
    EXPECT_TRUE(port.takeFailure());
    EXPECT_EQ(port.takeProblem(), c.problem);
    // The next transfer meets the same problem: it counts as failed, but is not said again.
    EXPECT_EQ(port.read(0x379), 0xFF);
    EXPECT_TRUE(port.takeFailure());
    EXPECT_EQ(port.takeProblem(), "");
  }
}

TEST(PpdevPort, AnAdapterPulledOutMidTransferReadsAsNothingAnswering) {
  FakePpdev system;
  system.failIoctlAfter = 3;
  PpdevPort port(system);
  EXPECT_EQ(port.read(0x379), 0x5A);
  port.write(0x378, 1);
  port.write(0x37A, 2);
  EXPECT_EQ(port.read(0x379), 0xFF);  // the fourth call fails: garbage is never returned
  EXPECT_EQ(port.read(0x378), 0xFF);
  EXPECT_TRUE(port.takeFailure());
  EXPECT_EQ(port.takeProblem(),
            "Parallel port /dev/parport0: reading the status lines failed: No such device");
  EXPECT_FALSE(port.takeFailure());
}

class PortTransfers : public testing::WindowTest {
 protected:
  PortTransfers() { installProgrammerLinks(state, links); }
  FakePpdev system;
  PpdevPort port{system};
  VirtualLinkClock clock;
  SimulatedHidBackend hid;
  ProgrammerLinks links{state, port, clock, hid};
};

TEST_F(PortTransfers, APortHeldByAnotherProgramEndsTheCommandAsNoDevice) {
  system.claimError = EBUSY;
  click("ReadFromPager");
  EXPECT_EQ(
      events(),
      (Lines{"progress: show Reading data from Pager, please wait...", "log: Read data from pager",
             "log: Parallel port /dev/parport0 is in use by another program",
             "log: Device not exist, please check the connection.", "progress: hide", "beep"}));
  // The write too ends as "no device", not as an unacknowledged write.
  click("FS81081");
  events();
  click("WriteToPager");
  const Lines lines = events();
  EXPECT_NE(
      std::find(lines.begin(), lines.end(), "log: Device not exist, please check the connection."),
      lines.end());
  EXPECT_EQ(std::find(lines.begin(), lines.end(), "log: Pager can't be written"), lines.end());
}

// hidapi, faked: one box whose calls fail as the test says.
struct FakeHid {
  static inline bool present = true;
  static inline int openError = 0;
  static inline int readsBeforeUnplug = -1;
  static inline int writeShortBy = 0;
  static inline int reads = 0;
  static inline hid_device_info info{};
  static inline wchar_t product[] = L"P-2 programmer";
  static inline char path[] = "/dev/hidraw-fake";

  static void reset() {
    present = true;
    openError = 0;
    readsBeforeUnplug = -1;
    writeShortBy = 0;
    reads = 0;
  }
  static hid_device* handle() { return reinterpret_cast<hid_device*>(&info); }
  static const HidApi& api() {
    static const HidApi fake{
        [] { return 0; },
        [] { return 0; },
        [](unsigned short, unsigned short) -> hid_device_info* {
          if (!present) return nullptr;
          info = {};
          info.path = path;
          info.vendor_id = 0x04D8;
          info.product_id = 0x1000;
          info.product_string = product;
          return &info;
        },
        [](hid_device_info*) {},
        [](const char*) -> hid_device* {
          if (openError == 0) return handle();
          errno = openError;
          return nullptr;
        },
        [](hid_device*) {},
        [](hid_device*, const unsigned char*, size_t length) {
          return static_cast<int>(length) - writeShortBy;
        },
        [](hid_device*, unsigned char* data, size_t length, int) {
          if (readsBeforeUnplug >= 0 && reads++ >= readsBeforeUnplug) return -1;
          std::fill(data, data + length, 0);
          data[0] = 'E';
          return static_cast<int>(length);
        },
        [](hid_device*) -> const wchar_t* { return L"The device is not connected."; },
    };
    return fake;
  }
};

TEST(HidapiBackend, ErrorPathsOfTheSystemLayer) {
  FakeHid::reset();
  FakeHid::present = false;
  HidapiBackend backend(FakeHid::api());
  EXPECT_TRUE(backend.enumerate().empty());

  FakeHid::present = true;
  const auto list = backend.enumerate();
  ASSERT_EQ(list.size(), 1u);
  EXPECT_EQ(list[0].productString, "P-2 programmer");

  FakeHid::openError = EACCES;
  EXPECT_EQ(backend.open(list[0]), nullptr);
  EXPECT_EQ(backend.takeProblem(),
            "USB programmer /dev/hidraw-fake cannot be opened: Permission denied (install the "
            "udev rule from the data directory)");
  EXPECT_EQ(backend.open(list[0]), nullptr);
  EXPECT_EQ(backend.takeProblem(), "") << "said once";

  FakeHid::openError = 0;
  auto device = backend.open(list[0]);
  ASSERT_NE(device, nullptr);
  std::uint8_t report[65] = {};
  EXPECT_TRUE(device->writeReport(report, 65));
  ASSERT_EQ(device->readReport(report, 65, 10), HidReadResult::Ok);
  EXPECT_EQ(report[0], 0) << "the report ID is put back in front";
  EXPECT_EQ(report[1], 'E');
  FakeHid::writeShortBy = 1;
  EXPECT_FALSE(device->writeReport(report, 65));
  FakeHid::readsBeforeUnplug = 0;
  EXPECT_EQ(device->readReport(report, 65, 10), HidReadResult::Failed);
  EXPECT_EQ(device->errorText(), "The device is not connected.");
}

TEST_F(PortTransfers, ABoxUnpluggedMidReportEndsTheTransferWithTheSystemsReason) {
  FakeHid::reset();
  HidapiBackend backend(FakeHid::api());
  ProgrammerLinks usb{state, port, clock, backend};
  installProgrammerLinks(state, usb);
  state.event([&] { form.runHandler("HidCtlDeviceChange"); });
  ASSERT_TRUE(state.UsbMode);
  events();
  FakeHid::readsBeforeUnplug = FakeHid::reads + 10;
  click("ReadFromPager");
  const Lines lines = events();
  EXPECT_NE(
      std::find(lines.begin(), lines.end(), "message: Read Error: The device is not connected."),
      lines.end());
  EXPECT_NE(
      std::find(lines.begin(), lines.end(), "log: Device not exist, please check the connection."),
      lines.end());
}

// A box that answers after the time limit: the next sequence must not read that old reply.
TEST(LateReply, IsDiscardedBeforeTheNextSequence) {
  testing::RecordingFeedback feedback;
  WindowProgram state(feedback);
  state.ConfigImage = defaultImageA();
  VirtualLinkClock clock;
  SimulatedParallelPort port{clock};
  SimulatedHidBackend hid;
  ProgrammerLinks links{state, port, clock, hid};
  installProgrammerLinks(state, links);
  links.engine.replyTimeoutMillis = 20;
  auto& box = hid.add(std::make_unique<SimulatedProgrammer>());
  unsigned nak = 0;
  ASSERT_EQ(parseSimulatedFault("read:3:late", box.faults, nak), "");
  state.event([&] { state.form.runHandler("HidCtlDeviceChange"); });
  ASSERT_TRUE(state.UsbMode);
  std::array<std::uint8_t, 2048> image{};
  EXPECT_EQ(links.engine.transferEeprom(pagerEeprom(), 0, TransferDirection::Read, image.data()), kTransferFailed);
  for (std::size_t i = 0; i < image.size(); ++i)
    image[i] = static_cast<std::uint8_t>(i * 7);
  EXPECT_EQ(links.engine.transferEeprom(pagerEeprom(), 0, TransferDirection::Write, image.data()), kVerifyOk);
  std::array<std::uint8_t, 2048> back{};
  EXPECT_EQ(links.engine.transferEeprom(pagerEeprom(), 0, TransferDirection::Read, back.data()), kReadOk);
  EXPECT_EQ(back, image);
}

}  // namespace
}  // namespace capcode
