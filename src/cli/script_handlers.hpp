#pragma once
// What each command of a command file does, once the runner has checked the line against the
// command's arguments (script_commands.cpp holds the table that names them). Each throws
// ScriptError when the line names something the program does not have.

#include "cli/script_commands.hpp"

namespace capcode::script {

// The person at a control: type, key, leave, click, pick.
void typeText(ScriptContext& context, const CommandLine& cmd);
void pressKey(ScriptContext& context, const CommandLine& cmd);
void leaveControl(ScriptContext& context, const CommandLine& cmd);
void clickControl(ScriptContext& context, const CommandLine& cmd);
void pickItem(ScriptContext& context, const CommandLine& cmd);
// The program's own code: set, run, get.
void setValue(ScriptContext& context, const CommandLine& cmd);
void runHandler(ScriptContext& context, const CommandLine& cmd);
void getValue(ScriptContext& context, const CommandLine& cmd);
// The image: image OFFSET [COUNT], image load, image save, checksum.
void printImage(ScriptContext& context, const CommandLine& cmd);
void loadImage(ScriptContext& context, const CommandLine& cmd);
void saveImage(ScriptContext& context, const CommandLine& cmd);
void setImageChecksum(ScriptContext& context, const CommandLine& cmd);
// The menus and their dialogs: open, save, read, write, answer, answer button.
void openFile(ScriptContext& context, const CommandLine& cmd);
void saveFile(ScriptContext& context, const CommandLine& cmd);
void readPager(ScriptContext& context, const CommandLine& cmd);
void writePager(ScriptContext& context, const CommandLine& cmd);
void answerDialog(ScriptContext& context, const CommandLine& cmd);
void answerButton(ScriptContext& context, const CommandLine& cmd);
// The simulated programmer box: unplug, plug.
void unplugBox(ScriptContext& context, const CommandLine& cmd);
void plugBox(ScriptContext& context, const CommandLine& cmd);

}  // namespace capcode::script
