// A configuration edited through the library as `capcode set` edits it: what `show --json`
// prints goes back unchanged, lists by item text and by index, the window-only switch that
// guards the contrast, the edits the rules refuse, and the one scratch program the checks and
// the read-back share.

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <regex>
#include <sstream>

#include "app/clean_decode.hpp"
#include "app/program.hpp"
#include "configuration/configuration_text.hpp"
#include "configuration/set_run.hpp"
#include "core/config_file.hpp"
#include "core/image_map.hpp"
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

// An edit a rule refuses, or changes as it is typed, saves nothing: said on standard error in
// these words, and nothing else said there.
TEST_F(SetRunTest, WhatARuleRefusesSavesNothing) {
  const std::string file = settled(kHwB);
  const std::string out = folder / "out.eep";
  const auto refused = [](const std::vector<std::string>& edits) {
    std::string text;
    for (const std::string& edit : edits)
      text += "capcode set: " + edit + " was refused\n";
    return text + "capcode set: an edit was refused\ncapcode set: nothing was saved\n";
  };
  // Ten folders of 99 beside ten of 10 and 60 reserved: the last two left give up the excess.
  std::vector<std::string> longFolders;
  for (const char folder : std::string("456789ABCD"))
    longFolders.push_back(std::string("pubboxlength") + folder + "=99");
  const struct {
    const char* name;
    std::vector<std::string> assignments;
    bool adjust;
    std::string err;
  } cases[] = {
      {"frequency out of range", {"frequency=300"}, false, refused({"frequency=300"})},
      {"a letter in the frequency", {"frequency=16x.5"}, false, refused({"frequency=16x.5"})},
      {"a letter in a number", {"maxprivate=6a"}, false, refused({"maxprivate=6a"})},
      {"a capcode out of range", {"address1=2097150"}, false, refused({"address1=2097150"})},
      {"not a hex digit", {"tonepatternA=12G4"}, false, refused({"tonepatternA=12G4"})},
      {"a folder of length 0", {"pubboxlength5=0"}, false, refused({"pubboxlength5=0"})},
      {"a letter in a folder length", {"pubboxlength5=9x"}, false, refused({"pubboxlength5=9x"})},
      {"folders trimmed, adjusting or not", longFolders, true,
       refused({"pubboxlengthC=99", "pubboxlengthD=99"})},
      {"accepted edits before and after one refused",
       {"alerttime=12", "frequency=300", "maxprivate=50"},
       false,
       refused({"frequency=300"})},
  };
  for (const auto& c : cases) {
    std::remove(out.c_str());
    SetRequest request{file, c.assignments, out, c.adjust, openAt(kHwB)};
    std::istringstream none;
    std::ostringstream image;
    std::ostringstream err;
    SilentFeedback quiet;
    EXPECT_EQ(setConfiguration(request, SetStreams{none, -1, image, err}, quiet),
              SetResult::Refused)
        << c.name;
    EXPECT_EQ(err.str(), c.err) << c.name;
    EXPECT_TRUE(fileBytes(out).empty()) << c.name;
  }
}

