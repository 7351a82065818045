#include "ui/display_check.hpp"

#include <dlfcn.h>

#include <QDir>
#include <QLibraryInfo>
#include <cstdlib>
#include <string_view>
#include <vector>

namespace capcode::ui {

namespace {

// "wayland;xcb" -> {"wayland", "xcb"}; "offscreen:configfile=x" -> {"offscreen"}.
std::vector<std::string> platformNames(const std::string& list) {
  std::vector<std::string> names;
  std::size_t start = 0;
  while (start <= list.size()) {
    const std::size_t end = std::min(list.find(';', start), list.size());
    const std::string entry = list.substr(start, end - start);
    const std::string name = entry.substr(0, entry.find(':'));
    if (!name.empty()) names.push_back(name);
    start = end + 1;
  }
  return names;
}

bool usable(const std::string& platform, const DisplayEnvironment& environment,
            const DisplayProbes& probes) {
  if (platform == "xcb") {
    return !environment.x11Display.empty() && probes.xServerAnswers(environment.x11Display);
  }
  // Named on purpose, wayland may find its compositor without WAYLAND_DISPLAY (wayland-0).
  if (std::string_view(platform).substr(0, 7) == "wayland") return probes.waylandPluginInstalled();
  return true;
}

std::string variable(const char* name) {
  const char* value = std::getenv(name);
  return value == nullptr ? std::string() : std::string(value);
}

// libxcb's connect, error test and disconnect, as the xcb platform plugin uses them.
bool xServerAnswers(const std::string& display) {
  void* xcb = ::dlopen("libxcb.so.1", RTLD_NOW | RTLD_LOCAL);
  if (xcb == nullptr) return false;  // then the xcb plugin cannot load either
  using Connect = void* (*)(const char*, int*);
  using HasError = int (*)(void*);
  using Disconnect = void (*)(void*);
  auto connect = reinterpret_cast<Connect>(::dlsym(xcb, "xcb_connect"));
  auto hasError = reinterpret_cast<HasError>(::dlsym(xcb, "xcb_connection_has_error"));
  auto disconnect = reinterpret_cast<Disconnect>(::dlsym(xcb, "xcb_disconnect"));
  bool answered = false;
  if (connect != nullptr && hasError != nullptr && disconnect != nullptr) {
    void* connection = connect(display.c_str(), nullptr);
    answered = connection != nullptr && hasError(connection) == 0;
    if (connection != nullptr) disconnect(connection);  // also frees a failed connection
  }
  ::dlclose(xcb);
  return answered;
}

bool waylandPluginInstalled() {
  const QDir platforms(QLibraryInfo::path(QLibraryInfo::PluginsPath) + "/platforms");
  return !platforms.entryList({"libqwayland*.so"}, QDir::Files).isEmpty();
}

}  // namespace

bool displayUsable(const DisplayEnvironment& environment, const DisplayProbes& probes) {
  std::vector<std::string> names = platformNames(environment.platforms);
  if (names.empty()) {
    if (!environment.waylandDisplay.empty() && probes.waylandPluginInstalled()) return true;
    names.emplace_back("xcb");
  }
  for (const std::string& name : names) {
    if (usable(name, environment, probes)) return true;
  }
  return false;
}

DisplayEnvironment processDisplayEnvironment(int argc, char** argv) {
  DisplayEnvironment environment;
  environment.platforms = variable("QT_QPA_PLATFORM");
  for (int i = 1; i + 1 < argc; ++i) {
    const std::string_view arg = argv[i];
    if (arg == "-platform" || arg == "--platform") environment.platforms = argv[i + 1];
  }
  environment.x11Display = variable("DISPLAY");
  environment.waylandDisplay = variable("WAYLAND_DISPLAY");
  return environment;
}

DisplayProbes systemDisplayProbes() {
  return {xServerAnswers, waylandPluginInstalled};
}

}  // namespace capcode::ui
