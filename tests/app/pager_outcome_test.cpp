// What Write to Pager and Read from Pager report as values, against the simulated programmer box
// and the simulated chip behind the parallel port, fault by fault. The question that matters
// most: did any part of the write reach the pager (then it may hold the new capcodes)?

#include <gtest/gtest.h>

#include <stdexcept>

#include "core/conversions.hpp"
#include "link/pager_commands.hpp"
#include "support/programmer_window.hpp"

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

const Lines kVerifiedLog{"Write to Pager...", "Verify OK !"};
const Lines kFailedLog{"Write to Pager...", kNoDevice};
const Lines kMismatchLog{"Write to Pager...", "Verify fail !"};
const Lines kNotWrittenLog{"Write to Pager...", "Pager can't be written"};
// A write the hook stops never reads as begun.
const Lines kRefusedLog{};

constexpr Link kUsb = Link::Usb;
constexpr Link kLpt = Link::ParallelPort;
using enum PagerOutcome;

// On the parallel port the 24C16 receives 3 bytes for the read-back (control, word address,
// read control), then 18 per page written (control, word address, 16 data bytes): byte 4 is
// the write's first control byte, 6 its first data byte, 2308 the verify pass's first byte.
// clang-format off
const WriteCase kWriteCases[] = {
  // name                               link  fault           recover  what / byte / reached / verify / log
  {"UsbVerified",                       kUsb, "",               false, Verified, 2, true, true, kVerifiedLog},
  {"UsbReadBackFails",                  kUsb, "read:1:B",       false, NoDevice, 255, false, false, {kNoDevice}},
  {"UsbReadBackChecksumBad",            kUsb, "flip:2047",      false, ReadChecksumBad, 3, false, false, {kReadError}},
  {"UsbUnpluggedAtFirstWriteReport",    kUsb, "write:1:unplug", false, TransferFailed, 255, false, false, kFailedLog},
  {"UsbErrorReplyToFirstWriteReport",   kUsb, "write:1:C",      false, TransferFailed, 255, true, false, kFailedLog},
  {"UsbSilentAtFirstWriteReport",       kUsb, "write:1:silent", true,  TransferFailed, 255, true, false, kFailedLog},
  {"UsbUnpluggedMidWrite",              kUsb, "write:40:unplug", false, TransferFailed, 255, true, false, kFailedLog},
  {"UsbErrorInVerify",                  kUsb, "read:100:D",     false, TransferFailed, 255, true, true, kFailedLog},
  {"UsbSilentInVerify",                 kUsb, "read:128:silent", false, TransferFailed, 255, true, true, kFailedLog},
  {"UsbVerifyMismatch",                 kUsb, "flip:2047",      true,  VerifyMismatch, 1, true, true, kMismatchLog},
  {"UsbRefusedByHook",                  kUsb, "refuse",         false, RefusedBeforeWrite, 3, false, false, kRefusedLog},
  {"UsbEncodingError",                  kUsb, "encode",         false, Interrupted, 3, false, false, {}},
  {"UsbNoChip",                         kUsb, "nochip",         true,  TransferFailed, 255, true, false, kFailedLog},
  {"LptVerified",                       kLpt, "",               false, Verified, 2, true, true, kVerifiedLog},
  {"LptNoChip",                         kLpt, "nochip",         false, NoDevice, 255, false, false, {kNoDevice}},
  {"LptReadBackNotAcknowledged",        kLpt, "nak:1",          false, NoDevice, 255, false, false, {kNoDevice}},
  {"LptWriteControlNotAcknowledged",    kLpt, "nak:4",          false, WriteNotAcknowledged, 0, false, false, kNotWrittenLog},
  {"LptFirstDataByteNotAcknowledged",   kLpt, "nak:6",          false, WriteNotAcknowledged, 0, false, false, kNotWrittenLog},
  {"LptSecondDataByteNotAcknowledged",  kLpt, "nak:7",          false, WriteNotAcknowledged, 0, true, false, kNotWrittenLog},
  {"LptLaterPageNotAcknowledged",       kLpt, "nak:1000",       false, WriteNotAcknowledged, 0, true, false, kNotWrittenLog},
  {"LptVerifyNotAcknowledged",          kLpt, "nak:2308",       false, VerifyMismatch, 1, true, true, kMismatchLog},
  {"LptRefusedByHook",                  kLpt, "refuse",         false, RefusedBeforeWrite, 3, false, false, kRefusedLog},
};
// clang-format on

// A started window with a programmer on one link, its pager and a planned fault.
class OutcomeBench : public testing::ProgrammerWindowTest {
 protected:
  OutcomeBench() {
    // The pager holds what this window would write, apart from row 1's capcode: a write that
    // reaches the pager changes its first bytes.
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
  if (!c.reached) {
    EXPECT_TRUE(untouched);
  }
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

// clang-format off
const ReadCase kReadCases[] = {
  {"UsbRead",               kUsb, "",         false, ReadCompleted,   3,   "Read completed"},
  {"UsbErrorReply",         kUsb, "read:3:A", false, NoDevice,        255, kNoDevice},
  {"UsbChecksumBad",        kUsb, "flip:100", false, ReadChecksumBad, 3,   kReadError},
  {"UsbDebugSaveCancelled", kUsb, "",         true,  Cancelled,       3,   "Read data from pager"},
  {"LptRead",               kLpt, "",         false, ReadCompleted,   3,   "Read completed"},
  {"LptNotAcknowledged",    kLpt, "nak:2",    false, NoDevice,        255, kNoDevice},
};
// clang-format on

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
