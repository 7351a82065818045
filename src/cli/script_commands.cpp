#include "cli/script_commands.hpp"

#include <algorithm>

#include "cli/script_handlers.hpp"

namespace capcode {

namespace {

using enum ScriptArguments;

// Word, keyword, usage, arguments, what the complaint wants, handler, help.
// clang-format off
constexpr ScriptCommand kCommands[] = {
    {"type", "", "NAME TEXT", AWord, "a control name", script::typeText, "the person types TEXT into a field, one keystroke per character"},
    {"key", "", "NAME KEY", AWord, "a control name", script::pressKey, "one keystroke: a character, a JSON string of one, or backspace"},
    {"set", "", "NAME VALUE", AWord, "a control name", script::setValue, "assignment from code: a text, on/off, an item index, a number"},
    {"leave", "", "NAME", AtMostAWord, "only a name", script::leaveControl, "the focus leaves the field: its exit rule runs"},
    {"click", "", "NAME", AtMostAWord, "only a name", script::clickControl, "the person clicks a check box or a menu item"},
    {"pick", "", "NAME INDEX", AWord, "a control name", script::pickItem, "the person picks item INDEX of a list"},
    {"run", "", "HANDLER", OneWord, "one handler name", script::runHandler, "runs a handler by name (decodeImage, encodeImage, ...)"},
    {"get", "", "NAME", OneWord, "one name", script::getValue, "prints a control or a shared value as one JSON line"},
    {"image", "", "OFFSET [COUNT]", AWord, "an offset", script::printImage, "prints COUNT bytes of the image (default 1), 16 a line"},
    {"image", "load", "PATH", AText, "a path", script::loadImage, "copies a file into the image as it is (0xFF after a short file)"},
    {"image", "save", "PATH", AText, "a path", script::saveImage, "writes the 2048 bytes of the image as they are"},
    {"checksum", "", "", None, "no argument", script::setImageChecksum, "sets the image's last byte as a save would"},
    {"open", "", "PATH | cancel", OneWord, "a path or cancel", script::openFile, "File > Open, the dialog answered with PATH or cancelled"},
    {"save", "", "PATH | cancel", OneWord, "a path or cancel", script::saveFile, "File > Save, likewise"},
    {"read", "", "", None, "no argument", script::readPager, "the RD_From_Pager command"},
    {"write", "", "", None, "no argument", script::writePager, "the WR_To_Pager command"},
    {"answer", "", "PATH | cancel", OneWord, "a path or cancel", script::answerDialog, "how the next file dialog is answered (the debug save of a read)"},
    {"answer", "button", "TEXT", AText, "a caption", script::answerButton, "the button captioned TEXT answers the next question (ask: lines)"},
    {"unplug", "", "", None, "no argument", script::unplugBox, "the simulated programmer box removed"},
    {"plug", "", "", None, "no argument", script::plugBox, "the simulated programmer box inserted"},
};
// clang-format on

const char* const kCommandsHead =
    "Commands (one a line; blank lines and lines starting with # are skipped):\n";
const char* const kCommandsTail =
    "\n"
    "A TEXT is the rest of the line after the blank that follows NAME, trailing blanks\n"
    "included; one that begins with \" is a JSON string literal. Texts are bytes: in JSON each\n"
    "byte is the character of the same code. A question that no answer button names (\"Program\n"
    "again\", \"Cancel\", ...) is closed, which counts as its last button.\n"
    "\n"
    "Exit status: 0 when every command ran (whatever the program reported), 2 after a script\n"
    "error (malformed command, unknown name, wrong kind of control), 1 when FILE cannot be read.\n";

}  // namespace

std::span<const ScriptCommand> scriptCommands() {
  return kCommands;
}

const ScriptCommand* findScriptCommand(const CommandLine& cmd) {
  const ScriptCommand* found = nullptr;
  for (const ScriptCommand& command : kCommands) {
    if (command.word != cmd.word) continue;
    if (command.keyword.empty() && found == nullptr) found = &command;
    if (!command.keyword.empty() && command.keyword == cmd.name) return &command;
  }
  return found;
}

void checkScriptArguments(const ScriptCommand& command, const CommandLine& cmd) {
  bool fits = true;
  std::string verb = " takes ";
  switch (command.arguments) {
    case None:
      fits = cmd.name.empty();
      break;
    case OneWord:
      fits = !cmd.name.empty() && !cmd.hasRest;
      break;
    case AtMostAWord:
      fits = !cmd.hasRest;
      break;
    case AWord:
      fits = !cmd.name.empty();
      verb = " needs ";
      break;
    case AText:
      fits = cmd.hasRest && !cmd.rest.empty();
      verb = " needs ";
      break;
  }
  if (fits) return;
  std::string who(command.word);
  if (!command.keyword.empty()) who += " " + std::string(command.keyword);
  throw ScriptError(who + verb + std::string(command.wanted));
}

std::string scriptCommandSynopsis(const ScriptCommand& command) {
  std::string synopsis(command.word);
  for (std::string_view part : {command.keyword, command.usage}) {
    if (!part.empty()) synopsis += " " + std::string(part);
  }
  return synopsis;
}

std::string scriptCommandsHelp() {
  std::size_t column = 0;
  for (const ScriptCommand& command : kCommands)
    column = std::max(column, scriptCommandSynopsis(command).size() + 2);
  std::string text = kCommandsHead;
  for (const ScriptCommand& command : kCommands) {
    const std::string synopsis = scriptCommandSynopsis(command);
    text += "  " + synopsis + std::string(column - synopsis.size(), ' ') +
            std::string(command.help) + "\n";
  }
  return text + kCommandsTail;
}

}  // namespace capcode
