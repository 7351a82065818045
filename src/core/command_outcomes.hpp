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

// Why a rule refused or changed what a person typed, picked or opened. Every such rule beeps,
// puts the focus back on the control or shows a line or a message (as it always did); the
// refusal is recorded beside that, after it.
enum class RuleRefusalReason : std::uint8_t {
  // The address rows ("addressN"; "autoincN" for a step).
  CapcodeOutOfRange,  // a capcode of seven digits or more outside the legal ranges
  DuplicateCapcode,   // the same capcode in two compared rows while this row is enabled
  FrameMismatch,      // an HW-A led row not on its leader's frame
  StepMissing,        // the row's auto-increment step was left empty (focus, no line)
  StepKey,            // a key other than 0-8 or backspace in a step's list (a beep, no line)
  // Keys a field does not take: the key is dropped.
  DigitKey,         // "Number 0-9 and backspace only": a capcode or another numeric field
  HexDigitKey,      // "Number 0-9,A-F and backspace only": a tone pattern
  FolderLengthKey,  // not a digit or backspace in a folder's length (a beep, no line)
  FrequencyKey,     // not a digit or backspace in the frequency (a beep, no line)
  // Values a field does not keep.
  FolderLengthZero,     // "Length should large than ZERO": the length stays 0, focus back
  FolderLengthTrimmed,  // "Out of total length 1024, trim down the length automatic": the
                        // folder just left gave up the excess over the message memory
  FrequencyOutOfRange,  // "Frequency out of range!": outside 100-199 and 400-499 MHz
  ReferenceEmpty,       // the MPU clock's reference frequency emptied: focus back, no line
  // The program as a whole (`control` names the menu item or list; row 0).
  EditionUnsupported,   // "Not yet support in this version!!!" (a message box): the Beeper
                        // edition picked
  LanguageFileMissing,  // "Language file error": no language library found at start-up
  FileNotOpened,        // File > Open refused the file; lastOpen.result says why
  FileNotSaved,         // "write error!": File > Save could not write; lastSave says why
};

struct RuleRefusal {
  RuleRefusalReason reason = RuleRefusalReason::CapcodeOutOfRange;
  std::string control;  // the control refused ("address3", "autoinc2", "frequency", "Open1")
  int row = 0;          // its address row, 1-8; 0 for a control of no address row
  std::string message;  // the status-log line the rule wrote (the message box's text for an
                        // unsupported edition); empty when it wrote none
};

// The rules' refusals since a caller last cleared them: the first tells why a chain of rules
// (advancing the capcodes, say) stopped, the last what the person was told most recently.
struct RuleRefusals {
  std::optional<RuleRefusal> first;
  std::optional<RuleRefusal> last;
  unsigned count = 0;
};

}  // namespace capcode
