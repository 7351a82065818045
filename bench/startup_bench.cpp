// capcode-startup-bench: how long the programmer's window takes to be on screen, as a share of
// a bare QMainWindow's time on the same Qt platform (offscreen unless QT_QPA_PLATFORM says
// otherwise). Each window is started in a process of its own, as a person starts the program:
// the time runs from the process being spawned to its window being exposed (mapped).
//
//   capcode-startup-bench [ROUNDS]   prints bare_window_ms and capcode_window_ms (median and
//                                    quickest of ROUNDS runs each, 9 unless given), their ratio
//                                    (of the quickest runs; of the medians too), and where the
//                                    capcode window's time goes

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QIcon>
#include <QMainWindow>
#include <QTimer>
#include <QWindow>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "app/startup.hpp"
#include "ui/main_window.hpp"

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;

// Waits until the window is exposed (mapped), for at most 30 s. One turn of the event loop at a
// time: given a time, processEvents goes on with whatever the window does after it is on screen
// (the pages it makes then), and that would be counted as start-up. The ticking timer wakes a
// loop that has nothing else to do.
bool waitUntilExposed(QWidget& window) {
  QElapsedTimer waited;
  waited.start();
  QTimer tick;
  tick.start(50);
  while (window.windowHandle() == nullptr || !window.windowHandle()->isExposed()) {
    if (waited.elapsed() > 30000) return false;
    QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
  }
  return true;
}

// The child: one window started as its program starts it, then the time of each step on
// standard output; it ends without tearing down (a person's start-up ends at the window).
int runChild(int argc, char** argv, bool capcodeWindow) {
  const auto begin = Clock::now();
  std::vector<std::pair<const char*, Clock::time_point>> steps;
  QApplication app(argc, argv);
  steps.emplace_back("toolkit", Clock::now());
  std::unique_ptr<QMainWindow> window;
  if (capcodeWindow) {
    // What capcode-programmer does without options: the real hardware back ends.
    capcode::ui::WindowOptions options;
    options.startup.systemDecimalMark = capcode::systemDecimalMark();
    options.startup.dataDirectories = {CAPCODE_DATA_DIR};
    options.hardware.realTimeSimulation = true;
    QApplication::setWindowIcon(QIcon::fromTheme("capcode-programmer"));
    auto programmer = std::make_unique<capcode::ui::MainWindow>(options);
    steps.emplace_back("window built", Clock::now());
    if (!programmer->start()) return 1;
    steps.emplace_back("started", Clock::now());
    window = std::move(programmer);
  } else {
    window = std::make_unique<QMainWindow>();
  }
  window->show();
  steps.emplace_back("shown", Clock::now());
  if (!waitUntilExposed(*window)) return 1;
  steps.emplace_back("exposed", Clock::now());
  for (const auto& [name, at] : steps) {
    std::printf("%s %.2f\n", name, std::chrono::duration<double, std::milli>(at - begin).count());
  }
  std::fflush(stdout);
  _exit(0);
}

struct Run {
  double millis = -1;     // spawn to exposed
  double cpuMillis = -1;  // the processor time the child took, user and system
  std::vector<std::pair<std::string, double>> steps;
};

