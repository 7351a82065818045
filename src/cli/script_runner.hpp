#pragma once
// `capcode script`: drives the headless window from a command file and prints a transcript of
// what the program shows the person. The transcript forms are fixed; tools outside read them.

#include <istream>
#include <memory>
#include <optional>
#include <ostream>
#include <string>

#include "app/program.hpp"
#include "core/feedback.hpp"
#include "production/window_production.hpp"

namespace capcode {

struct ScriptOptions {
  bool bare = false;  // skip the start-up: design values and image A, nothing decoded
  std::optional<std::string> dataDirectory;  // where the language libraries are, if not cwd
  std::optional<char> decimalMark;           // the system's decimal mark, instead of LC_NUMERIC
  HardwareOptions hardware;                  // real programmers, or simulated ones
  // The window's pager ledger; none unless the script is given one (--ledger).
  std::optional<ProductionOptions> production;
};

// Writes what the program does to the person as transcript lines.
class TranscriptFeedback final : public Feedback {
 public:
  explicit TranscriptFeedback(std::ostream& out) : out_(out) {}
  void log(std::string_view line) override { out_ << "log: " << line << '\n'; }
  void beep() override { out_ << "beep\n"; }
  void focus(std::string_view control) override { out_ << "focus: " << control << '\n'; }
  void message(std::string_view text) override { out_ << "message: " << text << '\n'; }
  void errorNotice(std::string_view text) override { out_ << "error: " << text << '\n'; }
  std::optional<std::string> chooseFile(const FileDialogRequest&) override {
    std::optional<std::string> answer;
    answer.swap(dialogAnswer);
    return answer;
  }
  void progressShown(std::string_view caption) override;
  void progressCaption(std::string_view caption) override;
  void progressHidden() override { out_ << "progress: hide\n"; }
  // A question with buttons: answered with the button `buttonAnswer` names, once; else as
  // Enter answers it, with its safe answer, or closed without an answer when it has none.
  std::optional<std::size_t> ask(const Question& question) override;
  using Feedback::ask;
  void warning(std::string_view text) override { out_ << "warning: " << text << '\n'; }

  // How the next file dialog is answered; nothing means it is cancelled.
  std::optional<std::string> dialogAnswer;
  // The caption of the button that answers the next question.
  std::optional<std::string> buttonAnswer;

 private:
  std::ostream& out_;
};

class ScriptRunner {
 public:
  // Throws std::runtime_error when the hardware options cannot be met (a bad fault, an
  // unreadable simulated image).
  ScriptRunner(std::ostream& out, std::ostream& err, const ScriptOptions& options);
  // Runs every command; returns the exit status: 0, or 2 after a script error.
  int run(std::istream& in);
  ProgramState& state() { return program_.state(); }
  ProgrammerLinks& links() { return program_.links(); }

 private:
  // Returns false when the start-up failed and the program ended.
  bool bringUp();
  void execute(const std::string& line);

  std::ostream& out_;
  std::ostream& err_;
  ScriptOptions options_;
  TranscriptFeedback feedback_;
  Program program_;
  ProgramState& state_;
  std::unique_ptr<WindowProduction> production_;
};

// The part of `capcode script --help` that lists the commands of a command file (from the one
// table in script_commands.cpp) and the exit statuses.
std::string scriptCommandsHelp();

}  // namespace capcode
