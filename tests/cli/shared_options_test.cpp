// The options several programs share come from their one declaration: each program's --help
// lists exactly the shared options it takes, each with the declared value name and help, and
// the programs that simulate hardware explain the faults with the same footer. The ledger's
// options are held to their rows the same way.

#include "options/shared_options.hpp"

#include <gtest/gtest.h>

#include <map>
#include <regex>
#include <set>
#include <sstream>

#include "options/ledger_options.hpp"
#include "support/command_output.hpp"
#include "support/run_capcode.hpp"
#include "support/table_rows.hpp"

namespace capcode {
namespace {

using test::has;

struct Listed {
  std::string valueName;
  std::string help;
};

// Each option a help lists, by name, with its value name (empty for a flag) and its help:
// "  --sim-fault FAULT ...   help", "  --batch NAME Excludes: --no-ledger   help". A value name
// (PATH|SERIAL for one of two) may be followed by the values it accepts (":{.,,}"), and a long
// first column puts the help on the next line.
std::map<std::string, Listed> everyOptionListed(const std::string& help) {
  static const std::regex kLine(
      R"(^\s+(--[a-z][a-z0-9-]*)(?: ([A-Z][A-Z0-9|]*)(?::\{[^}]*\})?(?: \.\.\.)?)?)"
      R"((?: (?:Excludes|Needs):(?: --[a-z][a-z0-9-]*)+)*(?:\s{2,}(.*))?$)");
  std::map<std::string, Listed> listed;
  std::istringstream lines(help);
  for (std::string line; std::getline(lines, line);) {
    std::smatch m;
    if (!std::regex_match(line, m, kLine)) continue;
    std::string text = m[3];
    if (text.empty() && std::getline(lines, text)) text.erase(0, text.find_first_not_of(' '));
    listed[m[1]] = {m[2], text};
  }
  return listed;
}

// The shared options a help lists.
std::map<std::string, Listed> sharedOptionsListed(const std::string& help) {
  std::map<std::string, Listed> listed = everyOptionListed(help);
  std::map<std::string, Listed> shared;
  for (const SharedOptionDeclaration& d : sharedOptionDeclarations()) {
    if (const auto found = listed.find(d.name); found != listed.end()) shared.insert(*found);
  }
  return shared;
}

struct Program {
  const char* name;
  std::vector<std::string> command;  // of capcode; empty for the window
  OptionUsers user;
  bool simulatesHardware;
};

const Program kPrograms[] = {
    {"capcode script", {"script"}, kScriptCommand, true},
    {"capcode read", {"read"}, static_cast<OptionUsers>(kPagerCommands | kReadCommand), true},
    {"capcode write", {"write"}, static_cast<OptionUsers>(kPagerCommands | kWriteCommand), true},
    {"capcode devices", {"devices"}, kPagerCommands, true},
    {"capcode show", {"show"}, kFileCommands, false},
    {"capcode diff", {"diff"}, kFileCommands, false},
    {"capcode set", {"set"}, kFileCommands, false},
    {"capcode-programmer", {}, kWindowProgram, true},
};

#ifdef CAPCODE_WINDOW
// The window run without a display: what it prints and its exit status.
test::CommandRan window(const std::string& args) {
  return test::runCommand(std::string("env -i '") + CAPCODE_WINDOW + "' " + args + " 2>&1");
}
#endif

std::string helpOf(const Program& program) {
  if (program.command.empty()) {
#ifdef CAPCODE_WINDOW
    const test::CommandRan help = window("--help");
    EXPECT_EQ(help.status, 0);
    return help.out;
#else
    return {};
#endif
  }
  std::vector<std::string> args = program.command;
  args.push_back("--help");
  const test::Outcome help = test::capcode(args);
  EXPECT_EQ(help.status, 0) << program.name;
  return help.out;
}

TEST(SharedOptions, EveryProgramsHelpListsItsSharedOptionsAsDeclared) {
  for (const Program& program : kPrograms) {
    const std::string help = helpOf(program);
    if (help.empty() && program.command.empty()) continue;  // built without the window
    ASSERT_FALSE(help.empty()) << program.name;
    std::map<std::string, Listed> expected;
    for (const SharedOptionDeclaration& d : sharedOptionDeclarations()) {
      if ((d.users & program.user) != 0) expected[d.name] = {d.valueName, d.help};
    }
    const std::map<std::string, Listed> listed = sharedOptionsListed(help);
    EXPECT_EQ(listed.size(), expected.size()) << program.name;
    for (const auto& [name, declared] : expected) {
      const auto shown = listed.find(name);
      ASSERT_NE(shown, listed.end()) << program.name << " " << name;
      EXPECT_EQ(shown->second.valueName, declared.valueName) << program.name << " " << name;
      EXPECT_EQ(shown->second.help, declared.help) << program.name << " " << name;
    }
    EXPECT_EQ(has(help, simulatedFaultFooter()), program.simulatesHardware) << program.name;
  }
}

TEST(SharedOptions, EveryProgramListsTheLedgerOptionsItTakesAsDeclared) {
  const struct {
    const char* name;
    std::vector<std::string> command;  // of capcode; empty for the window
    LedgerOptionUser user;
  } ledgerPrograms[] = {
      {"capcode-programmer", {}, LedgerOptionUser::Window},
      {"capcode script", {"script"}, LedgerOptionUser::Script},
      {"capcode write", {"write"}, LedgerOptionUser::Write},
      {"capcode ledger", {"ledger"}, LedgerOptionUser::Reader},
      {"capcode identify", {"identify"}, LedgerOptionUser::Reader},
  };
  for (const auto& program : ledgerPrograms) {
    const std::string help = helpOf({program.name, program.command, OptionUsers{}, false});
    if (help.empty() && program.command.empty()) continue;  // built without the window
    const std::map<std::string, Listed> listed = everyOptionListed(help);
    std::set<std::string> taken;
    for (const LedgerOptionShown& option : ledgerOptionsOf(program.user)) {
      taken.insert(option.name);
      const auto shown = listed.find(option.name);
      ASSERT_NE(shown, listed.end()) << program.name << " " << option.name;
      EXPECT_EQ(shown->second.valueName, option.valueName) << program.name << " " << option.name;
      EXPECT_EQ(shown->second.help, option.help) << program.name << " " << option.name;
    }
    for (const char* name : {"--ledger", "--no-ledger", "--station", "--batch"})
      EXPECT_EQ(listed.count(name), taken.count(name)) << program.name << " " << name;
  }
}

// The window parses before it looks for a display: help and usage errors need none.
TEST(SharedOptions, TheWindowAnswersItsCommandLineWithoutADisplay) {
#ifndef CAPCODE_WINDOW
  GTEST_SKIP() << "built without the window";
#else
  const test::TextNumberAndText cases[] = {
      {"--help", 0, "Usage: capcode-programmer"},
      {"--sim-usb pager.eep --sim-fault flip:x", 2, "--sim-fault"},
      {"--sim-usb", 2, "--sim-usb"},
      {"one.eep two.eep", 2, "two.eep"},
      {"--no-ledger --ledger ledger.sqlite3", 2, "--no-ledger and --ledger exclude each other"},
  };
  for (const auto& [args, status, says] : cases) {
    const test::CommandRan ran = window(args);
    EXPECT_EQ(ran.status, status) << args << ": " << ran.out;
    EXPECT_TRUE(has(ran.out, says)) << args << ": " << ran.out;
  }
#endif
}

}  // namespace
}  // namespace capcode
