#include "cli/script_runner.hpp"

#include <charconv>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <vector>

#include "app/startup.hpp"
#include "core/codec.hpp"
#include "core/conversions.hpp"
#include "core/file_io.hpp"
#include "core/json.hpp"
#include "core/window_arrangement.hpp"
#include "link/simulated_programmer.hpp"

namespace capcode {

namespace {
const char* const kScriptCommandsHelp =
    "Commands (one a line; blank lines and lines starting with # are skipped):\n"
    "  type NAME TEXT        the person types TEXT into a field, one keystroke per character\n"
    "  key NAME KEY          one keystroke: a character, a JSON string of one, or backspace\n"
    "  set NAME VALUE        assignment from code: a text, on/off, an item index, a number\n"
    "  leave NAME            the focus leaves the field: its exit rule runs\n"
    "  click NAME            the person clicks a check box or a menu item\n"
    "  pick NAME INDEX       the person picks item INDEX of a list\n"
    "  run HANDLER           runs a handler by name (decodeImage, encodeImage, ...)\n"
    "  get NAME              prints a control or a shared value as one JSON line\n"
    "  image OFFSET [COUNT]  prints COUNT bytes of the image (default 1), 16 a line\n"
    "  image load PATH       copies a file into the image as it is (0xFF after a short file)\n"
    "  image save PATH       writes the 2048 bytes of the image as they are\n"
    "  checksum              sets the image's last byte as a save would\n"
    "  open PATH | cancel    File > Open, the dialog answered with PATH or cancelled\n"
    "  save PATH | cancel    File > Save, likewise\n"
    "  read                  the RD_From_Pager command\n"
    "  write                 the WR_To_Pager command\n"
    "  answer PATH | cancel  how the next file dialog is answered (the debug save of a read)\n"
    "  answer button TEXT    the next question (ask: lines) is answered with the button whose\n"
    "                        caption is TEXT (\"Program again\", \"Cancel\", ...); unanswered\n"
    "                        questions are closed, which counts as their last button\n"
    "  unplug, plug          the simulated programmer box removed or inserted\n"
    "\n"
    "A TEXT is the rest of the line after the blank that follows NAME, trailing blanks\n"
    "included; one that begins with \" is a JSON string literal. Texts are bytes: in JSON each\n"
    "byte is the character of the same code.\n"
    "\n"
    "Exit status: 0 when every command ran (whatever the program reported), 2 after a script\n"
    "error (malformed command, unknown name, wrong kind of control), 1 when FILE cannot be read.\n";
}  // namespace

std::string scriptCommandsHelp() {
  return kScriptCommandsHelp;
}

namespace {

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

CommandLine split(const std::string& line) {
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

long numberArgument(const std::string& text, const std::string& what) {
  const auto value = parseWholeNumber(text);
  if (!value) throw ScriptError(what + " is not a number: " + text);
  return *value;
}

bool onOff(const std::string& text) {
  if (text == "on") return true;
  if (text == "off") return false;
  throw ScriptError("expected on or off, not: " + text);
}

std::string jsonBool(bool b) {
  return b ? "true" : "false";
}

std::string describe(const FormModel& form, const Control& c) {
  std::string out = "{\"name\":" + jsonString(c.name);
  switch (c.kind) {
    case ControlKind::Text:
      out += ",\"text\":" + jsonString(c.text);
      break;
    case ControlKind::Choice: {
      out += ",\"index\":" + std::to_string(c.index);
      out += ",\"item\":" + (c.index < 0 || c.index >= static_cast<int>(c.items.size())
                                 ? std::string("null")
                                 : jsonString(c.selectedItem()));
      out += ",\"items\":[";
      for (std::size_t i = 0; i < c.items.size(); ++i) {
        if (i != 0) out += ',';
        out += jsonString(c.items[i]);
      }
      out += ']';
      break;
    }
    case ControlKind::Flag:
    case ControlKind::MenuItem:
      out += ",\"checked\":" + jsonBool(c.checked);
      break;
    case ControlKind::Slider:
      out += ",\"position\":" + std::to_string(c.position);
      break;
    default:
      break;
  }
  out += ",\"enabled\":" + jsonBool(c.enabled) + ",\"visible\":" + jsonBool(c.visible);
  if (c.hasCaption) out += ",\"caption\":" + jsonString(c.caption);
  // Where the window shows it: its label, unit and hint, when it has them.
  if (const std::string label = labelOf(form, c.name); !label.empty())
    out += ",\"label\":" + jsonString(label);
  if (const WindowPlace* place = placeOf(c.name); place != nullptr && !place->unit.empty())
    out += ",\"unit\":" + jsonString(place->unit);
  if (!c.hint.empty()) out += ",\"hint\":" + jsonString(c.hint);
  out += '}';
  return out;
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

}  // namespace

std::optional<std::size_t> TranscriptFeedback::ask(std::string_view text,
                                                   const std::vector<std::string>& answers) {
  out_ << "ask: " << text << '\n';
  std::optional<std::string> wanted;
  wanted.swap(buttonAnswer);
  for (std::size_t i = 0; wanted && i < answers.size(); ++i) {
    if (answers[i] != *wanted) continue;
    out_ << "answer: " << answers[i] << '\n';
    return i;
  }
  out_ << "answer: none\n";
  return std::nullopt;
}

void TranscriptFeedback::progressShown(std::string_view caption) {
  out_ << "progress: show " << jsonString(caption) << '\n';
}

void TranscriptFeedback::progressCaption(std::string_view caption) {
  out_ << "progress: caption " << jsonString(caption) << '\n';
}

ScriptRunner::ScriptRunner(std::ostream& out, std::ostream& err, const ScriptOptions& options)
    : out_(out),
      err_(err),
      options_(options),
      feedback_(out),
      program_(feedback_,
               {startupOptionsFor(options.dataDirectory, options.decimalMark), options.hardware}),
      state_(program_.state()) {}

bool ScriptRunner::bringUp() {
  state_.ConfigImage = defaultImageA();
  state_.HardwareRevision = kHwA2;
  if (options_.bare) return true;
  // An error during construction means the window never opens: the program ends.
  if (!program_.start()) return false;
  if (options_.production)
    production_ = std::make_unique<WindowProduction>(program_, *options_.production);
  return true;
}

int ScriptRunner::run(std::istream& in) {
  if (!bringUp()) {
    out_.flush();
    err_ << "capcode script: the program could not start\n";
    return 1;
  }
  std::string line;
  int number = 0;
  int status = 0;
  while (std::getline(in, line)) {
    ++number;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty() || line.front() == '#') continue;
    try {
      execute(line);
      if (state_.windowClosed) break;  // File > Exit ended the program
    } catch (const ScriptError& e) {
      out_.flush();
      err_ << "capcode script: line " << number << ": " << e.what() << '\n';
      status = 2;
      break;
    } catch (const std::out_of_range& e) {
      out_.flush();
      err_ << "capcode script: line " << number << ": " << e.what() << '\n';
      status = 2;
      break;
    }
  }
  out_.flush();
  // The simulated pager keeps what was written to it.
  if (const std::string error = program_.hardware().saveSimulatedImages(); !error.empty()) {
    err_ << "capcode script: " << error << '\n';
    if (status == 0) status = 1;
  }
  return status;
}

void ScriptRunner::execute(const std::string& line) {
  const CommandLine cmd = split(line);
  FormModel& form = state_.form;

  auto control = [&](std::initializer_list<ControlKind> kinds) -> Control& {
    if (cmd.name.empty()) throw ScriptError(cmd.word + " needs a control name");
    Control* c = form.find(cmd.name);
    if (c == nullptr) throw ScriptError("unknown control: " + cmd.name);
    for (ControlKind k : kinds) {
      if (c->kind == k) return *c;
    }
    throw ScriptError(cmd.word + " does not apply to the " + controlKindName(c->kind) + " " +
                      cmd.name);
  };
  // What a person does reaches only a control that is enabled and shown.
  auto reachable = [&]() {
    if (form.reachable(cmd.name)) return true;
    out_ << "disabled: " << cmd.name << '\n';
    return false;
  };

  if (cmd.word == "type") {
    control({ControlKind::Text, ControlKind::Choice});
    const std::string text = textArgument(cmd);
    if (reachable()) state_.event([&] { form.userType(cmd.name, text); });
  } else if (cmd.word == "key") {
    control({ControlKind::Text, ControlKind::Choice});
    const char key = keyArgument(cmd);
    if (reachable()) state_.event([&] { form.userKey(cmd.name, key); });
  } else if (cmd.word == "set") {
    if (auto g = state_.globals().find(cmd.name); g != state_.globals().end()) {
      if (!g->second.assign) throw ScriptError(cmd.name + " is a build constant");
      const std::string value = textArgument(cmd);
      try {
        g->second.assign(value);
      } catch (const std::invalid_argument& e) {
        throw ScriptError(cmd.name + ": " + e.what());
      }
      return;
    }
    Control& c = control({ControlKind::Text, ControlKind::Flag, ControlKind::MenuItem,
                          ControlKind::Choice, ControlKind::Slider});
    switch (c.kind) {
      case ControlKind::Text: {
        std::string text = textArgument(cmd);
        state_.event([&] { form.setText(cmd.name, std::move(text)); });
        break;
      }
      case ControlKind::Flag: {
        const bool on = onOff(cmd.rest);
        state_.event([&] { form.setChecked(cmd.name, on); });
        break;
      }
      case ControlKind::MenuItem:
        c.checked = onOff(cmd.rest);
        break;
      case ControlKind::Choice: {
        const long index = numberArgument(cmd.rest, "index");
        if (index < -1 || index >= static_cast<long>(c.items.size())) {
          throw ScriptError("no item " + cmd.rest + " in " + cmd.name);
        }
        form.setIndex(cmd.name, static_cast<int>(index));
        break;
      }
      default:
        c.position = static_cast<int>(numberArgument(cmd.rest, "position"));
        break;
    }
  } else if (cmd.word == "leave") {
    if (cmd.hasRest) throw ScriptError("leave takes only a name");
    control({ControlKind::Text, ControlKind::Choice, ControlKind::Flag, ControlKind::Slider});
    state_.event([&] { form.leave(cmd.name); });
  } else if (cmd.word == "click") {
    if (cmd.hasRest) throw ScriptError("click takes only a name");
    control({ControlKind::Flag, ControlKind::MenuItem});
    if (reachable()) state_.event([&] { form.userClick(cmd.name); });
  } else if (cmd.word == "pick") {
    Control& c = control({ControlKind::Choice});
    const long index = numberArgument(cmd.rest, "index");
    if (index < 0 || index >= static_cast<long>(c.items.size())) {
      throw ScriptError("no item " + cmd.rest + " in " + cmd.name);
    }
    if (reachable()) state_.event([&] { form.userPick(cmd.name, static_cast<int>(index)); });
  } else if (cmd.word == "run") {
    if (cmd.name.empty() || cmd.hasRest) throw ScriptError("run takes one handler name");
    if (!form.hasHandler(cmd.name)) throw ScriptError("unknown handler: " + cmd.name);
    state_.event([&] { form.runHandler(cmd.name); });
  } else if (cmd.word == "get") {
    if (cmd.name.empty() || cmd.hasRest) throw ScriptError("get takes one name");
    if (auto g = state_.globals().find(cmd.name); g != state_.globals().end()) {
      out_ << "{\"name\":" << jsonString(cmd.name) << ",\"value\":" << g->second.json() << "}\n";
      return;
    }
    const Control* c = form.find(cmd.name);
    if (c == nullptr) throw ScriptError("unknown name: " + cmd.name);
    out_ << describe(form, *c) << '\n';
  } else if (cmd.word == "image") {
    Image& image = state_.ConfigImage;
    if (cmd.name == "load" || cmd.name == "save") {
      if (!cmd.hasRest || cmd.rest.empty())
        throw ScriptError("image " + cmd.name + " needs a path");
      if (cmd.name == "load") {
        const auto bytes = readFilePrefix(cmd.rest, kImageSize);
        if (!bytes) throw ScriptError("cannot open " + cmd.rest + " (not a readable file)");
        image.fill(0xFF);
        std::copy(bytes->begin(), bytes->end(), image.begin());
      } else if (const std::string error =
                     writeFileAtomically(cmd.rest, {image.begin(), image.end()});
                 !error.empty()) {
        throw ScriptError("cannot write " + cmd.rest + ": " + error);
      }
      return;
    }
    if (cmd.name.empty()) throw ScriptError("image needs an offset");
    const long offset = numberArgument(cmd.name, "offset");
    const long count = cmd.hasRest ? numberArgument(cmd.rest, "count") : 1;
    if (offset < 0 || offset >= static_cast<long>(kImageSize) || count < 1 ||
        count > static_cast<long>(kImageSize) - offset) {
      throw ScriptError("image range outside the 2048 bytes");
    }
    for (long at = offset; at < offset + count; at += 16) {
      char head[32];
      std::snprintf(head, sizeof head, "image 0x%03lX:", static_cast<unsigned long>(at));
      out_ << head;
      for (long i = at; i < at + 16 && i < offset + count; ++i) {
        char byte[4];
        std::snprintf(byte, sizeof byte, " %02X", image[static_cast<std::size_t>(i)]);
        out_ << byte;
      }
      out_ << '\n';
    }
  } else if (cmd.word == "open" || cmd.word == "save") {
    if (cmd.name.empty() || cmd.hasRest) throw ScriptError(cmd.word + " takes a path or cancel");
    fileCommand(cmd.word == "open" ? "Open1" : "Save1", cmd.name);
  } else if (cmd.word == "read" || cmd.word == "write") {
    if (!cmd.name.empty()) throw ScriptError(cmd.word + " takes no argument");
    const std::string item = cmd.word == "read" ? "ReadFromPager" : "WriteToPager";
    if (!form.reachable(item)) {
      out_ << "disabled: " << item << '\n';
      return;
    }
    state_.event([&] { form.userClick(item); });
  } else if (cmd.word == "answer" && cmd.name == "button") {
    if (!cmd.hasRest || cmd.rest.empty()) throw ScriptError("answer button needs a caption");
    feedback_.buttonAnswer = cmd.rest;
  } else if (cmd.word == "answer") {
    if (cmd.name.empty() || cmd.hasRest) throw ScriptError("answer takes a path or cancel");
    if (cmd.name == "cancel") {
      feedback_.dialogAnswer.reset();
    } else {
      feedback_.dialogAnswer = cmd.name;
    }
  } else if (cmd.word == "unplug" || cmd.word == "plug") {
    if (!cmd.name.empty()) throw ScriptError(cmd.word + " takes no argument");
    plugCommand(cmd.word == "plug");
  } else if (cmd.word == "checksum") {
    if (!cmd.name.empty()) throw ScriptError("checksum takes no argument");
    setChecksum(state_.ConfigImage);
  } else {
    throw ScriptError("unknown command: " + cmd.word);
  }
}

void ScriptRunner::plugCommand(bool plugged) {
  SimulatedProgrammer* box = program_.hardware().simulatedBox();
  if (box == nullptr) throw ScriptError("plug and unplug need a simulated programmer (--sim-usb)");
  box->pluggedIn = plugged;
  state_.event([&] { state_.form.runHandler("HidCtlDeviceChange"); });
}

void ScriptRunner::fileCommand(const std::string& menuItem, const std::string& argument) {
  if (argument == "cancel") {
    feedback_.dialogAnswer.reset();
  } else {
    feedback_.dialogAnswer = argument;
  }
  state_.event([&] { state_.form.userClick(menuItem); });
  feedback_.dialogAnswer.reset();
}

}  // namespace capcode
