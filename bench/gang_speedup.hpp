#pragma once
// The gain of programming on several boxes at once: the time of 16 pagers on one simulated box
// against the time of the same 16 on four, each box taking 5 ms to answer a report as a real
// one does. The host's own work (start-up, plan, encoding) is in both times.

#include <chrono>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "cli/commands.hpp"

namespace capcode::bench {

// Seconds for `pagers` pagers on `boxes` simulated boxes in `folder` (which holds config.eep);
// negative when the batch failed.
inline double gangSeconds(const std::string& folder, const std::string& dataDir, int boxes,
                          int pagers) {
  std::vector<std::string> args{
      "write",       folder + "/config.eep", "--count", std::to_string(pagers), "--autoinc", "1=1",
      "--no-ledger", "--data-dir",           dataDir,   "--sim-report-ms",      "5"};
  for (int box = 1; box <= boxes; ++box) {
    const std::string image = folder + "/box" + std::to_string(box) + ".eep";
    std::filesystem::copy_file(folder + "/config.eep", image,
                               std::filesystem::copy_options::overwrite_existing);
    args.insert(args.end(), {"--sim-usb", image});
    if (boxes > 1) args.insert(args.end(), {"--device", "SIM-" + std::to_string(box)});
  }
  const int rounds = (pagers + boxes - 1) / boxes;
  std::istringstream enters(std::string(static_cast<std::size_t>(rounds - 1), '\n'));
  std::ostringstream sink;
  CommandIo io{enters, sink, sink, false};
  const auto start = std::chrono::steady_clock::now();
  const int status = runCapcode(args, io);
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  return status == 0 ? seconds : -1;
}

// The time of 16 pagers on one box over the time on four; negative when a batch failed.
inline double gangSpeedup(const std::string& folder, const std::string& dataDir) {
  // Row 1 well away from the other rows, so that 16 steps of 1 meet none of them.
  std::istringstream save("set address1 2010000\nleave address1\nsave " + folder + "/config.eep\n");
  std::ostringstream sink;
  CommandIo saving{save, sink, sink, false};
  if (runCapcode({"script", "--data-dir", dataDir}, saving) != 0) return -1;
  const double one = gangSeconds(folder, dataDir, 1, 16);
  const double four = gangSeconds(folder, dataDir, 4, 16);
  return one > 0 && four > 0 ? one / four : -1;
}

}  // namespace capcode::bench
