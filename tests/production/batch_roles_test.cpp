// The roles a pager's rows are recorded with: a row whose capcode changes from pager to pager
// is individual, under HW-A also a row that follows a stepping leader's frame.

#include <gtest/gtest.h>

#include "app/window_program.hpp"
#include "core/codec.hpp"
#include "production/batch_plan.hpp"

namespace capcode {
namespace {

TEST(BatchRoles, RowsFollowingAStepLeadersFrameAreIndividualUnderHwA) {
  const struct {
    std::uint8_t revision;
    int row;  // the row stepped
    int step;
    std::vector<int> individual;  // rows recorded as individual
  } cases[] = {
      {kHwA2, 1, 1, {1, 2}},       {kHwA3, 1, 7, {1, 2}}, {kHwA2, 1, 8, {1}},
      {kHwA2, 3, 2, {3, 4, 5, 6}}, {kHwA2, 3, 8, {3}},    {kHwB, 1, 1, {1}},
      {kHwB, 3, 2, {3}},           {kHwA2, 2, 1, {2}},    {kHwA2, 4, 3, {4}},
  };
  for (const auto& c : cases) {
    SilentFeedback quiet;
    WindowProgram state(quiet);
    state.ConfigImage = defaultImageA();
    state.event([&] { decodeImage(state); });
    state.HardwareRevision = c.revision;
    state.form.setIndex(rowControlName("autoinc", c.row), c.step);
    std::vector<int> individual;
    for (const RecordedAddress& a : currentAddresses(state))
      if (a.role == AddressRole::Individual) individual.push_back(a.row);
    EXPECT_EQ(individual, c.individual)
        << "revision " << int(c.revision) << " row " << c.row << " step " << c.step;
  }
}

}  // namespace
}  // namespace capcode
