#pragma once
// The commands of a command file, declared once: the runner looks each line's command up in this
// table, checks the line against the command's arguments and runs its handler, and
// `capcode script --help` lists the same table.

#include <ostream>
#include <span>
#include <string>
#include <string_view>

#include "app/program.hpp"
#include "cli/script_command_line.hpp"
#include "cli/script_runner.hpp"

namespace capcode {

// What a command works on: the running program, the answers given to its dialogs and questions,
// and the transcript. The runner owns all three.
struct ScriptContext {
  Program& program;
  TranscriptFeedback& feedback;
  std::ostream& out;
};

// What may follow a command's word (and its keyword), checked before the handler runs. A line
// that does not fit fails with "WORD takes WANTED" or "WORD needs WANTED" as the shape says.
enum class ScriptArguments {
  None,         // no word may follow: "read takes no argument"
  OneWord,      // exactly one word: "run takes one handler name"
  AtMostAWord,  // nothing after the first word: "leave takes only a name"
  AWord,        // at least one word: "image needs an offset"
  AText,        // a text after the keyword: "image load needs a path"
};

struct ScriptCommand {
  std::string_view word;
  std::string_view keyword;  // a fixed second word ("image load"), or empty
  std::string_view usage;    // the arguments after word and keyword, as the help shows them
  ScriptArguments arguments;
  std::string_view wanted;  // what the complaint says the command takes or needs
  void (*handler)(ScriptContext&, const CommandLine&);
  std::string_view help;  // one line
};

// Every command, in the order the help lists them.
std::span<const ScriptCommand> scriptCommands();
// The command a line names: its word with the keyword the line's NAME gives, else its word
// alone. Null when there is none.
const ScriptCommand* findScriptCommand(const CommandLine& cmd);
// Throws ScriptError with the command's complaint when the line does not fit its arguments.
void checkScriptArguments(const ScriptCommand& command, const CommandLine& cmd);
// "image OFFSET [COUNT]": how the help shows the command.
std::string scriptCommandSynopsis(const ScriptCommand& command);

}  // namespace capcode
