#pragma once
// A configuration file opened for show, diff and set exactly as File > Open opens it: the
// checksum and edition checks, then the rules that run after an open. Standard input stands
// in for a file named "-".

#include <istream>
#include <memory>
#include <optional>
#include <ostream>
#include <string>

#include "cli/console_feedback.hpp"
#include "cli/pager_session.hpp"
#include "core/image.hpp"

namespace capcode {

struct OpenOptions {
  std::optional<std::string> revision;  // "A2", "A3" or "B": the layout to decode with
  bool force = false;                   // show a file that fails the checks anyway
  std::optional<std::string> dataDirectory;
};

class OpenedConfiguration {
 public:
  // Status-log lines go to `log`, messages to `err`. Throws std::runtime_error when standard
  // input cannot be read.
  OpenedConfiguration(const std::string& path, const OpenOptions& options, std::istream& in,
                      std::ostream& log, std::ostream& err);
  ~OpenedConfiguration();

  bool loaded() const { return loaded_; }  // accepted, or shown anyway with --force
  bool failedChecks() const { return !failure_.empty(); }
  const std::string& failure() const { return failure_; }  // the log line of the refusal
  ProgramState& state() { return program_->state(); }
  PagerSession& program() { return *program_; }
  ConsoleFeedback& feedback() { return feedback_; }
  // The file's first 2048 bytes as read (0xFF past a short file).
  const Image& bytes() const { return bytes_; }

 private:
  ConsoleFeedback feedback_;
  std::unique_ptr<PagerSession> program_;
  std::string temporary_;  // standard input, saved for the open dialog's answer
  bool loaded_ = false;
  std::string failure_;
  Image bytes_{};
};

// "A2" -> 0, "A3" -> 1, "B" -> 2; nothing for anything else.
std::optional<std::uint8_t> revisionNamed(const std::string& name);

}  // namespace capcode
