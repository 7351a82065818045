#pragma once
// While a transfer runs (or the ledger is waited for) the person's input is dropped, not
// queued: clicks, keys and closing the window would otherwise wait in the queue and act once
// the write is over. A busy cursor shows it. Boxes that ask the person something are still
// answered (runModal).

#include <QObject>
#include <functional>
#include <memory>

namespace capcode::ui {

class InputHold {
 public:
  // What `passes` lets through reaches its widget even while the input is held (asked on
  // every event, so it may change meanwhile).
  explicit InputHold(std::function<bool(QObject*)> passes);
  ~InputHold();
  InputHold(const InputHold&) = delete;
  InputHold& operator=(const InputHold&) = delete;

  // Puts the hold on (nothing when it is on already).
  void hold();
  // Takes it off; what arrived during the last moments of the transfer is dropped too.
  void release();
  bool held() const { return filter_ != nullptr; }
  // Shows a modal box: the person can answer it even while the input is held.
  void runModal(const std::function<void()>& show);

 private:
  std::function<bool(QObject*)> passes_;
  std::unique_ptr<QObject> filter_;  // the application's event filter while held
};

}  // namespace capcode::ui
