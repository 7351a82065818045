#include "core/image_map.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>
#include <string>

#include "app/window_program.hpp"
#include "core/program_state.hpp"
#include "support/recording_feedback.hpp"

namespace capcode {
namespace {

class ImageMapOf : public ::testing::TestWithParam<std::uint8_t> {};

// Two controls sharing a bit would overwrite each other in the encoder.
TEST_P(ImageMapOf, NoTwoFieldsShareABit) {
  std::map<std::size_t, unsigned> taken;
  for (const ImageStep& step : imageSteps(GetParam())) {
    for (const ImageField* row : step.rows) {
      const ImageField& f = *row;
      if (!isBitField(f)) continue;
      const unsigned bits = ((1u << f.width) - 1) << f.shift;
      ASSERT_LE(bits, 0xFFu) << f.control;
      EXPECT_EQ(taken[f.offset] & bits, 0u) << f.control << " at " << f.offset;
      taken[f.offset] |= bits;
    }
  }
  for (const ImageStep& step : imageSteps(GetParam())) {
    if (step.writes) {
      EXPECT_EQ(taken[step.writes->offset] & step.writes->fixed, 0u) << step.writes->offset;
    }
  }
}

// The walk sets a control once: its rows stand together, and every byte is written once.
TEST_P(ImageMapOf, EachControlAndByteComesOnce) {
  std::set<std::string> controls;
  std::set<std::size_t> bytes;
  std::set<std::size_t> carried;
  for (const ImageStep& step : imageSteps(GetParam())) {
    // A control may have a field of each kind (a number and the bit saying it is not 0).
    const std::string key =
        step.first().control + "/" + std::to_string(static_cast<int>(step.first().kind));
    if (!step.first().control.empty()) {
      EXPECT_TRUE(controls.insert(key).second) << key;
    }
    if (step.writes) {
      EXPECT_TRUE(bytes.insert(step.writes->offset).second) << step.writes->offset;
    }
    for (const ImageField* row : step.rows) {
      if (isBitField(*row)) carried.insert(row->offset);
    }
  }
  EXPECT_EQ(bytes, carried);  // the encoder writes every byte a field lives in
}

// Every control the map names is a control of the window, of the kind its rows say.
TEST_P(ImageMapOf, NamesControlsOfTheWindow) {
  testing::RecordingFeedback feedback;
  WindowProgram state{feedback};
  for (const ImageStep& step : imageSteps(GetParam())) {
    const ImageField& f = step.first();
    if (f.kind == FieldKind::Custom) continue;
    const ControlKind expected = f.kind == FieldKind::Check   ? ControlKind::Flag
                                 : f.kind == FieldKind::Index ? ControlKind::Choice
                                                              : ControlKind::Text;
    EXPECT_EQ(state.form.at(f.control).kind, expected) << f.control;
    const auto all = fieldsOfControl(f.control, GetParam());
    for (const ImageField* row : step.rows)
      EXPECT_NE(std::find(all.begin(), all.end(), row), all.end()) << f.control;
  }
}

INSTANTIATE_TEST_SUITE_P(Revisions, ImageMapOf, ::testing::Values(kHwA2, kHwA3, kHwB));

TEST(ReverseBits, ReversesTheLowBitsOnly) {
  const struct {
    unsigned value, width, reversed;
  } cases[] = {{0b01, 2, 0b10},    {0b110, 3, 0b011}, {0b1000, 4, 0b0001},
               {0x1F1, 4, 0b1000}, {0x01, 8, 0x80},   {0xA5, 1, 1}};
  for (const auto& c : cases)
    EXPECT_EQ(reverseBits(c.value, c.width), c.reversed) << c.value << "/" << c.width;
}

}  // namespace
}  // namespace capcode
