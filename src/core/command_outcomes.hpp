#pragma once
// What File > Open, File > Save and the rules decided, as values left on the program state for
// a caller to decide on. The status-log lines these commands write are for the person; nothing
// should ever branch on their wording.

#include <cstdint>
#include <optional>
#include <string>

namespace capcode {

enum class FileOpenResult : std::uint8_t {
  NotRun,         // File > Open has not run
  Opened,         // "File loaded": the file is the window's configuration now
  Cancelled,      // the person cancelled the open dialog; nothing changed
  ReadError,      // "Load file error": missing, not a regular file, unreadable
  ChecksumError,  // "File checksum error": read, but its checksum is wrong (a short file too)
  WrongEdition,   // "File not for this model!": its edition tag is not this window's model
};

struct FileOpenOutcome {
  FileOpenResult result = FileOpenResult::NotRun;
  std::string path;  // as chosen in the dialog; empty when cancelled
};

enum class FileSaveResult : std::uint8_t {
  NotRun,       // File > Save has not run
  Saved,        // "ok!": the file holds the window's image
  Cancelled,    // the person cancelled the save dialog; nothing written
  WriteError,   // "write error!": the old file is as it was; `error` says why
  Interrupted,  // an error ended the command before the file was written (encoding the image)
};

struct FileSaveOutcome {
  FileSaveResult result = FileSaveResult::NotRun;
  std::string path;   // as chosen in the dialog; empty when cancelled
  std::string error;  // the system's reason for a WriteError, empty otherwise
};

// Why an address rule refused what stands in a row (the rule beeps, puts the focus back on the
// row and, for all but a missing step, writes one status-log line).
enum class RuleRefusalReason : std::uint8_t {
  CapcodeOutOfRange,  // a capcode of seven digits or more outside the legal ranges
  DuplicateCapcode,   // the same capcode in two compared rows while this row is enabled
  FrameMismatch,      // an HW-A led row not on its leader's frame
  StepMissing,        // the row's auto-increment step was left empty
};

struct RuleRefusal {
  RuleRefusalReason reason = RuleRefusalReason::CapcodeOutOfRange;
  std::string control;  // the control the focus was put back on ("address3", "autoinc2")
  int row = 0;          // its address row, 1-8
  std::string message;  // the status-log line the rule wrote; empty when it wrote none
};

// The rules' refusals since a caller last cleared them: the first tells why a chain of rules
// (advancing the capcodes, say) stopped, the last what the person was told most recently.
struct RuleRefusals {
  std::optional<RuleRefusal> first;
  std::optional<RuleRefusal> last;
  unsigned count = 0;
};

}  // namespace capcode
