#include "cli/script_command_line.hpp"

#include "core/conversions.hpp"
#include "core/json.hpp"

namespace capcode {

CommandLine splitCommandLine(const std::string& line) {
  CommandLine cmd;
  std::size_t blank = line.find(' ');
  cmd.word = line.substr(0, blank);
  if (blank == std::string::npos) return cmd;
  std::size_t nameEnd = line.find(' ', blank + 1);
  cmd.name = line.substr(blank + 1,
                         nameEnd == std::string::npos ? std::string::npos : nameEnd - blank - 1);
  if (nameEnd != std::string::npos) {
    cmd.hasRest = true;
    cmd.rest = line.substr(nameEnd + 1);
  }
  return cmd;
}

std::string textArgument(const CommandLine& cmd) {
  if (!cmd.hasRest) throw ScriptError(cmd.word + " needs a text after " + cmd.name);
  if (!cmd.rest.empty() && cmd.rest.front() == '"') {
    auto parsed = parseJsonString(cmd.rest);
    if (!parsed) throw ScriptError("malformed JSON string: " + cmd.rest);
    return *parsed;
  }
  return cmd.rest;
}

char keyArgument(const CommandLine& cmd) {
  if (!cmd.hasRest) throw ScriptError("key needs a key after " + cmd.name);
  if (cmd.rest == "backspace") return '\b';
  std::string key = cmd.rest;
  if (!key.empty() && key.front() == '"' && key.size() > 1) {
    auto parsed = parseJsonString(key);
    if (!parsed) throw ScriptError("malformed JSON string: " + key);
    key = *parsed;
  }
  if (key.size() != 1) throw ScriptError("a key is one character or backspace: " + cmd.rest);
  return key[0];
}

long numberArgument(const std::string& text, const std::string& what) {
  const auto value = parseWholeNumber(text);
  if (!value) throw ScriptError(what + " is not a number: " + text);
  return *value;
}

bool onOffArgument(const std::string& text) {
  if (text == "on") return true;
  if (text == "off") return false;
  throw ScriptError("expected on or off, not: " + text);
}

}  // namespace capcode
