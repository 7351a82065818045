#include "core/progress_dialog.hpp"

#include <gtest/gtest.h>

#include "support/recording_feedback.hpp"

namespace capcode {
namespace {

TEST(ProgressDialog, ShowsCaptionChangesAndHides) {
  testing::RecordingFeedback feedback;
  ProgressDialog dialog(feedback);
  EXPECT_EQ(dialog.caption(), "Writing to eeprom.Please waiting...");
  EXPECT_EQ(dialog.maximum(), 64);
  dialog.setCaption("Reading data from Pager, please wait...");  // hidden: not shown yet
  dialog.show();
  dialog.show();
  dialog.setMaximum(2048);
  dialog.setPosition(0);
  dialog.step();
  dialog.stepBy(32);
  EXPECT_EQ(dialog.position(), 42);
  dialog.setCaption("Verify data from pager, please wait...");
  dialog.stepBy(5000);
  EXPECT_EQ(dialog.position(), 2048);
  dialog.close();
  dialog.close();
  EXPECT_EQ(feedback.events,
            (std::vector<std::string>{"progress: show Reading data from Pager, please wait...",
                                      "progress: caption Verify data from pager, please wait...",
                                      "progress: hide"}));
}

}  // namespace
}  // namespace capcode
