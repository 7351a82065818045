#pragma once
// What the last Read from Pager and the last Write to Pager did, as values a caller decides on
// (the status-log lines they write are for the person and may be worded as the window likes).

#include <cstdint>
#include <string_view>

namespace capcode {

enum class PagerOutcome : std::uint8_t {
  NotRun,                // no such command has run yet
  NoDevice,              // the read (or a write's read-back of the pager) failed: no programmer,
                         // no pager, an error reply; nothing was written
  ReadChecksumBad,       // the image read fails its checksum; nothing was written
  ModelMismatch,         // read: the pager is for another model
  Cancelled,             // read: the person cancelled the debug save
  ReadCompleted,         // read: the image is in the window
  RefusedBeforeWrite,    // write: the hook before the transfer refused (threw); nothing written
  WriteNotAcknowledged,  // write: the pager stopped acknowledging (parallel port)
  VerifyMismatch,        // write: the verify pass read back something else (or could not read)
  Verified,              // write: written and read back the same
  TransferFailed,        // write: the programmer went away, replied an error or timed out
  Interrupted,           // an error ended the command (the general error notice said why)
};

struct PagerCommandOutcome {
  PagerOutcome what = PagerOutcome::NotRun;
  // The transfer's result byte as the command left it in ProgramState::TransferResult
  // (0 not acknowledged, 1 verify mismatch, 2 verified, 3 read, 255 failure).
  std::uint8_t transferResult = 0;
  // Some of the write reached the pager: over USB a write-block report was sent (whatever its
  // reply), on the parallel port a data byte of the write was acknowledged. When true the
  // pager may hold part of the new image, capcodes included, whatever `what` says.
  bool writeReachedPager = false;
  // The verify pass after the write started.
  bool verifyRan = false;
};

// A short English name ("verified", "transfer failed", ...) for messages and test output.
std::string_view pagerOutcomeName(PagerOutcome outcome);

}  // namespace capcode
