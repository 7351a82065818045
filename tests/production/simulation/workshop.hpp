#pragma once
// The bench beside the production line: an offline program at each revision that writes a
// scenario's configuration file and reads a pager's bytes back into its capcodes with the
// program's own decoder, and the factory-fresh pager every box is loaded with.

#include <memory>
#include <string>
#include <vector>

#include "app/program.hpp"
#include "ledger/ledger.hpp"
#include "production/simulation/scenario.hpp"

namespace capcode::sim {

class Workshop {
 public:
  // Throws std::runtime_error when a program cannot start.
  explicit Workshop(const StartupOptions& startup);
  ~Workshop();

  // The default image of the scenario's revision with its rows' capcodes and enables, saved by
  // File > Save at `path` (the steps are the window's, not the file's: a run gives them). False when the program refused to save it.
  bool saveConfiguration(const Scenario& scenario, const std::string& path);
  // Rows 1-8 of `bytes` read at `revision` (their roles mean nothing: the steps are not in it).
  std::vector<RecordedAddress> capcodesOf(const Image& bytes, std::uint8_t revision);
  const Image& freshPager() const { return fresh_; }

 private:
  struct Bench;
  std::vector<std::unique_ptr<Bench>> benches_;  // by revision
  Image fresh_{};
};

}  // namespace capcode::sim
