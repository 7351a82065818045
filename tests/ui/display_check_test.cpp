// Whether the window can reach a screen, from what Qt would choose its platform from.

#include "ui/display_check.hpp"

#include <gtest/gtest.h>

#include <QByteArray>

namespace capcode::ui {
namespace {

struct Case {
  const char* what;
  DisplayEnvironment environment;
  bool xAnswers;
  bool waylandPlugin;
  bool usable;
};

class DisplayCheck : public ::testing::TestWithParam<Case> {};

TEST_P(DisplayCheck, DecidesAsQtWouldStart) {
  const Case& c = GetParam();
  std::vector<std::string> connected;
  const DisplayProbes probes{[&](const std::string& display) {
                               connected.push_back(display);
                               return c.xAnswers;
                             },
                             [&] { return c.waylandPlugin; }};
  EXPECT_EQ(displayUsable(c.environment, probes), c.usable) << c.what;
  for (const std::string& display : connected)
    EXPECT_EQ(display, c.environment.x11Display) << c.what << ": the X server asked";
}

INSTANTIATE_TEST_SUITE_P(
    Environments, DisplayCheck,
    ::testing::Values(
        Case{"an empty environment", {"", "", ""}, true, true, false},
        Case{"an X session", {"", ":0", ""}, true, false, true},
        Case{"DISPLAY without a server behind it", {"", ":97", ""}, false, true, false},
        Case{"a Wayland session with the plugin", {"", "", "wayland-0"}, false, true, true},
        Case{"a Wayland session without the plugin", {"", "", "wayland-0"}, false, false, false},
        Case{"Wayland without the plugin, XWayland", {"", ":1", "wayland-0"}, true, false, true},
        Case{"offscreen asked for", {"offscreen", "", ""}, false, false, true},
        Case{"offscreen with a screen file",
             {"offscreen:configfile=a.json", "", ""},
             false,
             false,
             true},
        Case{"xcb asked for without DISPLAY", {"xcb", "", ""}, true, true, false},
        Case{"xcb asked for, server gone", {"xcb", ":0", ""}, false, true, false},
        Case{"xcb asked for, server there", {"xcb", ":0", ""}, true, false, true},
        Case{"wayland asked for, no plugin", {"wayland", "", "wayland-0"}, true, false, false},
        Case{"a list whose second entry works", {"wayland;xcb", ":0", ""}, true, false, true},
        Case{"a list where nothing works", {"wayland;xcb", "", ""}, true, false, false}),
    [](const auto& info) { return "case" + std::to_string(info.index); });

TEST(DisplayEnvironment, QtsPlatformArgumentOverridesTheVariable) {
  const QByteArray before = qgetenv("QT_QPA_PLATFORM");
  setenv("QT_QPA_PLATFORM", "xcb", 1);
  char program[] = "capcode-programmer";
  char option[] = "-platform";
  char value[] = "offscreen";
  char* argv[] = {program, option, value, nullptr};
  EXPECT_EQ(processDisplayEnvironment(3, argv).platforms, "offscreen");
  EXPECT_EQ(processDisplayEnvironment(1, argv).platforms, "xcb");
  qputenv("QT_QPA_PLATFORM", before);
}

}  // namespace
}  // namespace capcode::ui
