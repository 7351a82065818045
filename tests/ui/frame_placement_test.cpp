// The frame, not the client area, centred on the screen's free area and kept within it.

#include "ui/frame_placement.hpp"

#include <gtest/gtest.h>

namespace capcode::ui {
namespace {

struct Placement {
  QSize frame;
  QRect available;
  QPoint corner;
};

class CentredFrame : public ::testing::TestWithParam<Placement> {};

TEST_P(CentredFrame, IsCentredAndWithinTheFreeArea) {
  const Placement& p = GetParam();
  const QPoint corner = centredFrameCorner(p.frame, p.available);
  EXPECT_EQ(corner, p.corner);
  const QRect frame(corner, p.frame);
  if (p.available.contains(QRect(p.available.topLeft(), p.frame))) {
    EXPECT_TRUE(p.available.contains(frame));
    EXPECT_LE(std::abs(frame.center().x() - p.available.center().x()), 1);
    EXPECT_LE(std::abs(frame.center().y() - p.available.center().y()), 1);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Screens, CentredFrame,
    ::testing::Values(
        // 1366x768 with a 32-pixel panel at the top: the free area starts below it.
        Placement{{1016, 700}, {0, 32, 1366, 736}, {175, 50}},
        Placement{{1366, 736}, {0, 32, 1366, 736}, {0, 32}},
        // A second screen to the right of the first.
        Placement{{800, 600}, {1920, 0, 1280, 1024}, {2160, 212}},
        // Too large a frame keeps its title bar on the screen.
        Placement{{1400, 800}, {0, 0, 1366, 768}, {0, 0}}));

TEST(FrameMargins, AreTheFramesRimAroundTheClientArea) {
  EXPECT_EQ(frameMargins(QRect(108, 132, 800, 600), QRect(100, 100, 816, 640)),
            QMargins(8, 32, 8, 8));
  EXPECT_TRUE(frameMargins(QRect(0, 0, 800, 600), QRect(0, 0, 800, 600)).isNull());
}

TEST(ClientLimit, LeavesRoomForTheFrame) {
  EXPECT_EQ(clientLimit(QSize(1366, 768), QMargins(8, 32, 8, 8)), QSize(1350, 728));
  EXPECT_EQ(clientLimit(QSize(10, 10), QMargins(8, 32, 8, 8)), QSize(1, 1));
}

}  // namespace
}  // namespace capcode::ui
