// One declaration, three readers: every command and long option that `capcode COMMAND --help`
// declares appears in the manual page (in that command's synopsis, or among the hardware
// options the synopsis refers to) and is offered by the bash completion; the chips that
// --recover takes are the Recover menu's in all of them.

#include <gtest/gtest.h>

#include <fstream>
#include <regex>
#include <set>
#include <sstream>

#include "core/recovery_chips.hpp"
#include "support/command_output.hpp"
#include "support/run_capcode.hpp"
#include "support/temp_folder.hpp"

namespace capcode {
namespace {

using test::has;

const std::vector<std::vector<std::string>> kCommands = {
    {},           {"script"}, {"read"}, {"write"}, {"ledger"}, {"ledger", "resolve"},
    {"identify"}, {"show"},   {"diff"}, {"set"},   {"devices"}};

std::string sourceFile(const std::string& path) {
  std::ifstream in(std::string(CAPCODE_SOURCE_DATA_DIR) + "/" + path);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

struct Declared {
  std::set<std::string> options;  // long options
  std::set<std::string> subcommands;
};

Declared declared(const std::vector<std::string>& command) {
  std::vector<std::string> args = command;
  args.push_back("--help");
  const test::Outcome help = test::capcode(args);
  EXPECT_EQ(help.status, 0);
  Declared d;
  static const std::regex kOption(R"(^\s+(?:-\w,)?(--[a-z][a-z0-9-]*))");
  static const std::regex kSubcommand(R"(^\s+([a-z][a-z-]*)\s{2,})");
  std::istringstream lines(help.out);
  bool inSubcommands = false;
  for (std::string line; std::getline(lines, line);) {
    if (!line.empty() && line[0] != ' ') inSubcommands = line.rfind("Subcommands:", 0) == 0;
    std::smatch m;
    if (std::regex_search(line, m, kOption)) d.options.insert(m[1]);
    if (inSubcommands && std::regex_search(line, m, kSubcommand)) d.subcommands.insert(m[1]);
  }
  return d;
}

// The synopsis lines of the manual page for `command`: from ".B capcode NAME" up to ".br",
// every block of that command (a subcommand's block is the one that names it).
std::string synopsisOf(const std::string& page, const std::vector<std::string>& command) {
  const std::string start = command.empty() ? ".B capcode\n" : ".B capcode " + command[0] + "\n";
  std::string blocks;
  for (std::size_t at = page.find(start); at != std::string::npos; at = page.find(start, at + 1)) {
    const std::size_t end = page.find("\n.br\n", at);
    const std::string block = page.substr(at, end - at);
    if (command.size() > 1 && !has(block, ".B " + command[1] + "\n")) continue;
    blocks += block + "\n";
  }
  return blocks;
}

std::string manSpelling(const std::string& option) {
  return std::regex_replace(option, std::regex("-"), "\\-");
}

// What the completion offers after `words` (the last one is being completed).
std::set<std::string> completed(const std::vector<std::string>& words) {
  test::TempFolder folder;
  const std::string script = folder / "complete.sh";
  std::ofstream out(script);
  // The two helpers of bash-completion the script uses, as small stand-ins.
  out << "_init_completion() { words=(\"${COMP_WORDS[@]}\"); cword=$COMP_CWORD;"
         " cur=${words[cword]}; prev=${words[cword-1]}; }\n"
         "_filedir() { :; }\ncomplete() { :; }\n"
         "source '"
      << CAPCODE_SOURCE_DATA_DIR << "/completion/capcode.bash'\nCOMP_WORDS=(";
  for (const std::string& w : words)
    out << "'" << w << "' ";
  out << ")\nCOMP_CWORD=" << words.size() - 1 << "\n_capcode\nprintf '%s\\n' \"${COMPREPLY[@]}\"\n";
  out.close();
  std::set<std::string> offered;
  std::istringstream lines(test::runCommand("bash " + script).out);
  for (std::string word; std::getline(lines, word);) {
    while (!word.empty() && word.back() == ' ')
      word.pop_back();
    if (!word.empty()) offered.insert(word);
  }
  return offered;
}

TEST(Declarations, EveryCommandAndLongOptionIsInTheManualPage) {
  const std::string page = sourceFile("man/capcode.1");
  const std::string hardware = page.substr(page.find(".SH HARDWARE OPTIONS"));
  for (const auto& command : kCommands) {
    const std::string name = command.empty() ? "capcode" : command.back();
    const std::string synopsis = synopsisOf(page, command);
    ASSERT_FALSE(synopsis.empty()) << "no synopsis for " << name;
    const Declared d = declared(command);
    for (const std::string& option : d.options) {
      if (option == "--help" && !command.empty()) continue;  // every command's, shown once
      const bool inSynopsis = has(synopsis, manSpelling(option));
      const bool asHardware = has(synopsis, "HARDWARE") && has(hardware, manSpelling(option));
      EXPECT_TRUE(inSynopsis || asHardware) << name << " " << option;
    }
    for (const std::string& sub : d.subcommands) {
      std::vector<std::string> path = command;
      path.push_back(sub);
      EXPECT_FALSE(synopsisOf(page, path).empty()) << "capcode " << name << " " << sub;
    }
  }
}

#ifdef CAPCODE_WINDOW
// The window's manual page lists every long option of `capcode-programmer --help`, in its
// synopsis and among its options.
TEST(Declarations, EveryWindowOptionIsInItsManualPage) {
  const std::string page = sourceFile("man/capcode-programmer.1");
  const std::size_t options = page.find(".SH OPTIONS");
  ASSERT_NE(options, std::string::npos);
  const std::string synopsis = page.substr(0, page.find(".SH DESCRIPTION"));
  const std::string described = page.substr(options, page.find(".SH EXIT STATUS") - options);
  const test::CommandRan help =
      test::runCommand(std::string("'") + CAPCODE_WINDOW + "' --help 2>&1");
  static const std::regex kOption(R"(^\s+(?:-\w,)?(--[a-z][a-z0-9-]*))");
  std::istringstream lines(help.out);
  int seen = 0;
  for (std::string line; std::getline(lines, line);) {
    std::smatch m;
    if (!std::regex_search(line, m, kOption)) continue;
    ++seen;
    const std::string option = m[1];
    const bool always = option == "--help" || option == "--version";
    EXPECT_TRUE(always || has(synopsis, manSpelling(option))) << option << " in the synopsis";
    EXPECT_TRUE(has(described, manSpelling(option))) << option << " among the options";
  }
  EXPECT_GE(seen, 12) << help.out;
}
#endif

TEST(Declarations, EveryCommandAndLongOptionIsOfferedByTheCompletion) {
  for (const auto& command : kCommands) {
    std::vector<std::string> words{"capcode"};
    words.insert(words.end(), command.begin(), command.end());
    const Declared d = declared(command);
    words.push_back("--");
    const std::set<std::string> options = completed(words);
    for (const std::string& option : d.options)
      EXPECT_TRUE(options.count(option)) << "capcode " << words[words.size() - 2] << " " << option;
    words.back() = "";
    const std::set<std::string> commands = completed(words);
    for (const std::string& sub : d.subcommands)
      EXPECT_TRUE(commands.count(sub)) << words[words.size() - 2] << " " << sub;
  }
}

// The chip names in a text: two capitals and four digits.
std::set<std::string> chipsNamedIn(const std::string& text) {
  static const std::regex kChip(R"(\b[A-Z]{2}[0-9]{4}\b)");
  std::set<std::string> chips;
  for (std::sregex_iterator m(text.begin(), text.end(), kChip), end; m != end; ++m)
    chips.insert(m->str());
  return chips;
}

TEST(Declarations, RecoverTakesExactlyTheChipsOfTheRecoverMenu) {
  std::set<std::string> menu;
  for (const RecoveryChip& chip : kRecoveryChips)
    menu.insert(chip.name);
  ASSERT_EQ(menu.size(), kRecoveryChips.size());

  const std::string page = sourceFile("man/capcode.1");
  const std::size_t recover = page.find(".BI \\-\\-recover ");
  ASSERT_NE(recover, std::string::npos);
  EXPECT_EQ(chipsNamedIn(page.substr(recover, page.find(".TP", recover) - recover)), menu)
      << "the manual page";
  EXPECT_EQ(completed({"capcode", "write", "--recover", ""}), menu) << "the completion";

  const test::Outcome help = test::capcode({"write", "--help"});
  const std::size_t line = help.out.find("--recover");
  ASSERT_NE(line, std::string::npos);
  EXPECT_EQ(chipsNamedIn(help.out.substr(line, help.out.find("\n  -", line) - line)), menu)
      << "capcode write --help";
  // A menu item's name is not a chip.
  EXPECT_EQ(test::capcode({"write", "pager.eep", "--recover", kRecoveryChips[0].menuItem}).status,
            kExitUsage);
}

}  // namespace
}  // namespace capcode
