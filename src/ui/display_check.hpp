#pragma once
// Whether the window can reach a screen, decided before the toolkit starts: Qt ends the process
// with SIGABRT when none of its platforms can be used, which a person on SSH or in a container
// should not meet.

#include <functional>
#include <optional>
#include <string>

namespace capcode::ui {

inline constexpr const char* kNoDisplayMessage =
    "no display: run it in a desktop session, or with QT_QPA_PLATFORM=offscreen";

// What Qt will choose its platform from.
struct DisplayEnvironment {
  std::string platforms;       // the -platform argument, else QT_QPA_PLATFORM: "name[:args];..."
  std::string x11Display;      // DISPLAY
  std::string waylandDisplay;  // WAYLAND_DISPLAY
};

// The checks that reach outside the process. Each returns at once on a local display; an X
// server across the network is waited for as long as Qt itself would wait.
struct DisplayProbes {
  std::function<bool(const std::string& display)> xServerAnswers;
  std::function<bool()> waylandPluginInstalled;
};

// True when at least one platform Qt would try can be used: a named platform other than xcb and
// wayland (offscreen, vnc, eglfs...) is taken at its word; xcb needs an X server that accepts a
// connection; wayland needs Qt's wayland plugin. With no platform named, Qt tries wayland (when
// WAYLAND_DISPLAY is set) and then xcb.
bool displayUsable(const DisplayEnvironment& environment, const DisplayProbes& probes);

// The environment of this process; `argv` may carry Qt's own -platform option.
DisplayEnvironment processDisplayEnvironment(int argc, char** argv);

// Probes of this machine: libxcb loaded at run time (no build dependency on it), Qt's plugin
// folder searched for the wayland platform.
DisplayProbes systemDisplayProbes();

}  // namespace capcode::ui