// A check in the scratch program, after any other checks in it, gives what the same check
// gives in a newly started program; and so does an open there (every control as it stands).
TEST_F(SetRunTest, TheScratchProgramChecksAsANewProgramDoes) {
  const auto image = [](const std::string& path) {
    Image bytes{};
    const auto file = fileBytes(path);
    std::copy(file.begin(), file.end(), bytes.begin());
    return bytes;
  };
  const auto checked = [](Image bytes) {
    setChecksum(bytes);
    return bytes;
  };
  Image normalEdition = image(settled(kHwB));
  normalEdition[kEditionTagOffset] = 1;
  Image farApart = image(settled(kHwA2));
  farApart[0x013] ^= 0x80;  // a bit every HW-A save writes as 1
  const std::vector<std::pair<const char*, Image>> files = {
      {"HW-B", image(settled(kHwB))},
      {"HW-A2", image(settled(kHwA2))},
      {"HW-A3", image(settled(kHwA3))},
      {"built-in B (its rows refused at HW-B)", checked(defaultImageB())},
      {"built-in A", checked(defaultImageA())},
      {"HW-B of the Normal edition", checked(normalEdition)},
      {"HW-A2 with a bit a save rewrites", checked(farApart)},
  };
  const StartupOptions startup = startupOptionsFor(kData, '.');
  struct Fresh {
    DecodeCheck check;
    std::vector<Control> opened;
  };
  // A program of its own for each check, and for each open.
  const auto openIn = [](ScratchProgram& scratch, const Image& bytes, std::uint8_t revision) {
    ProgramState& state = scratch.asStarted(revision);
    state.PagerReadBuffer = bytes;
    state.event([&] { takeReadBuffer(state); });
    std::vector<Control> controls;
    for (const Control* c : state.form.controls())
      controls.push_back(*c);
    return controls;
  };
  std::map<std::pair<std::size_t, std::uint8_t>, Fresh> fresh;
  for (std::size_t f = 0; f < files.size(); ++f) {
    for (const std::uint8_t revision : {kHwA2, kHwA3, kHwB}) {
      ScratchProgram own(startup);
      fresh[{f, revision}] = {checkDecode(files[f].second, revision, startup),
                              openIn(own, files[f].second, revision)};
    }
  }
  const auto clean = [&](std::size_t f, std::uint8_t revision) {
    return fresh[std::make_pair(f, revision)].check.clean();
  };
  EXPECT_FALSE(clean(3, kHwB)) << "the built-in B's rows are refused";
  EXPECT_FALSE(clean(1, kHwB)) << "an HW-A2 file at HW-B";
  EXPECT_FALSE(clean(6, kHwA2)) << "a bit a save rewrites";
  EXPECT_TRUE(clean(0, kHwB));

  std::vector<std::pair<std::size_t, std::uint8_t>> forward;
  for (const auto& [key, unused] : fresh)
    forward.push_back(key);
  std::vector<std::pair<std::size_t, std::uint8_t>> backward(forward.rbegin(), forward.rend());
  std::vector<std::pair<std::size_t, std::uint8_t>> byRevision = forward;
  std::stable_sort(byRevision.begin(), byRevision.end(),
                   [](const auto& a, const auto& b) { return a.second < b.second; });
  for (const auto* order : {&forward, &backward, &byRevision}) {
    ScratchProgram scratch(startup);
    for (const auto& [f, revision] : *order) {
      const std::string what = std::string(files[f].first) + " at " + revisionCaption(revision);
      const DecodeCheck reused = checkDecode(scratch, files[f].second, revision);
      const DecodeCheck& own = fresh[{f, revision}].check;
      EXPECT_EQ(reused.revision, own.revision) << what;
      EXPECT_EQ(reused.converted, own.converted) << what;
      EXPECT_EQ(reused.changed, own.changed) << what;
      EXPECT_EQ(reused.refused, own.refused) << what;
      const std::vector<Control> opened = openIn(scratch, files[f].second, revision);
      const std::vector<Control>& ownOpened = fresh[{f, revision}].opened;
      ASSERT_EQ(opened.size(), ownOpened.size());
      for (std::size_t i = 0; i < opened.size(); ++i) {
        const Control& a = opened[i];
        const Control& b = ownOpened[i];
        EXPECT_TRUE(a.text == b.text && a.index == b.index && a.checked == b.checked &&
                    a.position == b.position && a.items == b.items && a.enabled == b.enabled &&
                    a.visible == b.visible && a.caption == b.caption)
            << what << ": " << a.name;
      }
    }
  }
}

// `set` brings up the program the file is opened in and one scratch program for every check
// and the read-back, whether it saves or refuses.
TEST_F(SetRunTest, ASetBringsUpTwoPrograms) {
  const std::string out = folder / "out.eep";
  const struct {
    const char* name;
    std::string file;
    std::uint8_t revision;
    std::vector<std::string> assignments;
    SetResult result;
  } cases[] = {
      {"saved", settled(kHwB), kHwB, {"address1=2004800", "alerttime=12"}, SetResult::Saved},
      {"saved at HW-A3", settled(kHwA3), kHwA3, {"maxprivate=50"}, SetResult::Saved},
      {"an edit refused", settled(kHwB), kHwB, {"frequency=300"}, SetResult::Refused},
      {"checked at every revision", settled(kHwA2), kHwB, {"maxprivate=50"}, SetResult::Refused},
  };
  for (const auto& c : cases) {
    const std::size_t before = Program::broughtUp();
    const Outcome o = set(c.file, c.revision, c.assignments, out);
    EXPECT_EQ(o.result, c.result) << c.name << "\n" << o.err;
    EXPECT_EQ(Program::broughtUp() - before, 2u) << c.name;
  }
}

}  // namespace
}  // namespace capcode
