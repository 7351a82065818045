#pragma once
// A configuration opened for show, diff and set exactly as File > Open opens it: the checksum
// and edition checks, then the rules that run after an open. The bytes are read by the tool
// first (configuration_input.hpp), so that pipes and other streams work and a folder or an
// endless stream is refused; a stream reaches File > Open through a private temporary file.
// Then the file is checked to decode cleanly at the revision it is opened at
// (app/clean_decode.hpp), in a scratch program kept for the checks of this configuration (and
// for opening saved bytes again), or one the caller shares between several opens: an open
// starts at most two programs, and every further open sharing a scratch program one more.

#include <memory>
#include <optional>
#include <ostream>
#include <string>

#include "app/clean_decode.hpp"
#include "app/program.hpp"
#include "configuration/configuration_input.hpp"
#include "core/watching_feedback.hpp"
#include "core/image.hpp"

namespace capcode {

// Keeps `bytes` in a new private file in $TMPDIR (else /tmp) named after `purpose`; returns its
// path. Throws std::runtime_error when it cannot.
std::string keepInTemporaryFile(const std::vector<std::uint8_t>& bytes, const char* purpose);

// A private temporary copy of some bytes for an open dialog to be answered with; removed with
// this object. Throws std::runtime_error when it cannot be kept.
class TemporaryCopy {
 public:
  TemporaryCopy(const std::vector<std::uint8_t>& bytes, const char* purpose)
      : path_(keepInTemporaryFile(bytes, purpose)) {}
  ~TemporaryCopy();
  TemporaryCopy(const TemporaryCopy&) = delete;
  TemporaryCopy& operator=(const TemporaryCopy&) = delete;
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

// What File > Open made of a file.
struct WindowOpen {
  FileOpenResult result = FileOpenResult::NotRun;
  std::string refusal;  // the open's line when it did not accept the file
  bool accepted() const { return result == FileOpenResult::Opened; }
  // Accepted, or read and refused for its checksum or its edition: its bytes are in the read
  // buffer, and can be shown or compared anyway.
  bool read() const {
    return accepted() || result == FileOpenResult::ChecksumError ||
           result == FileOpenResult::WrongEdition;
  }
};

// File > Open of `path` in `state`, whose feedback is `dialogs` (it answers the dialog). An
// open that ended without refusing the file (an error notice) could not read it either.
WindowOpen openInWindow(ProgramState& state, WatchingFeedback& dialogs, const std::string& path);

struct OpenOptions {
  std::optional<std::string> revision;  // "A2", "A3" or "B": the layout to decode with
  bool force = false;                   // show a file that fails the checks anyway
  std::optional<std::string> dataDirectory;  // the language libraries, if not the defaults
};

// The start-up every open with `options` brings its program up with; a scratch program shared
// between such opens is made with it.
StartupOptions openStartup(const OpenOptions& options);

class OpenedConfiguration {
 public:
  // The open's status-log lines, messages and notices go to `person`, which must outlive this.
  // No programmer is looked for. Throws std::runtime_error when the program cannot start or a
  // stream cannot be kept for the open. The checks run in a scratch program of its own.
  OpenedConfiguration(const ConfigurationInput& input, const OpenOptions& options,
                      Feedback& person);
  // The same, with the checks run in `scratch`, which the caller owns and which must outlive
  // this; made with openStartup(options). A scratch program is put back to its start-up
  // before each check, so any number of opens may share one.
  OpenedConfiguration(const ConfigurationInput& input, const OpenOptions& options,
                      Feedback& person, ScratchProgram& scratch);
  ~OpenedConfiguration();
  OpenedConfiguration(const OpenedConfiguration&) = delete;
  OpenedConfiguration& operator=(const OpenedConfiguration&) = delete;

  bool loaded() const { return loaded_; }  // accepted, or shown anyway with --force
  bool failedChecks() const { return !failure_.empty(); }
  // Why it was refused: the open's log line, or why it does not decode cleanly.
  const std::string& failure() const { return failure_; }
  // The clean-decode check at the revision the file was opened at.
  const RevisionCheck& revisionCheck() const { return revisionCheck_; }
  // The revision the file was opened and checked at.
  std::uint8_t revision() const { return revision_; }
  ProgramState& state() { return program_->state(); }
  Program& program() { return *program_; }
  WatchingFeedback& feedback() { return feedback_; }
  const StartupOptions& startup() const { return program_->startup(); }
  // The program the checks ran in (its own or the shared one), for further checks of this
  // configuration's bytes.
  ScratchProgram& scratch() { return *scratch_; }
  // The file's first 2048 bytes as read (0xFF past a short file).
  const Image& bytes() const { return bytes_; }

 private:
  // `shared` null: a scratch program of its own.
  OpenedConfiguration(const ConfigurationInput& input, const OpenOptions& options,
                      Feedback& person, ScratchProgram* shared);

  WatchingFeedback feedback_;
  std::unique_ptr<Program> program_;
  std::unique_ptr<ScratchProgram> ownScratch_;  // unless the caller shares one
  ScratchProgram* scratch_ = nullptr;           // ownScratch_ or the caller's
  std::optional<TemporaryCopy> temporary_;  // a stream, kept for the open dialog's answer
  std::uint8_t revision_ = kHwB;
  bool loaded_ = false;
  std::string failure_;
  RevisionCheck revisionCheck_;
  Image bytes_{};
};

}  // namespace capcode
