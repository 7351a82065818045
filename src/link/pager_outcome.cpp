#include "link/pager_outcome.hpp"

#include "core/enum_text.hpp"

namespace capcode {

namespace {

constexpr EnumText<PagerOutcome> kPagerOutcomeNames[] = {
    {PagerOutcome::NotRun, "not run"},
    {PagerOutcome::NoDevice, "no device"},
    {PagerOutcome::ReadChecksumBad, "read checksum bad"},
    {PagerOutcome::ModelMismatch, "model mismatch"},
    {PagerOutcome::Cancelled, "cancelled"},
    {PagerOutcome::ReadCompleted, "read completed"},
    {PagerOutcome::RefusedBeforeWrite, "refused before the write"},
    {PagerOutcome::WriteNotAcknowledged, "write not acknowledged"},
    {PagerOutcome::VerifyMismatch, "verify mismatch"},
    {PagerOutcome::Verified, "verified"},
    {PagerOutcome::TransferFailed, "transfer failed"},
    {PagerOutcome::Interrupted, "interrupted"},
};
static_assert(namesEachValueOnce(kPagerOutcomeNames, PagerOutcome::Interrupted));

}  // namespace

std::string_view pagerOutcomeName(PagerOutcome outcome) {
  return enumText(kPagerOutcomeNames, outcome, "unknown");
}

}  // namespace capcode
