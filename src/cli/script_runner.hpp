#pragma once
// `capcode script`: drives the headless window from a command file and prints a transcript of
// what the program shows the person. The transcript forms are fixed; tools outside read them.

#include <istream>
#include <ostream>
#include <string>

#include "core/feedback.hpp"
#include "core/program_state.hpp"

namespace capcode {

struct ScriptOptions {
  bool bare = false;  // skip the start-up: design values and image A, nothing decoded
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

 private:
  std::ostream& out_;
};

class ScriptRunner {
 public:
  ScriptRunner(std::ostream& out, std::ostream& err, ScriptOptions options);
  // Runs every command; returns the exit status: 0, or 2 after a script error.
  int run(std::istream& in);
  ProgramState& state() { return state_; }

 private:
  void bringUp();
  void execute(const std::string& line);

  std::ostream& out_;
  std::ostream& err_;
  ScriptOptions options_;
  TranscriptFeedback feedback_;
  ProgramState state_;
};

// The help texts of the tool.
extern const char* const kScriptHelp;

}  // namespace capcode
