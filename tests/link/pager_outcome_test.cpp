// What Write to Pager and Read from Pager report as values, against the simulated programmer box
// and the simulated chip behind the parallel port, fault by fault. The question that matters
// most: did any part of the write reach the pager (then it may hold the new capcodes)?

#include <gtest/gtest.h>

#include <stdexcept>

#include "core/codec.hpp"
#include "core/conversions.hpp"
#include "link/pager_commands.hpp"
#include "link/programmer_links.hpp"
#include "link/simulated_eeprom.hpp"
#include "link/simulated_programmer.hpp"
#include "support/started_window.hpp"

namespace capcode {
namespace {

using testing::Lines;

enum class Link { Usb, ParallelPort };

const char* const kNoDevice = "Device not exist, please check the connection.";
const char* const kReadError = "Pager Read error, please check the connection.";

struct WriteCase {
  const char* name;
  Link link;
  // A --sim-fault spelling ("" none); "refuse" makes the hook before the transfer throw,
  // "encode" makes encoding the image fail.
  const char* fault;
  bool recover;  // written without reading the pager back first
  PagerOutcome what;
  std::uint8_t transferResult;
  bool reached;
  bool verifyRan;
  Lines log;  // the status-log lines, unchanged by the typed outcome
};

// On the parallel port the 24C16 receives 3 bytes for the read-back (control, word address,
// read control), then 18 per page written (control, word address, 16 data bytes): byte 4 is
// the write's first control byte, 6 its first data byte, 2308 the verify pass's first byte.
const WriteCase kWriteCases[] = {
    {"UsbVerified",
     Link::Usb,
     "",
     false,
     PagerOutcome::Verified,
     kVerifyOk,
     true,
     true,
     {"Write to Pager...", "Verify OK !"}},
    {"UsbReadBackFails",
     Link::Usb,
     "read:1:B",
     false,
     PagerOutcome::NoDevice,
     kTransferFailed,
     false,
     false,
     {kNoDevice}},
    {"UsbReadBackChecksumBad",
     Link::Usb,
     "flip:2047",
     false,
     PagerOutcome::ReadChecksumBad,
     kReadOk,
     false,
     false,
     {kReadError}},
    {"UsbUnpluggedAtFirstWriteReport",
     Link::Usb,
     "write:1:unplug",
     false,
     PagerOutcome::TransferFailed,
     kTransferFailed,
     false,
     false,
     {"Write to Pager...", kNoDevice}},
    {"UsbErrorReplyToFirstWriteReport",
     Link::Usb,
     "write:1:C",
     false,
     PagerOutcome::TransferFailed,
     kTransferFailed,
     true,
     false,
     {"Write to Pager...", kNoDevice}},
    {"UsbSilentAtFirstWriteReport",
     Link::Usb,
     "write:1:silent",
     true,
     PagerOutcome::TransferFailed,
     kTransferFailed,
     true,
     false,
     {"Write to Pager...", kNoDevice}},
    {"UsbUnpluggedMidWrite",
     Link::Usb,
     "write:40:unplug",
     false,
     PagerOutcome::TransferFailed,
     kTransferFailed,
     true,
     false,
     {"Write to Pager...", kNoDevice}},
    {"UsbErrorInVerify",
     Link::Usb,
     "read:100:D",
     false,
     PagerOutcome::TransferFailed,
     kTransferFailed,
     true,
     true,
     {"Write to Pager...", kNoDevice}},
    {"UsbSilentInVerify",
     Link::Usb,
     "read:128:silent",
     false,
     PagerOutcome::TransferFailed,
     kTransferFailed,
     true,
     true,
     {"Write to Pager...", kNoDevice}},
    {"UsbVerifyMismatch",
     Link::Usb,
     "flip:2047",
     true,
     PagerOutcome::VerifyMismatch,
     kVerifyMismatch,
     true,
     true,
     {"Write to Pager...", "Verify fail !"}},
    {"UsbRefusedByHook",
     Link::Usb,
     "refuse",
     false,
     PagerOutcome::RefusedBeforeWrite,
     kReadOk,
     false,
     false,
     {"Write to Pager..."}},
    {"UsbEncodingError",
     Link::Usb,
     "encode",
     false,
     PagerOutcome::Interrupted,
     kReadOk,
     false,
     false,
     {}},
    {"UsbNoChip",
     Link::Usb,
     "nochip",
     true,
     PagerOutcome::TransferFailed,
     kTransferFailed,
     true,
     false,
     {"Write to Pager...", kNoDevice}},
    {"LptVerified",
     Link::ParallelPort,
     "",
     false,
     PagerOutcome::Verified,
     kVerifyOk,
     true,
     true,
     {"Write to Pager...", "Verify OK !"}},
    {"LptNoChip",
     Link::ParallelPort,
     "nochip",
     false,
     PagerOutcome::NoDevice,
     kTransferFailed,
     false,
     false,
     {kNoDevice}},
    {"LptReadBackNotAcknowledged",
     Link::ParallelPort,
     "nak:1",
     false,
     PagerOutcome::NoDevice,
     kTransferFailed,
     false,
     false,
     {kNoDevice}},
    {"LptWriteControlNotAcknowledged",
     Link::ParallelPort,
     "nak:4",
     false,
     PagerOutcome::WriteNotAcknowledged,
     kWriteNotAcknowledged,
     false,
     false,
     {"Write to Pager...", "Pager can't be written"}},
    {"LptFirstDataByteNotAcknowledged",
     Link::ParallelPort,
     "nak:6",
     false,
     PagerOutcome::WriteNotAcknowledged,
     kWriteNotAcknowledged,
     false,
     false,
     {"Write to Pager...", "Pager can't be written"}},
    {"LptSecondDataByteNotAcknowledged",
     Link::ParallelPort,
     "nak:7",
     false,
     PagerOutcome::WriteNotAcknowledged,
     kWriteNotAcknowledged,
     true,
     false,
     {"Write to Pager...", "Pager can't be written"}},
    {"LptLaterPageNotAcknowledged",
     Link::ParallelPort,
     "nak:1000",
     false,
     PagerOutcome::WriteNotAcknowledged,
     kWriteNotAcknowledged,
     true,
     false,
     {"Write to Pager...", "Pager can't be written"}},
    {"LptVerifyNotAcknowledged",
     Link::ParallelPort,
     "nak:2308",
     false,
     PagerOutcome::VerifyMismatch,
     kVerifyMismatch,
     true,
     true,
     {"Write to Pager...", "Verify fail !"}},
    {"LptRefusedByHook",
     Link::ParallelPort,
     "refuse",
     false,
     PagerOutcome::RefusedBeforeWrite,
     kReadOk,
     false,
     false,
     {"Write to Pager..."}},
};

// A started window with a programmer on one link, its pager and a planned fault.
class OutcomeBench : public testing::StartedWindowTest {
 protected:
  OutcomeBench() {
    installProgrammerLinks(state, links);
    links.engine.replyTimeoutMillis = 50;
    // The pager holds what this window would write, apart from row 1's capcode: a write that
    // reaches the pager changes its first bytes.
    const Image window = state.ConfigImage;
    encodeImage(state);
    setChecksum(state.ConfigImage);
    pagerImage = state.ConfigImage;
    state.ConfigImage = window;
    form.setText("address1", "2005000");
  }
  // Plugs in the programmer on `link` and plans `fault` (see WriteCase).
  void connect(Link link, const std::string& fault, bool recover) {
    SimulatedBoxFaults faults;
    unsigned nak = 0;
    if (!fault.empty() && fault != "refuse" && fault != "encode") {
      ASSERT_EQ(parseSimulatedFault(fault, faults, nak), "");
    }
    if (link == Link::Usb) {
      SimulatedProgrammer& box = hid.add(std::make_unique<SimulatedProgrammer>());
      box.eeprom = pagerImage;
      box.faults = faults;
      state.event([&] { form.runHandler("HidCtlDeviceChange"); });
      ASSERT_TRUE(state.UsbMode);
    } else {
      port.chip.memory = pagerImage;
      port.chip.present = !faults.noChip;
      port.chip.nakAtByte = nak;
      form.setEnabled("WriteToPager", true);
    }
    if (fault == "refuse") {
      links.beforePagerWrite = [](const Image&) { throw ProgramError("refused"); };
    }
    if (fault == "encode") form.setText("lcdholdtime", "");
    form.at("Recover1").checked = recover;
    events();
  }
  const std::array<std::uint8_t, 2048>& pager(Link link) {
    return link == Link::Usb ? hid.boxes().front()->eeprom : port.chip.memory;
  }
  Lines logLines() {
    Lines lines;
    for (const auto& e : events()) {
      if (e.rfind("log: ", 0) == 0) lines.push_back(e.substr(5));
    }
    return lines;
  }

