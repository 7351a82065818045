#include "production/write_result.hpp"

#include "link/transfer_engine.hpp"

namespace capcode {

PagerResult pagerResultOf(const ProgramState& state, bool transferStarted, bool completed) {
  if (!transferStarted) {
    // The read-back before the write found no programmer, or refused the pager's image.
    return state.TransferResult == kTransferFailed ? PagerResult::NoDevice
                                                   : PagerResult::NotWritten;
  }
  if (!completed) return PagerResult::Interrupted;
  switch (state.TransferResult) {
    case kVerifyOk:
      return PagerResult::Verified;
    case kVerifyMismatch:
      return PagerResult::VerifyFailed;
    case kWriteNotAcknowledged:
      return PagerResult::NotWritten;
    case kTransferFailed:
      return PagerResult::NoDevice;
    default:
      return PagerResult::Interrupted;
  }
}

}  // namespace capcode
