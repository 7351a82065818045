#include "cli/script_runner.hpp"

#include <stdexcept>
#include <vector>

#include "app/startup.hpp"
#include "cli/script_commands.hpp"
#include "core/image.hpp"
#include "core/json.hpp"
#include "options/exit_status.hpp"

namespace capcode {

std::optional<std::size_t> TranscriptFeedback::ask(const Question& question) {
  const std::vector<std::string>& answers = question.answers;
  out_ << "ask: " << question.text << '\n';
  std::optional<std::string> wanted;
  wanted.swap(buttonAnswer);
  for (std::size_t i = 0; wanted && i < answers.size(); ++i) {
    if (answers[i] != *wanted) continue;
    out_ << "answer: " << answers[i] << '\n';
    return i;
  }
  if (question.safeAnswer && *question.safeAnswer < answers.size()) {
    out_ << "answer: " << answers[*question.safeAnswer] << '\n';
    return question.safeAnswer;
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
    return kExitFailed;
  }
  std::string line;
  int number = 0;
  int status = kExitOk;
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
      status = kExitUsage;
      break;
    } catch (const std::out_of_range& e) {
      out_.flush();
      err_ << "capcode script: line " << number << ": " << e.what() << '\n';
      status = kExitUsage;
      break;
    }
  }
  out_.flush();
  // The simulated pager keeps what was written to it.
  if (const std::string error = program_.hardware().saveSimulatedImages(); !error.empty()) {
    err_ << "capcode script: " << error << '\n';
    if (status == kExitOk) status = kExitFailed;
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
