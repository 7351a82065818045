#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <set>

#include "app/window_program.hpp"
#include "core/codec.hpp"
#include "core/conversions.hpp"
#include "core/program_state.hpp"
#include "support/recording_feedback.hpp"

namespace capcode {
namespace {

class Encode : public ::testing::Test {
 protected:
  Encode() {
    state.ConfigImage = defaultImageA();
    state.ChannelStep = 2500;
    decodeImage(state);
  }
  void set(const std::string& name, const std::string& text) { state.form.setText(name, text); }
  std::uint8_t at(std::size_t offset) const { return state.ConfigImage[offset]; }
  void encodeAt(std::uint8_t revision) {
    state.HardwareRevision = revision;
    encodeImage(state);
  }

  testing::RecordingFeedback feedback;
  WindowProgram state{feedback};
};

TEST_F(Encode, HwBAddressRecords) {
  set("address1", "2004000");
  set("address5", "0");
  state.form.setChecked("addr1en", true);
  state.form.setChecked("addr5en", false);
  encodeAt(kHwB);
  EXPECT_EQ(readLe(state.ConfigImage, 0x000, 4), 0x214BC086u);  // 86 C0 4B 21
  EXPECT_EQ(readLe(state.ConfigImage, 0x010, 4), 0x00000106u);  // 06 01 00 00
}

TEST_F(Encode, HwAAddressesEnablesAndFrames) {
  set("frame1", "3");
  set("frame3", "5");
  encodeAt(kHwA2);
  EXPECT_EQ(at(0x000), 0x84);
  EXPECT_EQ(at(0x001), 0xD2);
  EXPECT_EQ(at(0x002), 0x03);
  EXPECT_EQ(at(0x012), 0x3F);
  EXPECT_EQ(at(0x013), 0x9D);
}

TEST_F(Encode, DecodeThenEncodeReproducesTheDefaultHeads) {
  // Image A: everything but the shared-frame byte, whose bit 6 the encoder does not keep.
  encodeAt(kHwA2);
  for (std::size_t i = 0; i < 0x30; ++i) {
    if (i == 0x013) continue;
    EXPECT_EQ(at(i), defaultImageA()[i]) << std::hex << i;
  }
  EXPECT_EQ(at(0x013), 0x80);

  state.ConfigImage = defaultImageB();
  state.HardwareRevision = kHwB;
  decodeImage(state);
  encodeImage(state);
  for (std::size_t i = 0; i < 0x30; ++i)
    EXPECT_EQ(at(i), defaultImageB()[i]) << std::hex << i;
}

TEST_F(Encode, FrequencyIsExactInHertz) {
  const struct {
    const char* text;
    char mark;
    std::uint32_t hertz;
  } cases[] = {{"146.56250", '.', 146562500},
               {"146,56250", ',', 146562500},
               {"499.99500", '.', 499995000},
               {"163", '.', 163000000}};
  for (const auto& c : cases) {
    state.DecimalMark = c.mark;
    for (const char* volts : {"fullbat", "halfbat", "lowbat", "gonebat", "Vref"}) {
      std::string text = state.form.text(volts);
      for (char& ch : text) {
        if (ch == '.' || ch == ',') ch = c.mark;
      }
      set(volts, text);
    }
    set("frequency", c.text);
    encodeAt(kHwA2);
    EXPECT_EQ(readLe(state.ConfigImage, 0x020, 4), c.hertz) << c.text;
    encodeAt(kHwB);
    EXPECT_EQ(readLe(state.ConfigImage, 0x02B, 4), c.hertz) << c.text;
  }
}

TEST_F(Encode, TonePatternsAsHexPairs) {
  const struct {
    const char* text;
    std::uint8_t low, high;
  } cases[] = {{"FFFC", 0xFC, 0xFF}, {"A0", 0xCC, 0xA0},   {"FF", 0xCC, 0xFF},
               {"", 0xCC, 0xCC},     {"12ab", 0xAB, 0x12}, {"G123", 0x23, 0xC1}};
  for (const auto& c : cases) {
    set("tonepatternD", c.text);
    encodeAt(kHwA2);
    EXPECT_EQ(at(0x036), c.low) << c.text;
    EXPECT_EQ(at(0x037), c.high) << c.text;
  }
}

TEST_F(Encode, UserSelectAlertOwnsByte0x185) {
  state.form.setIndex("alerttype", 3);
  state.form.setChecked("timeprefix", false);
  state.form.setIndex("dateformat", 0);
  state.form.setIndex("zoom", 0);
  state.form.setIndex("alertmode", 0);
  state.form.setIndex("pll", 2);
  encodeAt(kHwA2);
  EXPECT_EQ(at(0x040) & 0x30, 0);
  EXPECT_EQ(at(0x185), 0x20);

  state.form.setIndex("alerttype", 2);
  state.form.setIndex("pll", 1);
  encodeAt(kHwA2);
  EXPECT_EQ(at(0x040) & 0x30, 0x20);
  EXPECT_EQ(at(0x185), 0x10);  // SM5170 flag
  EXPECT_EQ(at(0x17E) & 0xC0, 0x00);
}

TEST_F(Encode, NoSelectionStoresAllOnes) {
  state.form.setIndex("language", -1);
  state.form.setIndex("pll", -1);
  state.form.setIndex("alerttype", 0);
  state.form.setIndex("rangetime", -1);
  encodeAt(kHwA2);
  EXPECT_EQ(at(0x047), 0xFF);
  EXPECT_EQ(at(0x185) & 0x10, 0x10);  // -1 takes the second synthesizer branch
  EXPECT_EQ(at(0x18F), 0x00);
}

TEST_F(Encode, NumbersKeepTheirLowBits) {
  // Texts that did not pass the editing rules (pasted, or loaded by another tool).
  state.form.at("lcdholdtime").text = "300";
  encodeAt(kHwA2);
  EXPECT_EQ(at(0x044), 44);
}

TEST_F(Encode, ASignedNumberIsAConversionErrorNotANegativeByte) {
  for (const char* field : {"contrast", "maxprivate", "pubboxlength0", "lcdholdtime"}) {
    const std::string before = state.form.at(field).text;
    state.form.at(field).text = "-1";
    EXPECT_THROW(encodeAt(kHwA2), ConversionError) << field;
    state.form.at(field).text = before;
  }
}

TEST_F(Encode, BatteryThresholdsRoundHalfUp) {
  const struct {
    const char* volts;
    std::uint8_t byte;
  } cases[] = {{"1.50", 0x8E}, {"0.95", 0x5A}, {"0.77", 0x49}, {"0", 0}, {"2.69", 0xFF}};
  for (const auto& c : cases) {
    set("fullbat", c.volts);
    encodeAt(kHwA2);
    EXPECT_EQ(at(0x18B), c.byte) << c.volts;
  }
}

TEST_F(Encode, TextsFillTheirFieldWithoutTouchingTheNext) {
  state.ConfigImage[0x1E0] = 0x5A;
  set("cannedmsgD", "12345678901234567890");
  set("pubbox0", "ABCDEFGHI");
  set("pubbox1", "NEWS");
  encodeAt(kHwA2);
  EXPECT_EQ(at(0x1DF), '0');
  EXPECT_EQ(at(0x1E0), 0x5A);
  EXPECT_EQ(readImageText(state.ConfigImage, 0x06A).substr(0, 9), "ABCDEFGHI");
  EXPECT_EQ(at(0x06A + 9 + 4), 0);
  EXPECT_EQ(at(0x06A + 9 + 5), 'N');  // "Fdr01Name" keeps its tail after the terminator
}

TEST_F(Encode, AFailingConversionStopsAtThatField) {
  set("maxprivate", "");
  set("pubboxlength0", "42");
  state.form.setIndex("repeatcallreject", 5);
  EXPECT_FALSE(state.event([&] { encodeAt(kHwA2); }));
  EXPECT_EQ(feedback.events, (std::vector<std::string>{"error: '' is not a valid integer value"}));
  EXPECT_EQ(at(0x142), 42);    // written before maxprivate
  EXPECT_EQ(at(0x15A), 0x3C);  // maxprivate itself and what follows keep their bytes
  EXPECT_EQ(at(0x15B), 0x02);
}

TEST_F(Encode, UnreadableVoltageReportsTheFloatingPointMessage) {
  set("halfbat", "1,3");
  EXPECT_FALSE(state.event([&] { encodeAt(kHwA2); }));
  EXPECT_EQ(feedback.events,
            (std::vector<std::string>{"error: '1,3' is not a valid floating point value"}));
}

// Offsets that the encoder may write in each layout.
std::set<std::size_t> namedOffsets(std::uint8_t revision) {
  std::set<std::size_t> named;
  auto range = [&](std::size_t first, std::size_t last) {
    for (std::size_t i = first; i <= last; ++i)
      named.insert(i);
  };
  if (revision == kHwB) {
    range(0x000, 0x02F);
    range(0x056, 0x058);
  } else {
    range(0x000, 0x013);
    range(0x015, 0x016);
    range(0x01E, 0x023);
  }
  range(0x030, 0x054);
  range(0x06A, 0x15B);
  range(0x17E, 0x187);
  range(0x189, 0x1DF);
  range(0x240, 0x26A);
  range(0x3FE, 0x3FF);
  return named;
}

TEST(RoundTrip, BytesTheEncoderDoesNotNameSurvive) {
  for (std::uint8_t revision : {kHwA2, kHwA3, kHwB}) {
    const std::set<std::size_t> named = namedOffsets(revision);
    for (unsigned seed = 1; seed <= 20; ++seed) {
      std::mt19937 random(seed * 7919 + revision);
      Image original;
      for (auto& byte : original)
        byte = static_cast<std::uint8_t>(random());
      // Legal capcodes on HW-A boards: an illegal one leaves its frame blank, and a blank frame
      // rightly stops the encoder.
      if (revision != kHwB) {
        std::copy(defaultImageA().begin(), defaultImageA().begin() + 0x14, original.begin());
      }
      testing::RecordingFeedback feedback;
      WindowProgram state(feedback);
      state.ConfigImage = original;
      state.HardwareRevision = revision;
      ASSERT_TRUE(state.event([&] {
        decodeImage(state);
        encodeImage(state);
      })) << ::testing::PrintToString(feedback.events);
      for (std::size_t i = 0; i < kImageSize; ++i) {
        if (named.count(i) == 0) {
          ASSERT_EQ(state.ConfigImage[i], original[i])
              << "revision " << int(revision) << " seed " << seed << " offset " << i;
        }
      }
    }
  }
}

}  // namespace
}  // namespace capcode
