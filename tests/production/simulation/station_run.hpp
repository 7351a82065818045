#pragma once
// One run of a scenario as a station would play it: a batch on its boxes, or the window with
// its ledger, on simulated boxes that keep virtual time. A run that is to be killed plays in a
// child process of its own; the others in this process.
// The child keeps the ground truth on disk as it goes: every pager the person puts in a box is
// a file of its own holding the bytes that reached it (written before a planned kill, so the
// kill cannot lose them), and a side file names each pager and which ledger records were
// made on it. The process may kill itself (SIGKILL) right after a chosen report.

#include <string>

#include "app/startup.hpp"
#include "production/simulation/scenario.hpp"

namespace capcode::sim {

struct ScenarioFiles {
  std::string folder;
  std::string config;
  std::string list;     // empty for orders without one
  std::string ledger;   // an SQLite file
  std::string sidecar;  // "pager FILE RUN", "record ID FILE", "deliberate ID" lines
  std::string runLog(int run) const { return folder + "/run-" + std::to_string(run) + ".log"; }
};

// The station's name in the records of run `run` (1-based): one of its own for each run, so
// that each record can be traced back to the run and box that made it.
std::string stationOf(const Scenario& scenario, int run);

// How the run's process ended.
struct RunEnd {
  bool killed = false;   // by its planned kill
  bool crashed = false;  // any other signal, or no clean exit
  bool hung = false;     // still running when its time was up
  int status = 0;        // the child's exit status: the BatchEnd, or 0 for the window
  std::string how() const;
};

// Plays run `run` (1-based) of `scenario`; one to be killed in a child process, waited for at
// most 30 s.
RunEnd playRun(const Scenario& scenario, int run, const ScenarioFiles& files,
               const StartupOptions& startup, const Image& freshPager);

}  // namespace capcode::sim
