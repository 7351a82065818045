// Reading a pager into the window and writing the window into a pager, end to end against the
// simulated programmer box.

#include "link/pager_commands.hpp"

#include <filesystem>
#include <fstream>

#include "support/programmer_window.hpp"

namespace capcode {
namespace {

using testing::Lines;

class PagerCommands : public testing::ProgrammerWindowTest {
 protected:
  PagerCommands() {
    // The pager holds what this window would write to it.
    box.eeprom = pagerImage;
    state.event([&] { form.runHandler("HidCtlDeviceChange"); });
    events();
  }
  void read() { click("ReadFromPager"); }
  void write() { click("WriteToPager"); }

  SimulatedProgrammer& box = hid.add(std::make_unique<SimulatedProgrammer>());
};

TEST_F(PagerCommands, ReadTakesThePagerIntoTheWindow) {
  form.setText("hellomsg2", "changed");
  read();
  EXPECT_EQ(events(),
            (Lines{"progress: show Reading data from Pager, please wait...",
                   "log: Read data from pager", "progress: hide", "log: Read completed"}));
  EXPECT_EQ(state.ConfigImage, pagerImage);
  EXPECT_EQ(form.text("hellomsg2"), "123456789");
}

TEST_F(PagerCommands, ReadRejectsABadChecksumAndKeepsTheWindow) {
  box.eeprom[0x7FF] = static_cast<std::uint8_t>(box.eeprom[0x7FF] - 1);
  const Image before = state.ConfigImage;
  read();
  EXPECT_EQ(logLines(),
            (Lines{"Read data from pager", "Pager Read error, please check the connection."}));
  EXPECT_EQ(state.ConfigImage, before);
}

TEST_F(PagerCommands, DebugSaveKeepsEvenABadRead) {
  const std::string path = ::testing::TempDir() + "capcode_debug_save.eep";
  box.eeprom[100] ^= 1;
  form.at("Debug1").checked = true;
  feedback.answer = path;
  read();
  EXPECT_EQ(logLines(), (Lines{"Read data from pager", "Save data to " + path, "ok!",
                               "Pager Read error, please check the connection."}));
  std::ifstream file(path, std::ios::binary);
  std::vector<char> bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  ASSERT_EQ(bytes.size(), 2048u);
  EXPECT_EQ(static_cast<std::uint8_t>(bytes[100]), box.eeprom[100]);
  std::filesystem::remove(path);
  // A cancelled debug save ends the read.
  read();
  EXPECT_EQ(logLines(), Lines{"Read data from pager"});
}

TEST_F(PagerCommands, NoProgrammerMeansNoDevice) {
  box.pluggedIn = false;
  state.event([&] { form.runHandler("HidCtlDeviceChange"); });
  events();
  form.setEnabled("ReadFromPager", true);
  port.chip.present = false;
  read();
  EXPECT_EQ(
      events(),
      (Lines{"progress: show Reading data from Pager, please wait...", "log: Read data from pager",
             "log: Device not exist, please check the connection.", "progress: hide", "beep"}));
}

TEST_F(PagerCommands, WriteVerifiesAndAdvancesTheCapcodes) {
  for (int row = 1; row <= 4; ++row)
    form.setIndex(rowControlName("autoinc", row), 8);
  form.setText("address5", "2000000");
  form.setText("address6", "2000008");
  form.setText("address7", "2000016");
  form.setText("address8", "2000024");
  form.setText("address4", "2004024");
  events();
  write();
  const auto lines = logLines();
  ASSERT_GE(lines.size(), 2u);
  EXPECT_EQ(lines[0], "Write to Pager...");
  EXPECT_EQ(lines[1], "Verify OK !");
  EXPECT_TRUE(checksumValid(box.eeprom));
  EXPECT_EQ(readLe(box.eeprom, 0x000, 4), 0x214BC086u);  // what was written: 2004000
  EXPECT_EQ(form.text("address1"), "2004008");
  EXPECT_EQ(form.text("address2"), "2004016");
  EXPECT_EQ(form.text("address3"), "2004024");
  EXPECT_EQ(form.text("address4"), "2004032");
}

TEST_F(PagerCommands, FailedWritesKeepTheCapcodes) {
  const struct {
    const char* fault;
    Lines log;
  } cases[] = {
      {"write:5:C", {"Write to Pager...", "Device not exist, please check the connection."}},
      // A flipped byte also spoils the read-back: written in recovery mode, without it.
      {"flip:2047", {"Write to Pager...", "Verify fail !"}},
      {"read:1:B", {"Device not exist, please check the connection."}}};
  for (const auto& c : cases) {
    form.at("Recover1").checked = std::string(c.fault) == "flip:2047";
    form.setIndex("autoinc1", 8);
    box.faults = {};
    box.counts.clear();
    unsigned nak = 0;
    ASSERT_EQ(parseSimulatedFault(c.fault, box.faults, nak), "");
    write();
    EXPECT_EQ(logLines(), c.log) << c.fault;
    EXPECT_EQ(form.text("address1"), "2004000") << c.fault;
  }
}

TEST_F(PagerCommands, AnEncodingErrorEndsTheWriteAndClosesTheDialog) {
  form.setText("lcdholdtime", "");
  events();
  write();
  const auto shown = events();
  ASSERT_GE(shown.size(), 2u);
  EXPECT_EQ(shown[shown.size() - 2], "progress: hide");
  EXPECT_EQ(shown.back(), "error: '' is not a valid integer value");
  EXPECT_FALSE(state.State_Form.shown());
  EXPECT_EQ(box.counts[kCommandWriteBlock], 0u);  // nothing was written
}

TEST_F(PagerCommands, HwBReadBackKeepsThePagersHardwareSettings) {
  box.eeprom[0x046] = 33;  // contrast
  box.eeprom[0x269] = 5;   // LCD amplifier
  box.eeprom[0x17E] = static_cast<std::uint8_t>((box.eeprom[0x17E] & 0x3F) | 0x80);  // FS8170
  box.eeprom[0x155] ^= 0x01;  // a settings byte the window rewrites
  setChecksum(box.eeprom);
  form.setText("bs1_8212", "2");
  write();
  EXPECT_EQ(form.text("contrast"), "33");
  EXPECT_EQ(form.index("lcddrv_opa"), 5);
  EXPECT_EQ(form.index("pll"), 3);
  EXPECT_EQ(form.text("bs1_8212"), "30");
  EXPECT_EQ(form.text("bs3_8212"), "31");
}

TEST_F(PagerCommands, HwAReadBackIsTestedBeforeItIsTrusted) {
  const struct {
    std::size_t offset;
    std::uint8_t value;
    bool valid;
  } cases[] = {{0x18B, 102, true}, {0x18B, 101, false}, {0x18E, 76, true},
               {0x18E, 77, false}, {0x017, 1, false},   {0x014, 6, true}};
  for (const auto& c : cases) {
    form.runHandler("switch_modelClick");  // HW-A2 (from HW-B)
    ASSERT_EQ(state.HardwareRevision, kHwA2);
    Image pager = pagerImage;
    pager[0x18B] = 142;
    pager[0x18C] = 90;
    pager[0x18D] = 90;
    pager[0x18E] = 73;
    pager[0x184] = 2;
    pager[0x014] = 6;
    pager[0x016] = 0x69;
    for (std::size_t i = 0x017; i <= 0x01D; ++i)
      pager[i] = 0;
    pager[c.offset] = c.value;
    setChecksum(pager);
    std::copy(pager.begin(), pager.end(), box.eeprom.begin());
    form.setText("fullbat", "2.00");
    write();
    EXPECT_EQ(form.text("fullbat"), c.valid ? (c.offset == 0x18B ? "1.08" : "1.50") : "1.50")
        << c.offset << "=" << int(c.value);
    if (!c.valid) {
      EXPECT_EQ(form.text("gonebat"), "0.77");
    }
    form.runHandler("switch_modelClick");
    form.runHandler("switch_modelClick");  // back to HW-B
  }
}

TEST_F(PagerCommands, BeeperAndRecoveryWriteWithoutReadingBack) {
  for (const char* mode : {"recover", "beeper"}) {
    if (std::string(mode) == "recover") {
      click("FS81081");
    } else {
      form.at("Recover1").checked = false;
      form.setIndex("customer", 2);
    }
    box.counts.clear();
    write();
    EXPECT_EQ(box.counts[kCommandReadBlock], 64u) << mode;  // the verify pass only
    EXPECT_EQ(logLines(), (Lines{"Write to Pager...", "Verify OK !"})) << mode;
  }
}

}  // namespace
}  // namespace capcode
