#include "cli/script_handlers.hpp"

#include <algorithm>
#include <cstdio>
#include <initializer_list>

#include "cli/control_json.hpp"
#include "core/file_io.hpp"
#include "core/image.hpp"
#include "core/json.hpp"
#include "link/simulated_programmer.hpp"

namespace capcode::script {

namespace {

ProgramState& stateOf(ScriptContext& context) {
  return context.program.state();
}

// The control NAME, which must be of one of `kinds`.
Control& control(ScriptContext& context, const CommandLine& cmd,
                 std::initializer_list<ControlKind> kinds) {
  if (cmd.name.empty()) throw ScriptError(cmd.word + " needs a control name");
  Control* c = stateOf(context).form.find(cmd.name);
  if (c == nullptr) throw ScriptError("unknown control: " + cmd.name);
  for (ControlKind k : kinds) {
    if (c->kind == k) return *c;
  }
  throw ScriptError(cmd.word + " does not apply to the " + controlKindName(c->kind) + " " +
                    cmd.name);
}

// What a person does reaches only a control that is enabled and shown.
bool reachable(ScriptContext& context, const std::string& name) {
  if (stateOf(context).form.reachable(name)) return true;
  context.out << "disabled: " << name << '\n';
  return false;
}

// The item index after NAME, from `lowest` (-1 selects nothing) to the list's last.
int itemArgument(const Control& list, const CommandLine& cmd, long lowest) {
  const long index = numberArgument(cmd.rest, "index");
  if (index < lowest || index >= static_cast<long>(list.items.size())) {
    throw ScriptError("no item " + cmd.rest + " in " + cmd.name);
  }
  return static_cast<int>(index);
}

// `set` on a shared value; false when NAME is no shared value.
bool setShared(ProgramState& state, const CommandLine& cmd) {
  const auto shared = state.globals().find(cmd.name);
  if (shared == state.globals().end()) return false;
  if (!shared->second.assign) throw ScriptError(cmd.name + " is a build constant");
  const std::string value = textArgument(cmd);
  try {
    shared->second.assign(value);
  } catch (const std::invalid_argument& e) {
    throw ScriptError(cmd.name + ": " + e.what());
  }
  return true;
}

// How the next file dialog is answered: with the path `argument`, or cancelled.
void answerNextDialog(ScriptContext& context, const std::string& argument) {
  if (argument == "cancel") {
    context.feedback.dialogAnswer.reset();
  } else {
    context.feedback.dialogAnswer = argument;
  }
}

// A menu item clicked with its file dialog answered by `argument`; later dialogs are cancelled.
void useFileMenu(ScriptContext& context, const std::string& menuItem, const std::string& argument) {
  answerNextDialog(context, argument);
  ProgramState& state = stateOf(context);
  state.event([&] { state.form.userClick(menuItem); });
  context.feedback.dialogAnswer.reset();
}

void clickMenuItem(ScriptContext& context, const std::string& item) {
  if (!reachable(context, item)) return;
  ProgramState& state = stateOf(context);
  state.event([&] { state.form.userClick(item); });
}

void plugIn(ScriptContext& context, bool plugged) {
  SimulatedProgrammer* box = context.program.hardware().simulatedBox();
  if (box == nullptr) throw ScriptError("plug and unplug need a simulated programmer (--sim-usb)");
  box->pluggedIn = plugged;
  ProgramState& state = stateOf(context);
  state.event([&] { state.form.runHandler("HidCtlDeviceChange"); });
}

}  // namespace

void typeText(ScriptContext& context, const CommandLine& cmd) {
  control(context, cmd, {ControlKind::Text, ControlKind::Choice});
  const std::string text = textArgument(cmd);
  ProgramState& state = stateOf(context);
  if (reachable(context, cmd.name)) state.event([&] { state.form.userType(cmd.name, text); });
}

void pressKey(ScriptContext& context, const CommandLine& cmd) {
  control(context, cmd, {ControlKind::Text, ControlKind::Choice});
  const char key = keyArgument(cmd);
  ProgramState& state = stateOf(context);
  if (reachable(context, cmd.name)) state.event([&] { state.form.userKey(cmd.name, key); });
}

void leaveControl(ScriptContext& context, const CommandLine& cmd) {
  control(context, cmd,
          {ControlKind::Text, ControlKind::Choice, ControlKind::Flag, ControlKind::Slider});
  ProgramState& state = stateOf(context);
  state.event([&] { state.form.leave(cmd.name); });
}

void clickControl(ScriptContext& context, const CommandLine& cmd) {
  control(context, cmd, {ControlKind::Flag, ControlKind::MenuItem});
  ProgramState& state = stateOf(context);
  if (reachable(context, cmd.name)) state.event([&] { state.form.userClick(cmd.name); });
}

void pickItem(ScriptContext& context, const CommandLine& cmd) {
  const int index = itemArgument(control(context, cmd, {ControlKind::Choice}), cmd, 0);
  ProgramState& state = stateOf(context);
  if (reachable(context, cmd.name)) state.event([&] { state.form.userPick(cmd.name, index); });
}

void setValue(ScriptContext& context, const CommandLine& cmd) {
  ProgramState& state = stateOf(context);
  if (setShared(state, cmd)) return;
  Control& c = control(context, cmd,
                       {ControlKind::Text, ControlKind::Flag, ControlKind::MenuItem,
                        ControlKind::Choice, ControlKind::Slider});
  FormModel& form = state.form;
  switch (c.kind) {
    case ControlKind::Text: {
      std::string text = textArgument(cmd);
      state.event([&] { form.setText(cmd.name, std::move(text)); });
      break;
    }
    case ControlKind::Flag: {
      const bool on = onOffArgument(cmd.rest);
      state.event([&] { form.setChecked(cmd.name, on); });
      break;
    }
    case ControlKind::MenuItem:
      c.checked = onOffArgument(cmd.rest);
      break;
    case ControlKind::Choice:
      form.setIndex(cmd.name, itemArgument(c, cmd, -1));
      break;
    default:
      c.position = static_cast<int>(numberArgument(cmd.rest, "position"));
      break;
  }
}

void runHandler(ScriptContext& context, const CommandLine& cmd) {
  ProgramState& state = stateOf(context);
  if (!state.form.hasHandler(cmd.name)) throw ScriptError("unknown handler: " + cmd.name);
  state.event([&] { state.form.runHandler(cmd.name); });
}

void getValue(ScriptContext& context, const CommandLine& cmd) {
  ProgramState& state = stateOf(context);
  if (auto g = state.globals().find(cmd.name); g != state.globals().end()) {
    context.out << "{\"name\":" << jsonString(cmd.name) << ",\"value\":" << g->second.json()
                << "}\n";
    return;
  }
  const Control* c = state.form.find(cmd.name);
  if (c == nullptr) throw ScriptError("unknown name: " + cmd.name);
  context.out << controlJson(state.form, *c) << '\n';
}

void printImage(ScriptContext& context, const CommandLine& cmd) {
  const Image& image = stateOf(context).ConfigImage;
  const long offset = numberArgument(cmd.name, "offset");
  const long count = cmd.hasRest ? numberArgument(cmd.rest, "count") : 1;
  if (offset < 0 || offset >= static_cast<long>(kImageSize) || count < 1 ||
      count > static_cast<long>(kImageSize) - offset) {
    throw ScriptError("image range outside the 2048 bytes");
  }
  for (long at = offset; at < offset + count; at += 16) {
    char head[32];
    std::snprintf(head, sizeof head, "image 0x%03lX:", static_cast<unsigned long>(at));
    context.out << head;
    for (long i = at; i < at + 16 && i < offset + count; ++i) {
      char byte[4];
      std::snprintf(byte, sizeof byte, " %02X", image[static_cast<std::size_t>(i)]);
      context.out << byte;
    }
    context.out << '\n';
  }
}

void loadImage(ScriptContext& context, const CommandLine& cmd) {
  const auto bytes = readFilePrefix(cmd.rest, kImageSize);
  if (!bytes) throw ScriptError("cannot open " + cmd.rest + " (not a readable file)");
  Image& image = stateOf(context).ConfigImage;
  image.fill(0xFF);
  std::copy(bytes->begin(), bytes->end(), image.begin());
}

void saveImage(ScriptContext& context, const CommandLine& cmd) {
  const Image& image = stateOf(context).ConfigImage;
  if (const std::string error = writeFileAtomically(cmd.rest, {image.begin(), image.end()});
      !error.empty()) {
    throw ScriptError("cannot write " + cmd.rest + ": " + error);
  }
}

void setImageChecksum(ScriptContext& context, const CommandLine&) {
  setChecksum(stateOf(context).ConfigImage);
}

void openFile(ScriptContext& context, const CommandLine& cmd) {
  useFileMenu(context, "Open1", cmd.name);
}

void saveFile(ScriptContext& context, const CommandLine& cmd) {
  useFileMenu(context, "Save1", cmd.name);
}

void readPager(ScriptContext& context, const CommandLine&) {
  clickMenuItem(context, "ReadFromPager");
}

void writePager(ScriptContext& context, const CommandLine&) {
  clickMenuItem(context, "WriteToPager");
}

void answerDialog(ScriptContext& context, const CommandLine& cmd) {
  answerNextDialog(context, cmd.name);
}

void answerButton(ScriptContext& context, const CommandLine& cmd) {
  context.feedback.buttonAnswer = cmd.rest;
}

void unplugBox(ScriptContext& context, const CommandLine&) {
  plugIn(context, false);
}

void plugBox(ScriptContext& context, const CommandLine&) {
  plugIn(context, true);
}

}  // namespace capcode::script
