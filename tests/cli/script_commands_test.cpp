// The commands of a command file come from one table: the runner accepts its commands and no
// other, each complains in its own words when its arguments do not fit, and the help and the
// README list the same commands.

#include "cli/script_commands.hpp"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <map>
#include <regex>
#include <set>
#include <sstream>

#include "support/run_capcode.hpp"

namespace capcode {
namespace {

using test::has;

// A line that does not fit each command's arguments, and the complaint it gets.
const std::map<std::string, std::string> kMisfits = {
    {"type", "type needs a control name"},
    {"key", "key needs a control name"},
    {"set", "set needs a control name"},
    {"leave address1 x", "leave takes only a name"},
    {"leave", "leave needs a control name"},
    {"click addr1en on", "click takes only a name"},
    {"pick", "pick needs a control name"},
    {"run", "run takes one handler name"},
    {"run decodeImage now", "run takes one handler name"},
    {"get", "get takes one name"},
    {"get address1 address2", "get takes one name"},
    {"image", "image needs an offset"},
    {"image load", "image load needs a path"},
    {"image load ", "image load needs a path"},
    {"image save", "image save needs a path"},
    {"checksum now", "checksum takes no argument"},
    {"open", "open takes a path or cancel"},
    {"save a.eep b.eep", "save takes a path or cancel"},
    {"read x", "read takes no argument"},
    {"write x", "write takes no argument"},
    {"answer", "answer takes a path or cancel"},
    {"answer a.eep b.eep", "answer takes a path or cancel"},
    {"answer button", "answer button needs a caption"},
    {"unplug x", "unplug takes no argument"},
    {"plug x", "plug takes no argument"},
    {"frobnicate", "unknown command: frobnicate"},
    {"Type address1 x", "unknown command: Type"},
    {" type address1 x", "unknown command: "},
};

TEST(ScriptCommands, ALineThatDoesNotFitGetsItsCommandsComplaint) {
  for (const auto& [line, complaint] : kMisfits) {
    const test::Outcome o = test::capcode({"script", "--bare"}, "get address1\n" + line + "\n");
    EXPECT_EQ(o.status, 2) << line;
    EXPECT_EQ(o.err, "capcode script: line 2: " + complaint + "\n") << line;
  }
}

TEST(ScriptCommands, EveryCommandInTheTableHasItsComplaintAbove) {
  for (const ScriptCommand& command : scriptCommands()) {
    bool covered = false;
    for (const auto& misfit : kMisfits)
      covered = covered || findScriptCommand(splitCommandLine(misfit.first)) == &command;
    EXPECT_TRUE(covered) << scriptCommandSynopsis(command);
  }
}

// The words a person may start a line with, whatever the table says.
TEST(ScriptCommands, TheTableHoldsEveryCommandWordAndNoOther) {
  const std::set<std::string> words = {"type", "key",   "set",    "leave",    "click", "pick",
                                       "run",  "get",   "image",  "checksum", "open",  "save",
                                       "read", "write", "answer", "plug",     "unplug"};
  std::set<std::string> declared;
  for (const ScriptCommand& command : scriptCommands())
    declared.insert(std::string(command.word));
  EXPECT_EQ(declared, words);
}

TEST(ScriptCommands, KeywordsChooseTheirOwnCommand) {
  const struct {
    const char* line;
    const char* synopsis;
  } cases[] = {
      {"image 0x10 4", "image OFFSET [COUNT]"},  {"image load a.eep", "image load PATH"},
      {"image save a.eep", "image save PATH"},   {"answer button Cancel", "answer button TEXT"},
      {"answer cancel", "answer PATH | cancel"}, {"answer button", "answer button TEXT"},
  };
  for (const auto& c : cases) {
    const ScriptCommand* command = findScriptCommand(splitCommandLine(c.line));
    ASSERT_NE(command, nullptr) << c.line;
    EXPECT_EQ(scriptCommandSynopsis(*command), c.synopsis) << c.line;
  }
}

// The lines of `capcode script --help` from "Commands" up to the first blank line.
std::vector<std::string> helpCommandLines() {
  const test::Outcome help = test::capcode({"script", "--help"});
  EXPECT_EQ(help.status, 0);
  std::istringstream lines(help.out.substr(help.out.find("\nCommands (") + 1));
  std::vector<std::string> listed;
  std::string line;
  std::getline(lines, line);
  while (std::getline(lines, line) && !line.empty())
    listed.push_back(line);
  return listed;
}

TEST(ScriptCommands, TheHelpListsEveryCommandWithItsHelpLine) {
  const std::vector<std::string> listed = helpCommandLines();
  const auto commands = scriptCommands();
  ASSERT_EQ(listed.size(), commands.size());
  for (std::size_t i = 0; i < listed.size(); ++i) {
    const std::regex form(
        "  " +
        std::regex_replace(scriptCommandSynopsis(commands[i]), std::regex(R"([\[\]|])"), R"(\$&)") +
        " {2,}(.*)");
    std::smatch m;
    ASSERT_TRUE(std::regex_match(listed[i], m, form)) << listed[i];
    EXPECT_EQ(m[1], std::string(commands[i].help));
    EXPECT_EQ(listed[i].find(commands[i].help), listed[0].find(commands[0].help)) << listed[i];
  }
  EXPECT_EQ(listed[0],
            "  type NAME TEXT        the person types TEXT into a field, one keystroke per "
            "character");
}

TEST(ScriptCommands, TheReadmeListsTheTablesCommands) {
  std::ifstream in(std::string(CAPCODE_SOURCE_DATA_DIR) + "/../README.md");
  const std::string readme{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  const std::size_t at = readme.find("`capcode script [FILE]`");
  ASSERT_NE(at, std::string::npos);
  const std::size_t open = readme.find('(', at);
  const std::string list = readme.substr(open, readme.find(')', open) - open);
  std::set<std::string> listed;
  static const std::regex kWord("`([a-z]+)`");
  for (std::sregex_iterator m(list.begin(), list.end(), kWord), end; m != end; ++m)
    listed.insert((*m)[1]);
  std::set<std::string> declared;
  for (const ScriptCommand& command : scriptCommands())
    declared.insert(std::string(command.word));
  EXPECT_EQ(listed, declared);
}

}  // namespace
}  // namespace capcode
