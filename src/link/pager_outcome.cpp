#include "link/pager_outcome.hpp"

namespace capcode {

std::string_view pagerOutcomeName(PagerOutcome outcome) {
  switch (outcome) {
    case PagerOutcome::NotRun:
      return "not run";
    case PagerOutcome::NoDevice:
      return "no device";
    case PagerOutcome::ReadChecksumBad:
      return "read checksum bad";
    case PagerOutcome::ModelMismatch:
      return "model mismatch";
    case PagerOutcome::Cancelled:
      return "cancelled";
    case PagerOutcome::ReadCompleted:
      return "read completed";
    case PagerOutcome::RefusedBeforeWrite:
      return "refused before the write";
    case PagerOutcome::WriteNotAcknowledged:
      return "write not acknowledged";
    case PagerOutcome::VerifyMismatch:
      return "verify mismatch";
    case PagerOutcome::Verified:
      return "verified";
    case PagerOutcome::TransferFailed:
      return "transfer failed";
    case PagerOutcome::Interrupted:
      return "interrupted";
  }
  return "unknown";
}

}  // namespace capcode
