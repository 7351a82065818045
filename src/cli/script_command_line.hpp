#pragma once
// One line of a command file split into its parts, and the readers of its arguments. Every
// reader throws ScriptError when the line does not say what it must; the runner stops the script
// there with exit status 2 and the line number.

#include <stdexcept>
#include <string>

namespace capcode {

// A malformed command: the text says what is wrong, as the transcript's error line shows it.
class ScriptError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// A command line split as the syntax says: a word, a NAME, then the rest.
struct CommandLine {
  std::string word;
  std::string name;
  bool hasRest = false;
  std::string rest;  // everything after the single blank that follows NAME
};

CommandLine splitCommandLine(const std::string& line);

// The TEXT after NAME: the rest as it is, or the bytes of a JSON string literal.
std::string textArgument(const CommandLine& cmd);
// The KEY after NAME: one character, a JSON string of one, or backspace ('\b').
char keyArgument(const CommandLine& cmd);
// A whole number; `what` names it in the complaint ("index", "offset").
long numberArgument(const std::string& text, const std::string& what);
// "on" or "off".
bool onOffArgument(const std::string& text);

}  // namespace capcode
