#include "cli/script_runner.hpp"

#include <stdexcept>
#include <vector>

#include "app/startup.hpp"
#include "cli/script_commands.hpp"
#include "core/image.hpp"
#include "core/json.hpp"
#include "link/hardware_setup.hpp"

namespace capcode {

namespace {
const char* const kScriptHelpHead =
    "Usage: capcode script [OPTIONS] [FILE]\n"
    "\n"
    "Runs the commands in FILE (standard input when absent) against the programmer's window\n"
    "and prints a transcript on standard output: log:, beep, message:, error: and focus: lines\n"
    "for what the program shows, progress: lines for the progress dialog, and the output of\n"
    "get and image. The program starts up before the first command, as the window does.\n"
    "\n"
    "Options:\n"
    "  --bare              skip the start-up: design values, image A, revision HW-A2, nothing\n"
    "                      decoded\n"
    "  --data-dir DIR      look for the language libraries in DIR when the working directory\n"
    "                      has none (default: beside the program, then its installed data)\n"
    "  --decimal-mark C    take C ('.' or ',') as the system's decimal mark\n"
    "  --ledger LEDGER     record every write in this pager ledger as the window does (a file\n"
    "                      or a PostgreSQL server); without it the script keeps no ledger\n"
    "  --no-ledger         keep no ledger (the default)\n"
    "  --station NAME      this station's name in the ledger (the host name)\n"
    "  --batch NAME        program a batch shared by several stations: each write takes the\n"
    "                      batch's next free capcode set from the ledger\n"
    "  --sim-usb IMAGE     a simulated USB programmer whose EEPROM holds IMAGE (2048 bytes),\n"
    "                      attached at start-up; IMAGE receives the EEPROM when the script ends\n"
    "  --sim-lpt IMAGE     a simulated 24C16 holding IMAGE behind the parallel port\n"
    "  --sim-product TEXT  the simulated box's product string (\"P-2 programmer\")\n"
    "  --sim-fault SPEC    inject a fault (repeatable):\n";
const char* const kScriptHelpTail =
    "  -h, --help          show this help\n"
    "Without a --sim option the real programmers are used: a USB programmer box, else the\n"
    "parallel-port adapter on LPT1 (/dev/parport0).\n"
    "\n";
}  // namespace

std::string scriptHelp() {
  return std::string(kScriptHelpHead) + kSimulatedFaultHelp + kScriptHelpTail + kMissingImageHelp +
         "\n" + scriptCommandsHelp();
}

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
  const CommandLine cmd = splitCommandLine(line);
  const ScriptCommand* command = findScriptCommand(cmd);
  if (command == nullptr) throw ScriptError("unknown command: " + cmd.word);
  checkScriptArguments(*command, cmd);
  ScriptContext context{program_, feedback_, out_};
  command->handler(context, cmd);
}

}  // namespace capcode