Run runOnce(const char* self, const char* mode) {
  int out[2];
  if (::pipe2(out, O_CLOEXEC) != 0) return {};
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
  char* const args[] = {const_cast<char*>(self), const_cast<char*>(mode), nullptr};
  pid_t child = -1;
  const auto start = Clock::now();
  const int spawned = posix_spawn(&child, self, &actions, nullptr, args, environ);
  posix_spawn_file_actions_destroy(&actions);
  ::close(out[1]);
  Run run;
  if (spawned != 0) {
    ::close(out[0]);
    return run;
  }
  std::string text;
  char buffer[512];
  pollfd fd{out[0], POLLIN, 0};
  // The child is given 60 s; one that hangs is stopped.
  // The window is on screen when its "exposed" line arrives (the child's exit is not counted).
  Clock::time_point exposed{};
  while (::poll(&fd, 1, 60000) > 0) {
    const ssize_t n = ::read(out[0], buffer, sizeof buffer);
    if (n <= 0) break;
    text.append(buffer, static_cast<std::size_t>(n));
    if (exposed == Clock::time_point{} && text.find("exposed ") != std::string::npos) {
      exposed = Clock::now();
    }
  }
  ::close(out[0]);
  if (exposed == Clock::time_point{}) ::kill(child, SIGKILL);  // it hangs: no window
  int status = 0;
  rusage usage{};
  ::wait4(child, &status, 0, &usage);
  run.cpuMillis = (usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1000.0 +
                  (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1000.0;
  std::size_t at = 0;
  while (at < text.size()) {
    const std::size_t end = text.find('\n', at);
    const std::string line = text.substr(at, end - at);
    const std::size_t space = line.rfind(' ');
    if (space != std::string::npos) {
      run.steps.emplace_back(line.substr(0, space), std::atof(line.c_str() + space + 1));
    }
    if (end == std::string::npos) break;
    at = end + 1;
  }
  if (!run.steps.empty() && run.steps.back().first == "exposed") {
    run.millis = std::chrono::duration<double, std::milli>(exposed - start).count();
  }
  return run;
}

double median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values.empty() ? -1 : values[values.size() / 2];
}

// The quickest run: the one least disturbed by whatever else the machine was doing, which
// lengthens the longer start-up more and so skews a ratio of medians on a busy machine.
double quickest(const std::vector<double>& values) {
  return values.empty() ? -1 : *std::min_element(values.begin(), values.end());
}

}  // namespace

int main(int argc, char** argv) {
  if (argc >= 2 && std::strcmp(argv[1], "--child-bare") == 0) return runChild(argc, argv, false);
  if (argc >= 2 && std::strcmp(argv[1], "--child-capcode") == 0) return runChild(argc, argv, true);
  const int rounds = argc >= 2 ? std::max(1, std::atoi(argv[1])) : 9;
  // The same platform for both; offscreen where nothing else is asked for.
  ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
  char self[4096];
  const ssize_t n = ::readlink("/proc/self/exe", self, sizeof self - 1);
  if (n <= 0) return 1;
  self[n] = '\0';
  std::vector<double> bare;
  std::vector<double> capcode;
  std::vector<double> bareCpu;
  std::vector<double> capcodeCpu;
  std::vector<std::vector<std::pair<std::string, double>>> capcodeSteps;
  runOnce(self, "--child-bare");  // the disk cache warmed for both
  runOnce(self, "--child-capcode");
  for (int i = 0; i < rounds; ++i) {
    const Run b = runOnce(self, "--child-bare");
    const Run c = runOnce(self, "--child-capcode");
    if (b.millis < 0 || c.millis < 0) {
      std::fprintf(stderr, "capcode-startup-bench: a window did not come up\n");
      return 1;
    }
    bare.push_back(b.millis);
    capcode.push_back(c.millis);
    bareCpu.push_back(b.cpuMillis);
    capcodeCpu.push_back(c.cpuMillis);
    capcodeSteps.push_back(c.steps);
  }
  const double bareMs = median(bare);
  const double capcodeMs = median(capcode);
  std::printf("platform: %s\n", std::getenv("QT_QPA_PLATFORM"));
  for (std::size_t s = 0; s < capcodeSteps.front().size(); ++s) {
    std::vector<double> at;
    for (const auto& steps : capcodeSteps)
      at.push_back(steps.at(s).second);
    std::printf("capcode window, %s after %.1f ms\n", capcodeSteps.front()[s].first.c_str(),
                median(at));
  }
  std::printf("bare_window_ms: %.1f (median), %.1f (quickest)\n", bareMs, quickest(bare));
  std::printf("capcode_window_ms: %.1f (median), %.1f (quickest)\n", capcodeMs, quickest(capcode));
  std::printf("window_startup_ratio_median: %.2f\n", capcodeMs / bareMs);
  std::printf("window_startup_ratio: %.2f\n", quickest(capcode) / quickest(bare));
  // The processor time to the window (the child ends once it is exposed): what the start-up
  // costs whatever else the machine is doing.
  std::printf("bare_window_cpu_ms: %.1f\n", median(bareCpu));
  std::printf("capcode_window_cpu_ms: %.1f\n", median(capcodeCpu));
  std::printf("window_startup_cpu_ratio: %.2f\n", median(capcodeCpu) / median(bareCpu));
  return 0;
}
