// A configuration edited through the library as `capcode set` edits it: what `show --json`
// prints goes back unchanged, lists by item text and by index, and the window-only switch that
// guards the contrast.

#include <gtest/gtest.h>

#include <regex>
#include <sstream>

#include "app/clean_decode.hpp"
#include "app/program.hpp"
#include "configuration/configuration_text.hpp"
#include "configuration/set_run.hpp"
#include "core/config_file.hpp"
#include "core/json.hpp"
#include "support/temp_folder.hpp"

namespace capcode {
namespace {

using test::fileBytes;
using test::TempFolder;

const std::string kData = CAPCODE_SOURCE_DATA_DIR;

bool has(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

class SetRunTest : public ::testing::Test {
 protected:
  OpenOptions openAt(std::uint8_t revision) const {
    OpenOptions open;
    open.revision = revisionOptionName(revision);
    open.dataDirectory = kData;
    return open;
  }

  ConfigurationInput input(const std::string& path) const {
    const auto bytes = fileBytes(path);
    return {path, bytes, true};
  }

  // The start-up configuration saved at `revision`, opened there and saved once more, so that
  // what the first open settles (the channel step, the edition's LCD driver) is settled; then
  // `patch` applied to its bytes and the checksum set.
  std::string settled(std::uint8_t revision, const std::function<void(Image&)>& patch = {}) {
    SilentFeedback quiet;
    ProgramOptions options{startupOptionsFor(kData), {}};
    options.hardware.offline = true;
    Program program(quiet, options);
    EXPECT_TRUE(program.startUp());
    ProgramState& s = program.state();
    selectRevision(s, revision);
    encodeForSave(s);
    const std::string first = folder / "first.eep";
    test::writeBytes(first, {s.ConfigImage.begin(), s.ConfigImage.end()});
    OpenedConfiguration opened(input(first), openAt(revision), quiet);
    EXPECT_TRUE(opened.loaded()) << opened.failure();
    encodeForSave(opened.state());
    Image image = opened.state().ConfigImage;
    if (patch) patch(image);
    setChecksum(image);
    const std::string path = folder / ("settled-" + std::to_string(++files_) + ".eep");
    test::writeBytes(path, {image.begin(), image.end()});
    return path;
  }

  std::string json(const std::string& path, std::uint8_t revision) {
    SilentFeedback quiet;
    OpenedConfiguration opened(input(path), openAt(revision), quiet);
    EXPECT_TRUE(opened.loaded()) << opened.failure();
    std::ostringstream text;
    printConfigurationJson(opened.state(), text);
    return text.str();
  }

  struct Outcome {
    SetResult result;
    std::string err;
  };
  Outcome set(const std::string& file, std::uint8_t revision,
              const std::vector<std::string>& assignments, const std::string& output) {
    SetRequest request{file, assignments, output, false, openAt(revision)};
    std::istringstream none;
    std::ostringstream out;
    std::ostringstream err;
    SilentFeedback quiet;
    const SetResult result = setConfiguration(request, SetStreams{none, -1, out, err}, quiet);
    return {result, err.str()};
  }

  TempFolder folder;

 private:
  int files_ = 0;
};

// Each control of `show --json` as an assignment, read from the JSON as a tool would: a text's
// string literal as it stands, a list's "value" as #N (or its "item" text), a slider's number,
// a check box's on or off.
std::vector<std::string> assignmentsOf(const std::string& json, bool listsByItem) {
  static const std::regex line(
      R"re(^  ("(?:[^"\\]|\\.)*"): \{"label":"(?:[^"\\]|\\.)*","kind":"(\w+)","value":(-?\d+|"(?:[^"\\]|\\.)*")(?:,"item":(null|"(?:[^"\\]|\\.)*"))?)re");
  std::vector<std::string> assignments;
  std::istringstream lines(json);
  for (std::string text; std::getline(lines, text);) {
    std::smatch m;
    if (!std::regex_search(text, m, line)) continue;
    const std::string name = parseJsonString(m[1].str()).value_or("?");
    const std::string kind = m[2];
    std::string value = m[3];
    if (kind == "list") {
      value = listsByItem && m[4] != "null" ? m[4].str() : "#" + value;
    } else if (kind == "check") {
      value = parseJsonString(value).value_or("?");
    }
    assignments.push_back(name + "=" + value);
  }
  return assignments;
}

TEST_F(SetRunTest, EverythingShowJsonPrintsGoesBackUnchanged) {
  // HW-B's baud rate in bits 3-4 of 0x021 both set: a list that holds no item.
  const auto noBaudRate = [](Image& image) { image[0x021] |= 0x18; };
  const struct {
    const char* name;
    std::uint8_t revision;
    std::function<void(Image&)> patch;
  } images[] = {
      {"HW-B", kHwB, {}},
      {"HW-A2", kHwA2, {}},
      {"HW-A3", kHwA3, {}},
      {"HW-B without a baud rate", kHwB, noBaudRate},
  };
  for (const auto& image : images) {
    const std::string file = settled(image.revision, image.patch);
    const std::string shown = json(file, image.revision);
    if (image.patch) {
      ASSERT_TRUE(std::regex_search(
          shown, std::regex(R"("baudrate": \{[^\n]*"value":-1,"item":null)")))
          << "the patched image holds no baud rate";
    }
    for (const bool byItem : {false, true}) {
      const std::vector<std::string> assignments = assignmentsOf(shown, byItem);
      ASSERT_GT(assignments.size(), 100u) << image.name;
      const std::string out = folder / "out.eep";
      const Outcome o = set(file, image.revision, assignments, out);
      EXPECT_EQ(o.result, SetResult::Saved) << image.name << "\n" << o.err;
      EXPECT_EQ(fileBytes(out), fileBytes(file)) << image.name << (byItem ? " by item" : "");
    }
  }
}

TEST_F(SetRunTest, AListTakesItsItemTextFirstThenAnIndex) {
  // r_count's items are numbers too ("1", "2", "4", ...; it holds "4", index 2) on a page a
  // person does not reach: only its own value is taken there.
  const std::string file = settled(kHwB);
  const std::string out = folder / "out.eep";
  const struct {
    const char* assignment;
    SetResult result;
    const char* says;  // on standard error; "" for nothing
    const char* kept;  // the control's line in show --json after the save, in part
  } cases[] = {
      {"r_count=#2", SetResult::Saved, "", R"("r_count": {"label":"R Counter","kind":"list","value":2,"item":"4")"},
      {"r_count=4", SetResult::Saved, "", R"("r_count": {"label":"R Counter","kind":"list","value":2,"item":"4")"},
      {"r_count=2", SetResult::Refused, "r_count is hidden in the window", nullptr},
      {"r_count=#8", SetResult::Refused, "r_count has no item #8", nullptr},
      {"r_count=#-2", SetResult::Refused, "r_count has no item #-2", nullptr},
      {"r_count=#-1", SetResult::Refused,
       "r_count holds an item: the window cannot leave it without one", nullptr},
      {"baudrate=#2", SetResult::Saved, "", R"("value":2,"item":"2400 bps")"},
      {"baudrate=0", SetResult::Saved, "", R"("value":0,"item":"512 bps")"},
      {"baudrate=2400 bps", SetResult::Saved, "", R"("value":2,"item":"2400 bps")"},
      {"baudrate=-1", SetResult::Refused,
       "baudrate holds an item: the window cannot leave it without one", nullptr},
  };
  for (const auto& c : cases) {
    std::remove(out.c_str());
    const Outcome o = set(file, kHwB, {c.assignment}, out);
    EXPECT_EQ(o.result, c.result) << c.assignment << "\n" << o.err;
    EXPECT_TRUE(has(o.err, c.says)) << c.assignment << "\n" << o.err;
    if (c.kept == nullptr) {
      EXPECT_TRUE(fileBytes(out).empty()) << c.assignment;
      continue;
    }
    const std::string name = std::string(c.assignment).substr(0, std::string(c.assignment).find('='));
    const std::string shown = json(out, kHwB);
    const std::size_t at = shown.find("\"" + name + "\": {");
    ASSERT_NE(at, std::string::npos);
    EXPECT_TRUE(has(shown.substr(at, shown.find('\n', at) - at), c.kept)) << c.assignment;
  }
}

TEST_F(SetRunTest, AWindowOnlySwitchIsTickedOnlyForALaterEditThatNeedsIt) {
  const std::string file = settled(kHwB);
  const std::string out = folder / "out.eep";
  const struct {
    std::vector<std::string> assignments;
    SetResult result;
    const char* says;
  } cases[] = {
      {{"contrast_enable=on", "contrast=30"}, SetResult::Saved, ""},
      {{"contrast_enable=on"}, SetResult::Refused, "contrast_enable is not stored in the image"},
      {{"contrast_enable=on", "maxprivate=30"}, SetResult::Refused,
       "contrast_enable is not stored in the image"},
      {{"contrast=30", "contrast_enable=on"}, SetResult::Refused,
       "contrast is disabled in the window"},
  };
  for (const auto& c : cases) {
    std::remove(out.c_str());
    const Outcome o = set(file, kHwB, c.assignments, out);
    EXPECT_EQ(o.result, c.result) << c.says << "\n" << o.err;
    EXPECT_TRUE(has(o.err, c.says)) << o.err;
    EXPECT_EQ(fileBytes(out).empty(), c.result != SetResult::Saved) << c.says;
  }
  // The contrast is kept by the file; the switch is not (it opens unticked again).
  const Outcome saved = set(file, kHwB, {"contrast_enable=on", "contrast=30"}, out);
  ASSERT_EQ(saved.result, SetResult::Saved) << saved.err;
  const std::string after = json(out, kHwB);
  EXPECT_TRUE(std::regex_search(after, std::regex(R"("contrast": \{[^\n]*"value":"30")"))) << after;
  EXPECT_TRUE(
      std::regex_search(after, std::regex(R"("contrast_enable": \{[^\n]*"value":"off")")))
      << after;
}

}  // namespace
}  // namespace capcode
