#pragma once
// One production scenario, drawn from a seed: a configuration at a revision, an order (steps, a
// capcode list, or a shared batch of either), and the runs that program it one after another
// on one ledger: which station, a batch on 1-4 boxes or the window, how many pagers, --resume,
// the simulated boxes' faults, the report at which the process is killed, the window's answers.
// The same seed always gives the same scenario, on any machine.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace capcode::sim {

// A small generator of our own: std::uniform_int_distribution differs between libraries, and a
// seed must replay the same scenario everywhere.
class Draw {
 public:
  explicit Draw(std::uint64_t seed) : state_(seed ^ 0x9E3779B97F4A7C15ull) {}
  std::uint64_t next();
  int below(int n) { return n <= 1 ? 0 : static_cast<int>(next() % static_cast<unsigned>(n)); }
  int between(int low, int high) { return low + below(high - low + 1); }
  bool chance(int percent) { return below(100) < percent; }

 private:
  std::uint64_t state_;
};

enum class Order { Steps, List, SharedSteps, SharedList };
enum class RunKind { Batch, Window };

// The process stops dead (SIGKILL) right after box `box` took report `ordinal` of `command`.
struct KillPoint {
  int box = 1;
  std::uint8_t command = 0;
  unsigned ordinal = 0;
};

struct RunPlan {
  int station = 1;
  RunKind kind = RunKind::Batch;
  int boxes = 1;
  int count = 1;         // pagers asked for (a list without it: all its lines)
  bool countGiven = true;
  bool resume = false;
  std::vector<std::string> faults;  // --sim-fault spellings
  std::optional<KillPoint> kill;
  // The window's answers, in turn: to "Program again"/"Cancel" (0 programs again) and to the
  // offer to continue after the last verified pager (0 continues).
  std::vector<int> answers;
  // Before this run the list file is edited: a line appended, or saved again with CR LF.
  bool appendLine = false;
  bool crlf = false;
};

struct RowSetting {
  bool enabled = false;
  std::int32_t capcode = 0;
  int step = 0;
};

struct Scenario {
  std::uint64_t seed = 0;
  std::uint8_t revision = 2;   // HW-A2 0, HW-A3 1, HW-B 2
  RowSetting rows[9];          // rows 1-8 (index 0 unused)
  Order order = Order::Steps;
  std::string listText;        // the capcode list, for list orders
  std::vector<int> named;      // the rows its header names
  std::string extraLine;       // the line a later run appends to it
  int stations = 1;
  std::vector<RunPlan> runs;
  bool shared() const { return order == Order::SharedSteps || order == Order::SharedList; }
  bool listed() const { return order == Order::List || order == Order::SharedList; }
  // Whether row `row` carries a capcode every pager of the order may share: an enabled row
  // that does not come from the list and does not advance (rows 5-8 never do; rows 1-4 by their
  // steps). On HW-A a led row (2, 4-6)
  // moves with its leader's frame by rules of its own: `ledRowShared` says what the records
  // make of it.
  bool sharedRow(int row, bool ledRowShared) const;
};

Scenario makeScenario(std::uint64_t seed);

// The scenario in a few lines a person can read, to replay by its seed.
std::string describe(const Scenario& scenario);

std::string revisionName(std::uint8_t revision);

}  // namespace capcode::sim
