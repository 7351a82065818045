#pragma once
// The window's part of the ledger that records every WR_To_Pager: the ledger's line under the
// status log and its counts of today's pagers, the wait window while the ledger is slow to
// answer, and the read-only view of its records.

#include <functional>
#include <memory>

#include "production/window_production.hpp"
#include "ui/window_registry.hpp"

class QMainWindow;
class QObject;
class QTimer;

namespace capcode {
class Feedback;
class Program;
}  // namespace capcode

namespace capcode::ui {

class InputHold;
class LedgerWaitWindow;

class WindowLedger {
 public:
  // `window` owns the timers and the windows shown; the ledger's line is found in `registry`;
  // the input is held through `hold` while the ledger is waited for; `feedback` logs a cancel.
  // All are kept by reference and outlive this.
  WindowLedger(QMainWindow& window, const WindowRegistry& registry, InputHold& hold,
               Feedback& feedback);
  ~WindowLedger();
  WindowLedger(const WindowLedger&) = delete;
  WindowLedger& operator=(const WindowLedger&) = delete;

  // Opens the ledger once the start-up is done, and counts today's pagers again every 30 s
  // unless `busy` says a command is running. `program` outlives this.
  void start(Program& program, const ProductionOptions& options, std::function<bool()> busy);
  // Shows the last count taken in on the ledger's line (nothing before start).
  void refreshLine();
  // Waits for the count in flight and shows it: for tests.
  void awaitCount();
  // Opens the read-only view of the ledger's records; returns when it is closed.
  void showRecords();
  // Shown while the ledger is slow to answer; made on the first call.
  LedgerWaitWindow* waitWindow();
  // The ledger is waited for: commands are refused.
  bool waiting() const { return waiting_; }
  // What the person may still reach while the ledger is waited for (false when it is not).
  bool reachableWhileWaiting(QObject* watched) const;

 private:
  // Starts a count of today's pagers for the ledger line, unless a command is running.
  void recount();
  // Run every 20 ms while the ledger is waited for: the window keeps answering (the log, the
  // menus, the wait window's Cancel) and, after a moment, says what it waits for. Commands are
  // refused meanwhile.
  void waitFor(const LedgerWait& wait);

  QMainWindow& window_;
  const WindowRegistry& registry_;
  InputHold& hold_;
  Feedback& feedback_;
  std::function<bool()> busy_;
  // Records every WR_To_Pager once the start-up is done.
  std::unique_ptr<WindowProduction> production_;
  QTimer* recount_ = nullptr;     // other stations' pagers reach the line on this beat
  QTimer* countTaken_ = nullptr;  // a count made on the ledger's thread is taken in
  LedgerWaitWindow* wait_ = nullptr;
  bool waiting_ = false;        // the ledger is waited for: commands are refused
  bool heldForLedger_ = false;  // the input hold was put on for that wait
};

}  // namespace capcode::ui
