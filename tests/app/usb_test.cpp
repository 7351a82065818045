// The USB programmer behind the window: discovery and transfers against the simulated box.

#include <gtest/gtest.h>

#include "link/box_list.hpp"
#include "link/hidapi_backend.hpp"
#include "link/programmer_links.hpp"
#include "link/simulated_eeprom.hpp"
#include "link/simulated_programmer.hpp"
#include "link/usb_discovery.hpp"
#include "support/window_fixture.hpp"

namespace capcode {
namespace {

using testing::Lines;

class Programmer : public testing::WindowTest {
 protected:
  Programmer() {
    installProgrammerLinks(state, links);
    links.engine.replyTimeoutMillis = 50;
  }
  SimulatedProgrammer& plugBox(const std::string& product = "P-2 programmer",
                               const std::string& path = "sim:usb:1",
                               const std::string& serial = "SIM-1") {
    auto& box = hid.add(std::make_unique<SimulatedProgrammer>(product, path, serial));
    for (std::size_t i = 0; i < box.eeprom.size(); ++i)
      box.eeprom[i] = static_cast<std::uint8_t>(i ^ 0x5A);
    return box;
  }
  void deviceChange() {
    state.event([&] { form.runHandler("HidCtlDeviceChange"); });
  }
  std::uint8_t transfer(TransferDirection direction, std::uint8_t* buffer) {
    return links.engine.transferEeprom(pagerEeprom(), 0, direction, buffer);
  }

