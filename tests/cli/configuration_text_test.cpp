// capcode show, diff and set, in-process: a configuration as text, compared, and edited as a
// person edits it in the window.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>

#include "app/program.hpp"
#include "cli/commands.hpp"
#include "core/json.hpp"
#include "support/configurations.hpp"
#include "support/run_capcode.hpp"
#include "support/temp_folder.hpp"

namespace capcode {
namespace {

using test::fileBytes;

using test::capcode;
using test::has;
using test::Outcome;

class ConfigurationText : public test::Configurations {
 protected:
  void SetUp() override {
    ASSERT_EQ(capcode({"script", "--data-dir", kData}, "save " + config + "\n").status, 0);
  }
  // A copy of the start-up configuration with `edits` made through the automation.
  std::string edited(const std::string& name, const std::string& edits,
                     const std::string& from = {}) {
    const std::string path = folder / name;
    const Outcome o =
        capcode({"script", "--data-dir", kData},
                "open " + (from.empty() ? config : from) + "\n" + edits + "save " + path + "\n");
    EXPECT_EQ(o.status, 0) << o.err;
    return path;
  }
  const std::string config = folder / "config.eep";
};

TEST_F(ConfigurationText, ShowPrintsTheStartUpConfigurationAsTheGoldenText) {
  const Outcome o = run({"show", config});
  ASSERT_EQ(o.status, 0) << o.err;
  std::ifstream golden(CAPCODE_SOURCE_TESTS_DIR "/cli/golden/show_startup.txt");
  const std::string expected{std::istreambuf_iterator<char>(golden),
                             std::istreambuf_iterator<char>()};
  EXPECT_EQ(o.out, expected);
  EXPECT_TRUE(has(o.err, "File loaded")) << "the open's log goes to standard error";
  // Every control of the two main pages with its label.
  for (const char* line :
       {"Alert time (alerttime): 4 Sec", "Channel freq (frequency): 163.00000 MHz",
        "    [1] on  2004000  0", "Quiet sound (quietsound): off"}) {
    EXPECT_TRUE(has(o.out, line)) << line;
  }
}

TEST_F(ConfigurationText, ShowReadsStandardInputAndRefusesABrokenFileUnlessForced) {
  const std::vector<std::uint8_t> bytes = fileBytes(config);
  const Outcome piped = run({"show", "-"}, std::string(bytes.begin(), bytes.end()));
  EXPECT_EQ(piped.status, 0) << piped.err;
  EXPECT_EQ(piped.out, run({"show", config}).out);

  std::vector<std::uint8_t> broken = bytes;
  broken[0x100] ^= 1;
  const std::string path = folder / "broken.eep";
  test::writeBytes(path, broken);
  const Outcome refused = run({"show", path});
  EXPECT_EQ(refused.status, 1);
  EXPECT_TRUE(refused.out.empty());
  EXPECT_TRUE(has(refused.err, "File checksum error"));
  const Outcome forced = run({"show", path, "--force"});
  EXPECT_EQ(forced.status, 1);
  EXPECT_TRUE(has(forced.out, "Address / Folder"));
  EXPECT_TRUE(has(forced.err, "File checksum error (shown anyway: --force)"));
}

TEST_F(ConfigurationText, UnreadableFilesAndFailedSavesSayWhatHappened) {
  // A file that could not be read has nothing to show, even with --force.
  const Outcome missing = run({"show", folder / "missing.eep", "--force"});
  EXPECT_EQ(missing.status, 1);
  EXPECT_TRUE(missing.out.empty());
  EXPECT_TRUE(has(missing.err, "missing.eep: No such file or directory\n")) << missing.err;
  // A save over a folder is refused with the system's reason; the folder stays.
  const std::string target = folder / "sub";
  std::filesystem::create_directory(target);
  const Outcome unsaved = run({"set", config, "address1=2004800", "-o", target});
  EXPECT_EQ(unsaved.status, 1);
  EXPECT_TRUE(has(unsaved.err, "cannot save " + target + ": not a regular file\n")) << unsaved.err;
  EXPECT_TRUE(std::filesystem::is_directory(target));
}

TEST_F(ConfigurationText, ShowUnderAnotherRevisionDecodesItsLayout) {
  const std::string hwA2 = edited("a2.eep", "click switch_model\n");
  const Outcome b = run({"show", config, "--json"});
  const Outcome a2 = run({"show", hwA2, "--json", "--revision", "A2"});
  ASSERT_EQ(a2.status, 0) << a2.err;
  EXPECT_NE(a2.out, b.out);
  EXPECT_TRUE(has(a2.out, "\"address7\": {\"label\":\"PN\",\"kind\":\"text\",\"value\":"));
  EXPECT_TRUE(has(a2.out, "\"visible\":false,\"reachable\":false}"))
      << "rows 7 and 8 are hidden under HW-A";
}

// The JSON's values, as NAME=VALUE for every control a person can reach.
std::vector<std::string> assignmentsFromJson(const std::string& json) {
  static const std::regex kLine(
      R"re(^  "([^"]+)": \{"label":(?:"(?:[^"\\]|\\.)*"),"kind":"(\w+)","value":(.*?)(?:,"item".*?)?(?:,"unit":"[^"]*")?,"enabled":(?:true|false),"visible":(?:true|false),"reachable":(true|false)\},?$)re");
  std::vector<std::string> assignments;
  std::istringstream lines(json);
  for (std::string line; std::getline(lines, line);) {
    std::smatch m;
    if (!std::regex_match(line, m, kLine)) continue;
    if (m[4] != "true") continue;
    const std::string kind = m[2];
    std::string value = m[3];
    if (kind == "text" || kind == "check") value = parseJsonString(value).value_or("?");
    if (kind == "list" && value == "-1") continue;
    assignments.push_back(m[1].str() + "=" + value);
  }
  return assignments;
}

TEST_F(ConfigurationText, ShowJsonRoundTripsThroughSet) {
  // A configuration as the window keeps it once opened: the start-up's own synthesizer step
  // (worked out before the edition chose the synthesizer) is settled by the first open.
  const std::string settled = edited("settled.eep", "");
  const Outcome shown = run({"show", settled, "--json"});
  ASSERT_EQ(shown.status, 0) << shown.err;
  const std::vector<std::string> assignments = assignmentsFromJson(shown.out);
  ASSERT_GT(assignments.size(), 150u);
  std::vector<std::string> args{"set", settled, "-o", folder / "again.eep"};
  args.insert(args.end(), assignments.begin(), assignments.end());
  const Outcome set = run(args);
  ASSERT_EQ(set.status, 0) << set.err;
  EXPECT_EQ(fileBytes(folder / "again.eep"), fileBytes(settled));
}

TEST_F(ConfigurationText, DiffListsExactlyTheControlsThatDiffer) {
  const std::string changed = edited("changed.eep",
                                     "set address3 \"\"\ntype address3 2004800\nleave address3\n"
                                     "set hellomsg2 HELLO\nleave hellomsg2\nclick quietsound\n");
  const Outcome o = run({"diff", config, changed});
  EXPECT_EQ(o.status, 1) << o.err;
  EXPECT_EQ(o.out,
            "PN (address3): \"2004016\" -> \"2004800\"\n"
            "Quiet sound (quietsound): off -> on\n"
            "hellomsg2 (hellomsg2): \"123456789           \" -> \"HELLO               \"\n");
  EXPECT_EQ(run({"diff", config, config}).status, 0);
  EXPECT_EQ(run({"diff", config, config}).out, "");
  EXPECT_EQ(run({"diff", config, folder / "missing.eep"}).status, 2);
}

TEST_F(ConfigurationText, DiffNamesTheBytesNoControlCarries) {
  std::vector<std::uint8_t> bytes = fileBytes(config);
  bytes[0x1E2] ^= 0xFF;  // the character table
  bytes[0x500] ^= 0xFF;  // the prompt block
  bytes[0x501] ^= 0x0F;
  unsigned sum = 0;
  for (std::size_t i = 0; i < 0x7FF; ++i)
    sum += bytes[i];
  bytes[0x7FF] = static_cast<std::uint8_t>(0xFF - sum % 256);
  const std::string other = folder / "other.eep";
  test::writeBytes(other, bytes);
  const Outcome o = run({"diff", config, other});
  EXPECT_EQ(o.status, 1) << o.err;
  EXPECT_EQ(o.out,
            "bytes 0x1E2 (character table) differ\n"
            "bytes 0x500-0x501 (prompt block) differ\n");
  const Outcome json = run({"diff", config, other, "--json"});
  EXPECT_TRUE(has(json.out, "{\"from\":\"0x500\",\"to\":\"0x501\",\"region\":\"prompt block\"}"));
}

// Both files are opened in a program each and checked in one scratch program they share.
TEST_F(ConfigurationText, DiffBringsUpThreeProgramsAtMost) {
  const std::string changed = edited("changed.eep", "click quietsound\n");
  const struct {
    const char* name;
    std::vector<std::string> args;
    int status;
    std::size_t programs;
  } cases[] = {
      {"equal", {"diff", config, config}, 0, 3},
      {"differing", {"diff", config, changed, "--json"}, 1, 3},
      {"checked at every revision", {"diff", settled(kHwA2), config}, 2, 3},
      {"shown anyway", {"diff", settled(kHwA2), config, "--force"}, 1, 3},
      {"not opened", {"diff", config, folder / "missing.eep"}, 2, 0},
  };
  for (const auto& c : cases) {
    const std::size_t before = Program::broughtUp();
    const Outcome o = run(c.args);
    EXPECT_EQ(o.status, c.status) << c.name << "\n" << o.err;
    EXPECT_EQ(Program::broughtUp() - before, c.programs) << c.name;
  }
}

TEST_F(ConfigurationText, SetEditsAsThePersonWouldAndSavesOnlyWhenAllIsAccepted) {
  const std::string out = folder / "out.eep";
  const Outcome o = run({"set", config, "address1=2004800", "pubboxlength5=20", "-o", out});
  ASSERT_EQ(o.status, 0) << o.err;
  const Outcome shown = run({"show", out, "--json"});
  EXPECT_TRUE(
      has(shown.out, "\"address1\": {\"label\":\"PN\",\"kind\":\"text\",\"value\":\"2004800\""));
  EXPECT_TRUE(
      has(shown.out, "\"pubboxlength5\": {\"label\":\"\",\"kind\":\"text\",\"value\":\"20\""));

  // The same edit made through the automation gives the same file, once the file is the
  // window's own (opened and saved once: nothing left that an open rewrites).
  const std::string settled = edited("settled.eep", "");
  const std::string scripted =
      edited("scripted.eep", "set address1 \"\"\ntype address1 2004800\nleave address1\n", settled);
  const Outcome one = run({"set", settled, "address1=2004800", "-o", folder / "one.eep"});
  ASSERT_EQ(one.status, 0);
  EXPECT_EQ(fileBytes(folder / "one.eep"), fileBytes(scripted));

  const auto before = fileBytes(config);
  const struct {
    std::vector<std::string> assignments;
    int status;
    const char* says;
  } refusals[] = {
      {{"address1=2097150"}, 1, "address1=2097150 was refused"},
      {{"alerttime=12", "address2=2004000"}, 1, "address2=2004000 was refused"},
      {{"frequency=300"}, 1, "frequency=300 was refused"},
      {{"maxprivate=6a"}, 1, "maxprivate=6a was refused"},
      {{"pubboxlength5=0"}, 1, "pubboxlength5=0 was refused"},
      {{"contrast=30"}, 1, "contrast is disabled in the window"},
      {{"zoom=Out"}, 1, "zoom is hidden in the window"},
      {{"nosuch=1"}, 2, "no control named nosuch"},
      {{"language=Klingon"}, 1, "language has no item Klingon"},
      {{"quietsound=yes"}, 1, "give on or off"},
      {{"address1"}, 2, "give NAME=VALUE"},
  };
  for (const auto& r : refusals) {
    std::vector<std::string> args{"set", config};
    args.insert(args.end(), r.assignments.begin(), r.assignments.end());
    const Outcome refused = run(args);
    EXPECT_EQ(refused.status, r.status) << r.says;
    EXPECT_TRUE(has(refused.err, r.says)) << refused.err;
    EXPECT_EQ(fileBytes(config), before) << "nothing saved: " << r.says;
  }
  // A list by item text or by index.
  EXPECT_EQ(run({"set", config, "language=French", "baudrate=2", "-o", out}).status, 0);
  EXPECT_TRUE(has(run({"show", out}).out, "Language (language): French"));
  EXPECT_TRUE(has(run({"show", out}).out, "Baud rate (baudrate): 2400 bps"));
}

}  // namespace
}  // namespace capcode
