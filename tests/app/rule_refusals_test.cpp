// The rules' refusals as values: which control (and address row), why, and the line the
// person was shown, for a caller that clears them before an event and reads them after it.

#include <functional>

#include "app/window_program.hpp"
#include "rules/address_rules.hpp"
#include "support/temp_folder.hpp"
#include "support/window_fixture.hpp"
#include "variants/language_library.hpp"

namespace capcode {
namespace {

using testing::Lines;

const char* const kRangeLine =
    "] range out, should be within 8-2007663; 2007672-2045055; 2045064-2097143";
const char* const kDuplicateLine = "Same capcode address not allowed ";

std::string rangeLine(int row) {
  return "Address [" + std::to_string(row) + kRangeLine;
}

struct RefusalCase {
  const char* name;
  std::uint8_t revision;
  std::vector<std::pair<const char*, const char*>> rows;  // texts set before the event
  const char* steps;  // auto-increment steps from row 1 on ("8000", '-' none), "" to keep them
  const char* event;  // a control left, or "advance" for advanceAddresses
  RuleRefusalReason reason;
  const char* control;
  int row;
  std::string message;
  const char* lastControl;  // where the last refusal of the event put the focus
};

using enum RuleRefusalReason;

// clang-format off
const RefusalCase kCases[] = {
    {"RangeOnLeavingAShortCapcode", kHwB, {{"address3", "5"}}, "", "address3",
     CapcodeOutOfRange, "address3", 3, rangeLine(3), "address3"},
    {"FrameOfALedRow", kHwA2, {{"address5", "2004033"}}, "", "address5",
     FrameMismatch, "address5", 5, "Address [5] frame must same as Address [3]", "address5"},
    {"DuplicateAmongEightRows", kHwB, {{"address7", "2004000"}}, "", "address1",
     DuplicateCapcode, "address1", 1, kDuplicateLine, "address1"},
    // The step's list left with nothing picked.
    {"MissingStep", kHwB, {}, "0-", "autoinc2", StepMissing, "autoinc2", 2, "", "autoinc2"},
    // Row 1 steps onto row 2's capcode: every enabled row's exit rule then refuses, row 1's
    // first.
    {"AdvanceOntoTheNextRow", kHwB, {}, "8000", "advance",
     DuplicateCapcode, "address1", 1, kDuplicateLine, "address4"},
    // Under HW-A row 1 drags row 2 along, and row 2's exit rule refuses before row 1's.
    {"AdvanceDragsALedRowIntoADuplicate", kHwA2, {}, "8000", "advance",
     DuplicateCapcode, "address2", 2, kDuplicateLine, "address4"},
    // Row 3 steps past the last legal capcode: its change rule reports the range.
    {"AdvancePastTheLastCapcode", kHwB, {{"address3", "2097143"}, {"address4", "2097135"}},
     "0080", "advance", CapcodeOutOfRange, "address3", 3, rangeLine(3), "address3"},
};
// clang-format on

class RuleRefusals : public testing::WindowTest,
                     public ::testing::WithParamInterface<RefusalCase> {};

TEST_P(RuleRefusals, TheRuleSaysWhichRowAndWhy) {
  const RefusalCase& c = GetParam();
  state.HardwareRevision = c.revision;
  for (const auto& [control, text] : c.rows)
    set(control, text);
  for (int row = 1; c.steps[row - 1] != '\0'; ++row) {
    const char step = c.steps[row - 1];
    form.setIndex(rowControlName("autoinc", row), step == '-' ? -1 : step - '0');
  }
  events();
  state.clearRuleRefusals();
  if (std::string(c.event) == "advance") {
    run("advanceAddresses");
  } else {
    leave(c.event);
  }
  const auto& refusals = state.ruleRefusals();
  ASSERT_TRUE(refusals.first.has_value());
  EXPECT_EQ(refusals.first->reason, c.reason);
  EXPECT_EQ(refusals.first->control, c.control);
  EXPECT_EQ(refusals.first->row, c.row);
  EXPECT_EQ(refusals.first->message, c.message);
  ASSERT_TRUE(refusals.last.has_value());
  EXPECT_EQ(refusals.last->control, c.lastControl);
  // The value agrees with what the person was shown: the line and the focus.
  const Lines shown = events();
  if (!c.message.empty()) {
    EXPECT_NE(std::find(shown.begin(), shown.end(), "log: " + c.message), shown.end());
  }
  EXPECT_NE(std::find(shown.begin(), shown.end(), std::string("focus: ") + c.control), shown.end());
}

INSTANTIATE_TEST_SUITE_P(AddressRows, RuleRefusals, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

class RuleRefusalRecord : public testing::WindowTest {};

TEST_F(RuleRefusalRecord, ClearedBeforeAnEventItHoldsOnlyThatEventsRefusals) {
  state.HardwareRevision = kHwB;
  set("address7", "2004000");
  leave("address1");
  ASSERT_EQ(state.ruleRefusals().count, 1u);
  set("address7", "2004048");
  state.clearRuleRefusals();
  leave("address1");
  EXPECT_EQ(state.ruleRefusals().count, 0u);
  EXPECT_FALSE(state.ruleRefusals().first.has_value());
  EXPECT_FALSE(state.ruleRefusals().last.has_value());
}

TEST_F(RuleRefusalRecord, AnErrorIsNoRefusal) {
  // An empty row stops the duplicate check with the general error notice, not a rule's refusal.
  set("address8", "");
  state.clearRuleRefusals();
  leave("address1");
  EXPECT_EQ(events(), Lines{"error: '' is not a valid integer value"});
  EXPECT_EQ(state.ruleRefusals().count, 0u);
}

// Every other rule that refuses or changes what a person typed, picked or opened: the refusal
// recorded, and what the person was shown exactly as the window always showed it.
class EveryRuleRefusal : public testing::WindowTest {
 public:
  // The person's hands, for the cases' acts.
  using WindowTest::check;
  using WindowTest::click;
  using WindowTest::events;
  using WindowTest::feedback;
  using WindowTest::index;
  using WindowTest::key;
  using WindowTest::leave;
  using WindowTest::pick;
  using WindowTest::set;
  using WindowTest::state;

  void openFile(const std::string& path) {
    feedback.answer = path;
    click("Open1");
  }

  test::TempFolder folder;
};

struct EveryRuleCase {
  const char* name;
  std::function<void(EveryRuleRefusal&)> act;  // after a cleared record and transcript
  RuleRefusalReason reason;
  const char* control;
  int row;
  const char* message;
  Lines shown;  // the transcript of the act; "@" stands for the test's folder
};

const char* const kDigits = "Number 0-9 and backspace only";
const char* const kHex = "Number 0-9,A-F and backspace only";
const char* const kZero = "Length should large than ZERO";
const char* const kTrimmed = "Out of total length 1024, trim down the length automatic";
const char* const kEdition = "Not yet support in this version!!!";

// clang-format off
const EveryRuleCase kEveryRule[] = {
    {"DigitKeyInACapcode", [](auto& t) { t.key("address3", 'x'); },
     DigitKey, "address3", 3, kDigits, {std::string("log: ") + kDigits, "beep"}},
    {"DigitKeyInTheReserve", [](auto& t) { t.key("maxprivate", '.'); },
     DigitKey, "maxprivate", 0, kDigits, {std::string("log: ") + kDigits, "beep"}},
    {"HexDigitKeyInATonePattern", [](auto& t) { t.key("tonepatternB", 'a'); },
     HexDigitKey, "tonepatternB", 0, kHex, {std::string("log: ") + kHex, "beep"}},
    {"StepKey", [](auto& t) { t.key("autoinc4", '9'); }, StepKey, "autoinc4", 4, "", {"beep"}},
    {"FolderLengthKey", [](auto& t) { t.key("pubboxlengthC", '-'); },
     FolderLengthKey, "pubboxlengthC", 0, "", {"beep"}},
    {"FolderLengthZero", [](auto& t) { t.set("pubboxlength9", "00"); t.leave("pubboxlength9"); },
     FolderLengthZero, "pubboxlength9", 0, kZero,
     {std::string("log: ") + kZero, "beep", "focus: pubboxlength9"}},
    // 23 folders of 41 and one of 40 with 60 reserved: the last gives up 16.
    {"FolderLengthTrimmed", [](auto& t) {
       for (int k = 0; k < kFolders; ++k) {
         t.check(folderControlName("pubboxact", k), true);
         t.set(folderControlName("pubboxlength", k), k == kFolders - 1 ? "40" : "41");
       }
       t.set("maxprivate", "60");
       t.events();
       t.leave("pubboxlengthN");
     },
     FolderLengthTrimmed, "pubboxlengthN", 0, kTrimmed, {std::string("log: ") + kTrimmed, "beep"}},
    {"FrequencyKey", [](auto& t) { t.key("frequency", ','); },
     FrequencyKey, "frequency", 0, "", {"beep"}},
    {"FrequencyOutOfRange", [](auto& t) { t.set("frequency", "300"); t.leave("frequency"); },
     FrequencyOutOfRange, "frequency", 0, "Frequency out of range!",
     {"beep", "log: Frequency out of range!"}},
    {"ReferenceEmptied", [](auto& t) { t.set("f_ref", ""); },
     ReferenceEmpty, "f_ref", 0, "", {"focus: f_ref"}},
    {"EditionUnsupported", [](auto& t) { t.pick("customer", 2); },
     EditionUnsupported, "customer", 0, kEdition, {"beep", std::string("message: ") + kEdition}},
    {"LanguageFileMissing", [](auto& t) {
       t.state.LanguageLibraryPath = "NoSuchStr.lib";
       t.state.event([&] { loadLanguageLibrary(t.state, {t.folder.path()}); });
     },
     LanguageFileMissing, "language", 0, "Language file error",
     {"log: Language file error", "beep"}},
    {"FileMissing", [](auto& t) { t.openFile(t.folder / "missing.eep"); },
     FileNotOpened, "Open1", 0, "Load file error",
     {"log: Load data from @/missing.eep", "log: Load file error", "beep"}},
    {"SaveOverAFolder", [](auto& t) { t.feedback.answer = t.folder.path(); t.click("Save1"); },
     FileNotSaved, "Save1", 0, "write error!",
     {"log: Save data to @", "log: write error!", "beep"}},
};
// clang-format on

class EveryRule : public EveryRuleRefusal, public ::testing::WithParamInterface<EveryRuleCase> {};

TEST_P(EveryRule, TheRefusalIsRecordedBesideWhatThePersonIsShown) {
  const EveryRuleCase& c = GetParam();
  state.clearRuleRefusals();
  events();
  c.act(*this);
  const auto& refusals = state.ruleRefusals();
  ASSERT_EQ(refusals.count, 1u);
  EXPECT_EQ(refusals.first->reason, c.reason);
  EXPECT_EQ(refusals.first->control, c.control);
  EXPECT_EQ(refusals.first->row, c.row);
  EXPECT_EQ(refusals.first->message, c.message);
  Lines shown = c.shown;
  for (std::string& line : shown) {
    if (const std::size_t at = line.find('@'); at != std::string::npos)
      line.replace(at, 1, folder.path());
  }
  EXPECT_EQ(events(), shown);
}

INSTANTIATE_TEST_SUITE_P(Rules, EveryRule, ::testing::ValuesIn(kEveryRule),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace capcode
