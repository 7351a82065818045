#pragma once
// Whether a configuration's bytes are laid out for a hardware revision. The file carries no
// mark of the revision it was saved at, and the decoder trusts the revision it is given: an
// HW-A file read at HW-B (or the other way round) loads without a word and a save or a pager
// write then rewrites every capcode. A file decodes cleanly at a revision when
//  - decoding it and encoding the result again gives back the file's own bytes, apart from the
//    few bytes every save rewrites whatever the file held (see rewrittenOnEverySave), and
//  - no address rule refuses a row (range, duplicate, frame) while it is opened.
// The checks run in a scratch program of their own (offline: no programmer), put back to what
// its start-up left before each check, so they change nothing a caller holds.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/startup.hpp"
#include "core/image.hpp"

namespace capcode {

class ProgramState;
class WatchingFeedback;

// One program brought up offline (no programmer is looked for) for the revision checks and for
// opening saved bytes again: started on first use, then put back before each use to what its
// start-up left (every control, both images and the shared values), so that any number of
// checks in it give what each would give in a newly started program. Not for the window.
class ScratchProgram {
 public:
  explicit ScratchProgram(StartupOptions startup);
  ~ScratchProgram();
  ScratchProgram(const ScratchProgram&) = delete;
  ScratchProgram& operator=(const ScratchProgram&) = delete;

  // The program as its start-up left it, at `revision` (selected as a person selects it), with
  // the rules' refusals and the feedback's record cleared. Starts the program on the first
  // call; throws std::runtime_error when it cannot start. Owned by this object.
  ProgramState& asStarted(std::uint8_t revision);
  // What the program showed since asStarted (nothing goes to a person); its `answer` is the
  // next file dialog's path.
  WatchingFeedback& feedback();
  const StartupOptions& startup() const { return startup_; }

 private:
  struct Started;
  Started& started();  // brought up on first use
  StartupOptions startup_;
  std::unique_ptr<Started> started_;
};

// "A2" -> HW-A2, "A3" -> HW-A3, "B" -> HW-B; nothing for anything else.
std::optional<std::uint8_t> revisionNamed(const std::string& name);
// HW-A2 -> "A2", as --revision spells it.
std::string revisionOptionName(std::uint8_t revision);
// HW-A2 -> "HW-A2", as the window's menu item shows it.
std::string revisionCaption(std::uint8_t revision);

// Steps the window's hidden revision item (HW-A2 -> HW-A3 -> HW-B -> HW-A2) until `revision`
// is selected, as a person at the window would; at most three clicks.
void selectRevision(ProgramState& state, std::uint8_t revision);

// True when the byte at `offset` is one a save rewrites from something other than the setting
// the file holds there, so that a difference in it says nothing about the layout:
//  - 0x7FF, the checksum, follows the other bytes;
//  - the channel step (HW-A 0x01E-0x01F, HW-B 0x029-0x02A) is written from the step the
//    frequency rule last worked out and never read back;
//  - 0x269 holding 0 (an amplifier never set, as in the built-in HW-A image) is read as the
//    factory default 3 and saved as 3.
bool rewrittenOnEverySave(std::size_t offset, std::uint8_t revision, std::uint8_t fileByte);

// "bytes 0x000-0x013, 0x3FF": image offsets, in ascending order, as runs.
std::string offsetRuns(const std::vector<std::size_t>& offsets);

struct DecodeCheck {
  std::uint8_t revision = 0;
  bool converted = true;             // the decoded settings could be encoded at all
  std::vector<std::size_t> changed;  // offsets a decode and encode would change
  std::vector<std::string> refused;  // address fields a rule put the focus back on
  bool clean() const { return converted && changed.empty() && refused.empty(); }
};

// Decodes and encodes `file` at `revision`, and opens it there as File > Open does after its
// checks, watching the address rules; in `scratch`, or in a scratch program of its own. Throws
// std::runtime_error when the program cannot start.
DecodeCheck checkDecode(ScratchProgram& scratch, const Image& file, std::uint8_t revision);
DecodeCheck checkDecode(const Image& file, std::uint8_t revision, const StartupOptions& startup);

struct RevisionCheck {
  DecodeCheck chosen;
  std::vector<std::uint8_t> cleanElsewhere;  // the other revisions that decode cleanly
  // One line for a person: why the file was refused at the chosen revision and, when another
  // revision decodes it cleanly, which option to give. Empty when the chosen one is clean.
  std::string refusal() const;
};

// The check at `chosen`, and when that is not clean, at the two other revisions; all in
// `scratch`, or in one scratch program of its own.
RevisionCheck checkRevisions(ScratchProgram& scratch, const Image& file, std::uint8_t chosen);
RevisionCheck checkRevisions(const Image& file, std::uint8_t chosen, const StartupOptions& startup);

}  // namespace capcode
