#include "production/write_result.hpp"

namespace capcode {

PagerResult pagerResultOf(const PagerCommandOutcome& write) {
  if (write.what == PagerOutcome::Verified) return PagerResult::Verified;
  if (write.writeReachedPager) {
    // The pager may hold part of the new image, capcodes included: it keeps them.
    if (write.verifyRan || write.what == PagerOutcome::VerifyMismatch)
      return PagerResult::VerifyFailed;
    return PagerResult::Interrupted;
  }
  switch (write.what) {
    case PagerOutcome::NoDevice:
    case PagerOutcome::TransferFailed:
      return PagerResult::NoDevice;
    default:
      return PagerResult::NotWritten;
  }
}

}  // namespace capcode
