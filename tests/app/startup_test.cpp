#include "app/startup.hpp"

#include <gtest/gtest.h>

#include <fstream>

#include "app/window_program.hpp"
#include "core/codec.hpp"
#include "support/started_window.hpp"
#include "support/temp_folder.hpp"

namespace capcode {
namespace {

using testing::Lines;

using test::fileBytes;

class Startup : public testing::StartedWindowTest {};

TEST_F(Startup, EndsAtHwBWithTheVantaEditionAndTheBannerFirst) {
  EXPECT_EQ(startupEvents, Lines{"log: M61V10 USB CapCode Programmer Windows version " +
                                 fileVersionText(readVersionInfo())});
  EXPECT_EQ(state.HardwareRevision, kHwB);
  EXPECT_EQ(form.at("switch_model").caption, "&HW-B");
  EXPECT_EQ(form.text("contrast"), "40");
  EXPECT_EQ(form.index("customer"), 0);
  EXPECT_FALSE(form.at("customer").visible);
  EXPECT_FALSE(form.at("hardware").visible);
  EXPECT_EQ(form.text("unread_alert"), "0");
  EXPECT_EQ(form.index("pager_model"), 2);
  EXPECT_FALSE(form.at("pager_model").enabled);
  EXPECT_EQ(form.at("language").items,
            (std::vector<std::string>{"English-USA", "English-UK", "French"}));
  EXPECT_EQ(caption(), "M61V10 Capcode Programmer Customer Version");
  for (const char* canned : {"cannedmsgA", "cannedmsgB", "cannedmsgC", "cannedmsgD"}) {
    EXPECT_EQ(form.text(canned), std::string(1, canned[9]) + " Canned Messages   ");
    EXPECT_FALSE(form.at(canned).enabled);  // canned messages off in image A
  }
  EXPECT_EQ(form.index("pll"), 2);
  EXPECT_EQ(form.text("hellomsg1"), "------ KVRM61 -------");
  EXPECT_EQ(form.text("frequency"), "163.00000");
  EXPECT_EQ(state.ChannelStep, 6250);
  EXPECT_FALSE(form.at("data_format").enabled);
  EXPECT_TRUE(form.at("contrast_enable").visible);
  EXPECT_FALSE(form.at("repeatmsg").visible);
  EXPECT_EQ(state.modelCode(), "M61");
  EXPECT_EQ(form.at("TrackBar4").position, 30);
  EXPECT_EQ(state.LanguageLibraryPath, "EngStrHWB.lib");
}

TEST_F(Startup, ImageHoldsImageAWithTheEditionAndTheHwBLibrary) {
  const Image& a = defaultImageA();
  for (std::size_t i = 0; i < kSettingsSize; ++i) {
    if (i >= 0x066 && i <= 0x068) continue;  // the edition's model code
    if (i == 0x269) continue;                // the decoder's amplifier default
    EXPECT_EQ(state.ConfigImage[i], a[i]) << i;
  }
  EXPECT_EQ(state.ConfigImage[0x269], 3);
  const auto library = fileBytes(std::string(CAPCODE_SOURCE_DATA_DIR) + "/EngStrHWB.lib");
  ASSERT_EQ(library.size(), 1024u);
  for (std::size_t i = 0; i < 1024; ++i)
    EXPECT_EQ(state.ConfigImage[0x400 + i], library[i]) << i;
}

TEST(StartupLocale, CommaSystemsGetCommaTexts) {
  testing::RecordingFeedback feedback;
  WindowProgram state(feedback);
  ASSERT_TRUE(state.event([&] { startProgram(state, testing::testStartupOptions(',')); }));
  EXPECT_EQ(feedback.events.size(), 1u);  // the banner; no error
  EXPECT_EQ(state.DecimalMark, ',');
  EXPECT_EQ(state.VoltageRoundUp, 0.01f) << "rounded up as with '.'";
  EXPECT_EQ(state.form.text("Vref"), "2,70");
  EXPECT_EQ(state.form.text("fullbat"), "1,50");
  EXPECT_EQ(state.form.text("frequency"), "163,00000");
}

TEST(StartupLibrary, MissingLibraryIsReportedAndTheDefaultStringsStay) {
  testing::RecordingFeedback feedback;
  WindowProgram state(feedback);
  StartupOptions options;
  options.dataDirectories = {"/nonexistent-capcode-data"};
  ASSERT_TRUE(state.event([&] { startProgram(state, options); }));
  ASSERT_EQ(feedback.events.size(), 3u);
  EXPECT_EQ(feedback.events[0].rfind("log: M61V10 USB CapCode Programmer Windows version ", 0), 0u);
  EXPECT_EQ(feedback.events[1], "log: Language file error");
  EXPECT_EQ(feedback.events[2], "beep");
  for (std::size_t i = 0x400; i < kImageSize; ++i) {
    EXPECT_EQ(state.ConfigImage[i], defaultImageA()[i]) << i;
  }
}

TEST(StartupLibrary, FactoryBuildShowsTheHardwarePageAndTwoBannerLines) {
  testing::RecordingFeedback feedback;
  WindowProgram state(feedback, BuildConstants{1, 0, 2});
  ASSERT_TRUE(state.event([&] { startProgram(state, testing::testStartupOptions()); }));
  EXPECT_EQ(feedback.events[1],
            "log: Please choose correct customer item before programming the pager.");
  EXPECT_TRUE(state.form.at("hardware").visible);
  EXPECT_TRUE(state.form.at("customer").visible);
  EXPECT_TRUE(state.form.at("Vref").visible);
  EXPECT_TRUE(state.form.at("fullbat").enabled);
  EXPECT_FALSE(state.form.at("contrast_enable").visible);
  EXPECT_EQ(state.form.at("Form1").caption, "M61 Capcode Programmer Factory Version");
}

TEST(StartupLibrary, HebraicLockFixesTheLanguage) {
  testing::RecordingFeedback feedback;
  WindowProgram state(feedback, BuildConstants{0, 1, 1});
  ASSERT_TRUE(state.event([&] { startProgram(state, testing::testStartupOptions()); }));
  EXPECT_EQ(state.form.at("language").selectedItem(), "Hebraic");
  EXPECT_FALSE(state.form.at("language").enabled);
  // The model profile runs after the edition and names the build's customer its own way.
  EXPECT_EQ(state.form.at("Form1").caption, "M61 Capcode Programmer Customer Version");
}

TEST_F(Startup, ExitReleasesThePortAndClosesTheWindow) {
  int released = 0;
  state.releasePortAccess = [&] { ++released; };
  click("Exit1");
  EXPECT_EQ(released, 1);
  EXPECT_TRUE(state.windowClosed);
  EXPECT_EQ(events(), Lines{});
}

// A decode followed by an encode keeps every battery threshold byte, whatever the system's
// decimal mark: a file must not drift a step on every open and save.
TEST(StartupLocale, EveryBatteryByteSurvivesADecodeAndEncodeWithEitherMark) {
  for (const char mark : {'.', ','}) {
    testing::RecordingFeedback feedback;
    WindowProgram state(feedback);
    ASSERT_TRUE(state.event([&] { startProgram(state, testing::testStartupOptions(mark)); }));
    int drifted = 0;
    for (int byte = 0; byte < 256; ++byte) {
      ASSERT_TRUE(state.event([&] {
        setBatteryField(state, "halfbat", static_cast<std::uint8_t>(byte));
        encodeImage(state);
      }));
      drifted += state.ConfigImage[0x18C] != byte;
    }
    EXPECT_EQ(drifted, 0) << "mark " << mark;
  }
}

TEST(StartupLibrary, AnInstalledProgramLooksBesideItsOwnPrefix) {
  const std::vector<std::string> dirs = defaultDataDirectories();
  ASSERT_GE(dirs.size(), 3u);
  EXPECT_EQ(dirs[1], dirs[0] + "/../share/capcode") << "bin/../share/capcode, whatever the prefix";
  EXPECT_EQ(dirs[2].substr(dirs[2].size() - 14), "/share/capcode");
}

}  // namespace
}  // namespace capcode