  VirtualLinkClock clock;
  SimulatedParallelPort port{clock};
  SimulatedHidBackend hid;
  ProgrammerLinks links{state, port, clock, hid};
};

TEST_F(Programmer, AttachSwitchesToUsbAndGreetsTheBox) {
  auto& box = plugBox();
  deviceChange();
  EXPECT_EQ(events(), Lines{"log: USB port is ready."});
  EXPECT_TRUE(state.UsbMode);
  EXPECT_EQ(port.releases, 1u);
  EXPECT_FALSE(form.at("ParallelPort1").enabled);
  EXPECT_FALSE(form.at("rw_speed").visible);
  EXPECT_FALSE(form.at("switch_model").enabled);
  EXPECT_EQ(box.counts[kCommandAttach], 1u);
  deviceChange();  // nothing changed: nothing happens
  EXPECT_EQ(events(), Lines{});
}

TEST_F(Programmer, OnlyTheExactProductStringsAreProgrammers) {
  const struct {
    const char* product;
    bool programmer;
  } cases[] = {{"P-1 programmer", true},  {"P-2 programmer", true},   {"P-2+programmer", true},
               {"P-1 Programmer", false}, {"P-2 +programmer", false}, {"", false}};
  for (const auto& c : cases) {
    HidDeviceInfo info{"x", 0x04D8, 0x1000, c.product, ""};
    EXPECT_EQ(isProgrammer(info), c.programmer) << c.product;
  }
  EXPECT_FALSE(isProgrammer({"x", 0x04D9, 0x1000, "P-1 programmer", ""}));
  plugBox("p-2 programmer");
  deviceChange();
  EXPECT_EQ(events(), Lines{});
  EXPECT_FALSE(state.UsbMode);
}

TEST_F(Programmer, UnplugFallsBackAndTheSecondBoxTakesOver) {
  auto& first = plugBox("P-1 programmer", "sim:usb:1");
  plugBox("P-2 programmer", "sim:usb:2");
  deviceChange();
  EXPECT_EQ(links.programmerDevice->info.path, "sim:usb:1");
  events();
  first.pluggedIn = false;
  deviceChange();
  EXPECT_EQ(events(), (Lines{"log: USB port unplug.", "log: USB port is ready."}));
  EXPECT_EQ(links.programmerDevice->info.path, "sim:usb:2");
  hid.boxes()[1]->pluggedIn = false;
  deviceChange();
  EXPECT_EQ(events(), Lines{"log: USB port unplug."});
  EXPECT_FALSE(state.UsbMode);
  EXPECT_EQ(state.LptPortBase, 0x378);
  EXPECT_FALSE(form.at("WriteToPager").enabled);
  EXPECT_FALSE(form.at("ReadFromPager").enabled);
  EXPECT_TRUE(form.at("rw_speed").visible);
  EXPECT_FALSE(form.at("switch_model").enabled);  // not enabled again
  EXPECT_EQ(deviceListText({"x", 0x04D8, 0x1000, "", ""}), "Device VID=04D8 PID=1000");
}

// The device list: every programmer box plugged in, the one in use marked; a click on another
// row makes reads and writes go through that box, and each names its box in the log.
TEST_F(Programmer, TheDeviceListChoosesTheBoxReadsAndWritesUse) {
  auto& first = plugBox("P-2 programmer", "sim:usb:1", "SIM-1");
  auto& second = plugBox("P-2+programmer", "sim:usb:2", "SIM-2");
  hid.add(std::make_unique<SimulatedProgrammer>("keyboard", "sim:usb:3", "K"));
  deviceChange();
  const Control& list = form.at("DevListBox");
  EXPECT_EQ(list.items, (Lines{"P-2 programmer, serial SIM-1 (in use)",
                               "P-2+programmer, serial SIM-2"}));
  EXPECT_EQ(list.index, 0) << "the first found is used until a click chooses another";
  events();

  const struct {
    int row;          // the row clicked
    Lines logged;     // what the click says
    int inUse;        // the row marked afterwards
    SimulatedProgrammer* reads;  // the box a read goes through
  } cases[] = {
      {1, {"log: USB box in use: P-2+programmer, serial SIM-2"}, 1, &second},
      {1, {}, 1, &second},  // the box in use again: nothing changes
      {0, {"log: USB box in use: P-2 programmer, serial SIM-1"}, 0, &first},
  };
  for (const auto& c : cases) {
    state.event([&] {
      form.setIndex("DevListBox", c.row);
      form.userClick("DevListBox");
    });
    EXPECT_EQ(events(), c.logged) << c.row;
    EXPECT_EQ(list.index, c.inUse);
    EXPECT_NE(list.items[static_cast<std::size_t>(c.inUse)].find("(in use)"), std::string::npos);
    const std::size_t readsBefore = c.reads->counts[kCommandReadBlock];
    state.event([&] { form.userClick("ReadFromPager"); });
    EXPECT_EQ(c.reads->counts[kCommandReadBlock], readsBefore + 64) << c.row;
    Lines logged = events();
    std::erase_if(logged, [](const std::string& e) { return e.rfind("log: ", 0) != 0; });
    ASSERT_GE(logged.size(), 2u);
    EXPECT_EQ(logged[0], "log: Read data from pager");
    EXPECT_EQ(logged[1], "log: USB box: " + boxInUseName(links));
  }
  // Each box greeted when it is taken into use, not again while it stays in use.
  EXPECT_EQ(first.counts[kCommandAttach], 2u);
  EXPECT_EQ(second.counts[kCommandAttach], 1u);

  // The box in use unplugged: the other takes over; plugged in again, it is listed again and
  // the box in use stays.
  first.pluggedIn = false;
  deviceChange();
  EXPECT_EQ(list.items, Lines{"P-2+programmer, serial SIM-2 (in use)"});
  first.pluggedIn = true;
  deviceChange();
  EXPECT_EQ(list.items, (Lines{"P-2+programmer, serial SIM-2 (in use)",
                               "P-2 programmer, serial SIM-1"}));
  EXPECT_EQ(list.index, 0);
  // Both gone: the list is empty.
  second.pluggedIn = false;
  first.pluggedIn = false;
  deviceChange();
  EXPECT_TRUE(list.items.empty());
  EXPECT_EQ(list.index, -1);
}

TEST_F(Programmer, UsbReadWriteAndVerify) {
  auto& box = plugBox();
  deviceChange();
  std::array<std::uint8_t, 2048> buffer{};
  EXPECT_EQ(transfer(TransferDirection::Read, buffer.data()), kReadOk);
  EXPECT_TRUE(std::equal(buffer.begin(), buffer.end(), box.eeprom.begin()));
  EXPECT_EQ(box.counts[kCommandReadBlock], 64u);
  for (auto& b : buffer)
    b = static_cast<std::uint8_t>(~b);
  EXPECT_EQ(transfer(TransferDirection::Write, buffer.data()), kVerifyOk);
  EXPECT_TRUE(std::equal(buffer.begin(), buffer.end(), box.eeprom.begin()));
  EXPECT_EQ(box.counts[kCommandWriteBlock], 64u);
  EXPECT_EQ(box.counts[kCommandReadBlock], 128u);
}

TEST_F(Programmer, UsbErrorsEndTheTransfer) {
  const struct {
    const char* fault;
    TransferDirection direction;
    std::uint8_t result;
    Lines shown;
    unsigned writesDone;
  } cases[] = {
      {"write:5:C", TransferDirection::Write, kTransferFailed, {"message: CRC error!"}, 5},
      {"read:1:A", TransferDirection::Read, kTransferFailed, {"message: EERPOM not found!"}, 0},
      {"read:64:B", TransferDirection::Read, kTransferFailed, {"message: USB error!"}, 0},
      {"write:1:D", TransferDirection::Write, kTransferFailed, {"message: CMD not valid!"}, 1},
      {"flip:2047", TransferDirection::Write, kVerifyMismatch, {}, 64},
      {"flip:0", TransferDirection::Write, kVerifyMismatch, {}, 64},
      {"read:2:silent",
       TransferDirection::Read,
       kTransferFailed,
       {"message: Read Error: the programmer did not answer within 50 ms."},
       0},
      {"write:3:unplug",
       TransferDirection::Write,
       kTransferFailed,
       {"message: Write Error: The device is not connected."},
       3},
  };
  for (const auto& c : cases) {
    for (auto& old : hid.boxes())
      old->pluggedIn = false;
    deviceChange();  // the previous box leaves
    hid.boxes().clear();
    auto& box = plugBox();
    unsigned nak = 0;
    ASSERT_EQ(parseSimulatedFault(c.fault, box.faults, nak), "");
    deviceChange();
    events();
    std::array<std::uint8_t, 2048> buffer{};
    EXPECT_EQ(transfer(c.direction, buffer.data()), c.result) << c.fault;
    EXPECT_EQ(events(), c.shown) << c.fault;
    EXPECT_EQ(box.counts[kCommandWriteBlock], c.writesDone) << c.fault;
  }
}

TEST_F(Programmer, ABoxWithoutAnEepromAnswersA) {
  auto& box = plugBox();
  deviceChange();
  events();
  std::array<std::uint8_t, 2048> buffer{};
  box.faults.noChip = true;
  EXPECT_EQ(transfer(TransferDirection::Read, buffer.data()), kTransferFailed);
  EXPECT_EQ(events(), Lines{"message: EERPOM not found!"});
}

TEST_F(Programmer, ProgressRestartsForTheVerifyPass) {
  plugBox();
  deviceChange();
  state.State_Form.setMaximum(2048);
  state.State_Form.setPosition(0);
  state.State_Form.show();
  events();
  std::array<std::uint8_t, 2048> buffer{};
  EXPECT_EQ(transfer(TransferDirection::Write, buffer.data()), kVerifyOk);
  EXPECT_EQ(events(), Lines{"progress: caption Verify data from pager, please wait..."});
  EXPECT_EQ(state.State_Form.position(), 2048);  // 64 x 32 after the reset, not 4096
}

TEST_F(Programmer, UsbModeWithoutADeviceFails) {
  state.UsbMode = true;
  std::array<std::uint8_t, 2048> buffer{};
  EXPECT_EQ(transfer(TransferDirection::Read, buffer.data()), kTransferFailed);
}

TEST_F(Programmer, ParallelPortResults) {
  for (std::size_t i = 0; i < 2048; ++i)
    port.chip.memory[i] = static_cast<std::uint8_t>(i);
  std::array<std::uint8_t, 2048> buffer{};
  EXPECT_EQ(transfer(TransferDirection::Read, buffer.data()), kReadOk);
  EXPECT_EQ(buffer[2047], 0xFF);
  buffer.fill(0x33);
  EXPECT_EQ(transfer(TransferDirection::Write, buffer.data()), kVerifyOk);
  EXPECT_EQ(port.chip.memory[1000], 0x33);
  port.chip.nakAtByte = port.chip.bytesReceived + 40;
  EXPECT_EQ(transfer(TransferDirection::Write, buffer.data()), kWriteNotAcknowledged);
  port.chip.present = false;
  EXPECT_EQ(transfer(TransferDirection::Read, buffer.data()), kTransferFailed);
  // Between transfers the adapter is off: no supply, no enables, both bus lines low.
  EXPECT_EQ(port.read(0x378) & 0x8E, 0x00);
  EXPECT_EQ(port.read(0x37A) & 0x04, 0x04);
}

}  // namespace
}  // namespace capcode