// The clock rules as the window runs them.

#include "rf/mpu_clock.hpp"

#include "app/window_program.hpp"
#include "support/window_fixture.hpp"

namespace capcode {
namespace {

using testing::Lines;

class MpuClockRules : public testing::WindowTest {};

TEST_F(MpuClockRules, DividersShowTheClockInGeneralFormat) {
  const struct {
    int n, r;
    const char* shown;
  } cases[] = {{0, 2, "2.097152"}, {7, 1, "18.874368"}, {2, 0, "16.777216"}, {0, 1, "4.194304"}};
  for (const auto& c : cases) {
    form.setIndex("r_count", c.r);
    pick("n_count", c.n);
    EXPECT_EQ(text("cpu_clock1"), c.shown);
  }
  pick("r_count", 7);  // 32768 x 64 x 4 / 128
  EXPECT_EQ(text("cpu_clock1"), "0.065536");
}

TEST_F(MpuClockRules, EmptyReferenceTakesTheFocusBack) {
  set("f_ref", "");
  EXPECT_EQ(events(), Lines{"focus: f_ref"});
  type("f_ref", "65536");  // N 4, R 4 from image A
  EXPECT_EQ(text("cpu_clock1"), "4.194304");
}

TEST_F(MpuClockRules, PresetsSelectTheDividers) {
  const struct {
    int preset, n, r;
  } cases[] = {{0, 0, 2}, {1, 0, 1}, {2, 0, 0}, {3, 2, 0}, {4, 7, 1}};
  for (const auto& c : cases) {
    form.setVisible("cpu_clock", true);
    pick("cpu_clock", c.preset);
    EXPECT_EQ(index("n_count"), c.n) << c.preset;
    EXPECT_EQ(index("r_count"), c.r) << c.preset;
  }
}

TEST_F(MpuClockRules, FirmwareVersionSwitchesModesOnHwBOnly) {
  const struct {
    std::uint8_t revision;
    const char* version;
    bool presetShown, dividersEditable;
  } cases[] = {{kHwB, "0", true, false},
               {kHwB, "2", false, true},
               {kHwB, "5", false, true},
               {kHwA2, "0", false, true},
               {kHwA3, "1", false, true}};
  for (const auto& c : cases) {
    testing::RecordingFeedback feedback;
    WindowProgram fresh(feedback);
    fresh.HardwareRevision = c.revision;
    fresh.form.setIndex("cpu_clock", 4);
    fresh.event([&] { fresh.form.setText("f_version", c.version); });
    EXPECT_EQ(fresh.form.at("cpu_clock").visible, c.presetShown) << c.version;
    EXPECT_EQ(fresh.form.at("cpu_clock1").visible, !c.presetShown) << c.version;
    EXPECT_EQ(fresh.form.at("n_count").enabled, c.dividersEditable) << c.version;
    if (c.presetShown) {
      EXPECT_EQ(fresh.form.index("n_count"), 7);
    }
  }
}

TEST_F(MpuClockRules, UnreadableFirmwareVersionIsTheErrorNotice) {
  state.HardwareRevision = kHwB;
  set("f_version", "");
  EXPECT_EQ(events(), Lines{"error: '' is not a valid integer value"});
}

}  // namespace
}  // namespace capcode