  VirtualLinkClock clock;
  SimulatedParallelPort port{clock};
  SimulatedHidBackend hid;
  ProgrammerLinks links{state, port, clock, hid};
  Image pagerImage{};
};

class PagerOutcomes : public OutcomeBench, public ::testing::WithParamInterface<WriteCase> {};

TEST_P(PagerOutcomes, WriteSaysWhatHappenedAndWhetherItReachedThePager) {
  const WriteCase& c = GetParam();
  connect(c.link, c.fault, c.recover);
  ASSERT_EQ(links.lastWrite.what, PagerOutcome::NotRun);
  click("WriteToPager");
  const PagerCommandOutcome& outcome = links.lastWrite;
  EXPECT_EQ(pagerOutcomeName(outcome.what), pagerOutcomeName(c.what));
  EXPECT_EQ(int(outcome.transferResult), int(c.transferResult));
  EXPECT_EQ(int(state.TransferResult), int(c.transferResult));
  EXPECT_EQ(outcome.writeReachedPager, c.reached);
  EXPECT_EQ(outcome.verifyRan, c.verifyRan);
  EXPECT_EQ(logLines(), c.log);
  // "Nothing reached the pager" must be true of the pager itself.
  const bool untouched = std::equal(pagerImage.begin(), pagerImage.end(), pager(c.link).begin());
  if (!c.reached) EXPECT_TRUE(untouched);
  EXPECT_EQ(links.lastRead.what, PagerOutcome::NotRun);  // a write's read-back is not a read
}

INSTANTIATE_TEST_SUITE_P(BothLinks, PagerOutcomes, ::testing::ValuesIn(kWriteCases),
                         [](const auto& info) { return std::string(info.param.name); });

// Each write starts from nothing: what the one before got to the pager does not carry over.
TEST_F(OutcomeBench, ARefusedWriteAfterAHalfWrittenOneReachedNothing) {
  connect(Link::Usb, "write:40:unplug", true);
  click("WriteToPager");
  ASSERT_TRUE(links.lastWrite.writeReachedPager);
  links.beforePagerWrite = [](const Image&) { throw ProgramError("refused"); };
  click("WriteToPager");
  EXPECT_EQ(links.lastWrite.what, PagerOutcome::RefusedBeforeWrite);
  EXPECT_FALSE(links.lastWrite.writeReachedPager);
  links.beforePagerWrite = nullptr;
  click("WriteToPager");  // the box is gone: its first report cannot be sent
  EXPECT_EQ(links.lastWrite.what, PagerOutcome::TransferFailed);
  EXPECT_FALSE(links.lastWrite.writeReachedPager);
}

struct ReadCase {
  const char* name;
  Link link;
  const char* fault;
  bool debugSaveCancelled;
  PagerOutcome what;
  std::uint8_t transferResult;
  const char* lastLine;
};

const ReadCase kReadCases[] = {
    {"UsbRead", Link::Usb, "", false, PagerOutcome::ReadCompleted, kReadOk, "Read completed"},
    {"UsbErrorReply", Link::Usb, "read:3:A", false, PagerOutcome::NoDevice, kTransferFailed,
     kNoDevice},
    {"UsbChecksumBad", Link::Usb, "flip:100", false, PagerOutcome::ReadChecksumBad, kReadOk,
     kReadError},
    {"UsbDebugSaveCancelled", Link::Usb, "", true, PagerOutcome::Cancelled, kReadOk,
     "Read data from pager"},
    {"LptRead", Link::ParallelPort, "", false, PagerOutcome::ReadCompleted, kReadOk,
     "Read completed"},
    {"LptNotAcknowledged", Link::ParallelPort, "nak:2", false, PagerOutcome::NoDevice,
     kTransferFailed, kNoDevice},
};

class ReadOutcomes : public OutcomeBench, public ::testing::WithParamInterface<ReadCase> {};

TEST_P(ReadOutcomes, ReadSaysWhatHappened) {
  const ReadCase& c = GetParam();
  connect(c.link, c.fault, false);
  form.setEnabled("ReadFromPager", true);
  form.at("Debug1").checked = c.debugSaveCancelled;  // the dialog is not answered: cancelled
  click("ReadFromPager");
  EXPECT_EQ(pagerOutcomeName(links.lastRead.what), pagerOutcomeName(c.what));
  EXPECT_EQ(int(links.lastRead.transferResult), int(c.transferResult));
  EXPECT_FALSE(links.lastRead.writeReachedPager);
  const Lines lines = logLines();
  ASSERT_FALSE(lines.empty());
  EXPECT_EQ(lines.back(), c.lastLine);
  EXPECT_EQ(links.lastWrite.what, PagerOutcome::NotRun);
}

INSTANTIATE_TEST_SUITE_P(BothLinks, ReadOutcomes, ::testing::ValuesIn(kReadCases),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace capcode
