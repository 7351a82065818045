#include <gtest/gtest.h>

#include <cstdio>

#include "app/window_program.hpp"
#include "core/codec.hpp"
#include "core/program_state.hpp"
#include "support/recording_feedback.hpp"

namespace capcode {
namespace {

class Decode : public ::testing::Test {
 protected:
  void decode(const Image& image, std::uint8_t revision) {
    state.ConfigImage = image;
    state.HardwareRevision = revision;
    decodeImage(state);
  }
  std::string text(const std::string& name) { return state.form.text(name); }
  int index(const std::string& name) { return state.form.index(name); }
  bool checked(const std::string& name) { return state.form.checked(name); }

  testing::RecordingFeedback feedback;
  WindowProgram state{feedback};
};

// What image A gives every field the HW-A layout carries.
TEST_F(Decode, DefaultImageAUnderHwAGivesTheDefaultColumn) {
  decode(defaultImageA(), kHwA2);
  const std::pair<const char*, const char*> texts[] = {{"address1", "2004000"},
                                                       {"address2", "2004008"},
                                                       {"address3", "2004016"},
                                                       {"address4", "2004024"},
                                                       {"address5", "2004032"},
                                                       {"address6", "2004040"},
                                                       {"address7", "2004048"},
                                                       {"address8", "2004056"},
                                                       {"maxprivate", "60"},
                                                       {"lcdholdtime", "16"},
                                                       {"contrast", "50"},
                                                       {"handprogpws", "5529"},
                                                       {"frequency", "163"},
                                                       {"autooffstart", "23"},
                                                       {"autooffstop", "6"},
                                                       {"alarmhour", "6"},
                                                       {"alarmminute", "30"},
                                                       {"vibratepattern", "00FF"},
                                                       {"alerttime", "4"},
                                                       {"unread_alert", "5"},
                                                       {"cannedmsgA", "A Tone Only !"},
                                                       {"cannedmsgD", "D Tone Only !"},
                                                       {"hellomsg1", "-- KVR M61 ---------"},
                                                       {"hellomsg2", "123456789"},
                                                       {"tonepatternA", "FFFC"},
                                                       {"tonepatternB", "CFFC"},
                                                       {"tonepatternC", "CCC0"},
                                                       {"tonepatternD", "CCCC"},
                                                       {"tonepatternPon", "A000"},
                                                       {"tonepatternLcell", "8000"},
                                                       {"tonepatternUcall1", "CFFC"},
                                                       {"tonepatternUcall2", "FCFF"},
                                                       {"fullbat", "1.50"},
                                                       {"halfbat", "0.95"},
                                                       {"lowbat", "0.95"},
                                                       {"gonebat", "0.77"},
                                                       {"Vref", "2.70"},
                                                       {"bs1_8212", "30"}};
  for (const auto& [name, value] : texts)
    EXPECT_EQ(text(name), value) << name;

  const std::pair<const char*, int> choices[] = {{"msgtype1", 0},
                                                 {"msgtype2", 1},
                                                 {"msgtype6", 1},
                                                 {"addr1formatA", 0},
                                                 {"addr1formatB", 1},
                                                 {"addr1formatC", 2},
                                                 {"addr1formatD", 3},
                                                 {"addr6formatD", 1},
                                                 {"numset", 1},
                                                 {"polarity", 0},
                                                 {"vibratetype", 0},
                                                 {"urgentcalltype", 0},
                                                 {"repeatcallreject", 2},
                                                 {"repeatcallcheck", 1},
                                                 {"rangetime", 0},
                                                 {"rangeindicator", 1},
                                                 {"pubboxmode", 0},
                                                 {"lowcalldelay", 1},
                                                 {"language", 1},
                                                 {"dateformat", 2},
                                                 {"baudrate", 1},
                                                 {"alerttype", 3},
                                                 {"alertmode", 1},
                                                 {"zoom", 1},
                                                 {"customer", 0},
                                                 {"backlight", 1},
                                                 {"pager_model", 2},
                                                 {"BS2", 15},
                                                 {"BS3", 0},
                                                 {"errcorrect", 2},
                                                 {"data_format", 1},
                                                 {"lcddrv", 0},
                                                 {"lcddrv_opa", 3},
                                                 {"pll", 0},
                                                 {"n_count", 0},
                                                 {"r_count", 2}};
  for (const auto& [name, value] : choices)
    EXPECT_EQ(index(name), value) << name;

  const std::pair<const char*, bool> flags[] = {{"outrange", true},     {"ota", true},
                                                {"msgstatus", true},    {"msglock", true},
                                                {"msgfull", true},      {"pageoff", false},
                                                {"ureadmsg", true},     {"toneonlymsg", false},
                                                {"timedisplay", true},  {"repeatmsg", true},
                                                {"quietsound", false},  {"lowbatspecalert", true},
                                                {"handprog", true},     {"datetime", true},
                                                {"autospacing", false}, {"autooff", false},
                                                {"alarm", false},       {"msgstatusprefix", true},
                                                {"timeprefix", true},   {"auto_backlight", false},
                                                {"pll_enable", true},   {"urgent1A", false},
                                                {"urgent6D", false}};
  for (const auto& [name, value] : flags)
    EXPECT_EQ(checked(name), value) << name;

  for (int n = 1; n <= 6; ++n)
    EXPECT_TRUE(checked(rowControlName("addr", n, "en"))) << n;
  for (int k = 0; k < kFolders; ++k) {
    char name[10];
    std::snprintf(name, sizeof name, "Fdr%02dName", k);
    EXPECT_EQ(text(folderControlName("pubbox", k)), name);
    EXPECT_EQ(text(folderControlName("pubboxlength", k)), "10");
    EXPECT_EQ(checked(folderControlName("pubboxact", k)), k >= 4) << k;
  }
  // The one byte the decoder writes: a blank LCD amplifier setting becomes 3.
  EXPECT_EQ(state.ConfigImage[0x269], 3);
  EXPECT_TRUE(feedback.events.empty());
}

TEST_F(Decode, HwBRecordsGiveCapcodeAndEnableFlag) {
  decode(defaultImageB(), kHwB);
  for (int n = 1; n <= 4; ++n) {
    EXPECT_EQ(text(rowControlName("address", n)), "2004000") << n;
    EXPECT_TRUE(checked(rowControlName("addr", n, "en"))) << n;
  }
  for (int n = 5; n <= 8; ++n) {
    EXPECT_EQ(text(rowControlName("address", n)), "0") << n;
    EXPECT_FALSE(checked(rowControlName("addr", n, "en"))) << n;
  }
  EXPECT_EQ(text("frequency"), "155");
  // 0x021 = CA, 0x022 = 73, 0x023 = 97: bits stored in reversed order.
  EXPECT_EQ(text("bs3_8212"), "60");
  EXPECT_EQ(text("bs1_8212"), "59");
  EXPECT_EQ(index("clko"), 1);
  EXPECT_EQ(index("n_count"), 0);
  EXPECT_EQ(index("r_count"), 1);
  EXPECT_EQ(index("baudrate"), 2);
  EXPECT_EQ(index("error_rate"), 1);
  EXPECT_EQ(index("filter_strength"), 1);
  EXPECT_TRUE(checked("filter_enable"));
  EXPECT_EQ(index("addr8formatA"), 1);
}

TEST_F(Decode, TheLayoutFollowsTheRevisionNotTheImage) {
  decode(defaultImageB(), kHwA2);
  EXPECT_NE(text("address1"), "2004000");
  decode(defaultImageA(), kHwB);
  EXPECT_NE(text("address1"), "2004000");
}

TEST_F(Decode, HwAFramesComeFromTheSharedFrameByte) {
  Image image = defaultImageA();
  image[0x013] = 0x80 | (3 << 3) | 5;
  decode(image, kHwA3);
  EXPECT_EQ(text("address1"), "2004003");
  EXPECT_EQ(text("address2"), "2004011");
  EXPECT_EQ(text("address3"), "2004021");
  EXPECT_EQ(text("address6"), "2004045");
}

TEST_F(Decode, ValuesOutsideAListSelectNothing) {
  Image image = defaultImageA();
  image[0x18F] = 0;      // rangetime 0 - 1
  image[0x17E] |= 0xC0;  // synthesizer selector 3
  image[0x047] = 5;      // language 5 of a list cut to three items
  state.form.setItems("language", {"English-USA", "English-UK", "French"});
  decode(image, kHwA2);
  EXPECT_EQ(index("rangetime"), -1);
  EXPECT_EQ(index("pll"), -1);
  EXPECT_EQ(index("language"), -1);
}

TEST_F(Decode, SynthesizerSelectorPicksThePllType) {
  const struct {
    std::uint8_t selectorBits, byte185;
    int pll;
  } cases[] = {{0x00, 0x00, 0}, {0x00, 0x10, 1}, {0x40, 0x10, 2}, {0x80, 0x00, 3}};
  for (const auto& c : cases) {
    Image image = defaultImageA();
    image[0x17E] = static_cast<std::uint8_t>((image[0x17E] & 0x3F) | c.selectorBits);
    image[0x185] = c.byte185;
    decode(image, kHwA2);
    EXPECT_EQ(index("pll"), c.pll);
  }
}

TEST_F(Decode, UnreadAlertEnableBitClearMeansZero) {
  Image image = defaultImageB();
  image[0x02F] = 12;
  decode(image, kHwB);
  EXPECT_EQ(text("unread_alert"), "12");
  image[0x041] &= static_cast<std::uint8_t>(~0x04);
  decode(image, kHwB);
  EXPECT_EQ(text("unread_alert"), "0");
}

TEST_F(Decode, BatteryVoltagesFollowTheDecimalMarkAndRoundUp) {
  Image image = defaultImageA();
  image[0x18E] = 0;
  decode(image, kHwA2);
  EXPECT_EQ(text("gonebat"), "0");

  state.DecimalMark = ',';
  state.VoltageRoundUp = 0;
  state.form.setText("Vref", "2,70");
  decode(defaultImageA(), kHwA2);
  EXPECT_EQ(text("fullbat"), "1,49");
  EXPECT_EQ(text("frequency"), "163");
}

TEST_F(Decode, TextsRunPastTheirFieldAndAreCutToTheLimit) {
  Image image = defaultImageA();
  const std::string hello = "ABCDEFGHIJKLMNOPQRST";
  for (std::size_t i = 0; i < 20; ++i)
    image[0x240 + i] = static_cast<std::uint8_t>(hello[i]);
  decode(image, kHwA2);
  EXPECT_EQ(text("hellomsg1"), hello);
  EXPECT_EQ(text("pubbox0"), "Fdr00Name");
}

TEST_F(Decode, AnUnreadableVrefStopsAtTheVoltages) {
  state.form.setText("Vref", "abc");
  state.form.setText("cannedmsgA", "before");
  EXPECT_FALSE(state.event([&] { decode(defaultImageA(), kHwA2); }));
  EXPECT_EQ(feedback.events,
            (std::vector<std::string>{"error: 'abc' is not a valid floating point value"}));
  EXPECT_EQ(text("alarmminute"), "30");     // set before the voltages
  EXPECT_EQ(text("cannedmsgA"), "before");  // after them: untouched
}

TEST_F(Decode, CallsTheListRulesItNeedsByName) {
  std::vector<std::string> calls;
  for (const char* rule : {"msgtype1Change", "msgtype6Change", "lcddrvChange", "n_countChange"}) {
    state.form.defineHandler(rule, [&calls, rule] { calls.emplace_back(rule); });
  }
  decode(defaultImageA(), kHwA2);
  EXPECT_EQ(calls, (std::vector<std::string>{"msgtype1Change", "msgtype6Change", "lcddrvChange"}));
  calls.clear();
  // Row 6 goes from enabled to disabled first: its enable box runs its message-type rule too.
  decode(defaultImageB(), kHwB);
  EXPECT_EQ(calls, (std::vector<std::string>{"msgtype6Change", "n_countChange", "msgtype1Change",
                                             "msgtype6Change", "lcddrvChange"}));
}

}  // namespace
}  // namespace capcode
