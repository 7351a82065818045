#pragma once
// The programmer's window: a view over the headless window model. Every widget shows the control
// of the same name and follows every change the model makes; what the person does goes to the
// model's rules, never straight into the widget.

#include <QMainWindow>
#include <functional>
#include <memory>
#include <string>

#include "app/program.hpp"
#include "production/window_production.hpp"
#include "ui/bound_widgets.hpp"
#include "ui/control_view.hpp"
#include "ui/input_hold.hpp"
#include "ui/window_feedback.hpp"
#include "ui/window_fit.hpp"
#include "ui/window_ledger.hpp"
#include "ui/window_registry.hpp"

class QAction;
class QListWidget;
class QPlainTextEdit;
class QSocketNotifier;
class QTabWidget;
class QTimer;

namespace capcode {
class HidDeviceWatcher;
}

namespace capcode::ui {

class LedgerStatusLine;
class LedgerWaitWindow;
class ProgressWindow;

struct WindowOptions : ProgramOptions {
  // Where every WR_To_Pager is recorded.
  ProductionOptions production;
};

// The window's rooms: what it is made of (WindowRegistry, filled by window_layout and
// window_menu), how the model is shown on it (ControlView), what the program does to the person
// (WindowFeedback, InputHold), its size on the screen (WindowFit) and the ledger's part
// (WindowLedger). The window itself runs the events through the model and makes the pages.
class MainWindow final : public QMainWindow {
 public:
  // Throws std::runtime_error when the hardware options cannot be met.
  explicit MainWindow(const WindowOptions& options);
  ~MainWindow() override;

  // Runs the start-up, then opens the ledger that records every WR_To_Pager; false (after
  // showing why) when the window cannot open.
  bool start();

  ProgramState& state() { return state_; }
  ProgrammerLinks& links() { return *links_; }
  HardwareSetup& hardware() { return *hardware_; }
  QWidget* widget(const std::string& name) const;
  QAction* action(const std::string& name) const;
  QTabWidget* pages() const { return registry_.tabs; }
  QWidget* page(const std::string& name) const;
  QPlainTextEdit* statusLog() const { return registry_.log; }
  QListWidget* deviceList() const { return registry_.devices; }
  // The ledger at a glance, under the status log.
  LedgerStatusLine* ledgerStatusLine() const { return registry_.ledgerLine; }
  // Opens the read-only view of the ledger's records ("Ledger…"); returns when it is closed.
  void showLedgerRecords() { ledger_.showRecords(); }
  // Made on the first call (the first transfer); owned by the window.
  ProgressWindow* progressWindow() const { return feedback_.progressWindow(); }
  // Shown while the ledger is slow to answer; made on the first call, owned by the window.
  LedgerWaitWindow* ledgerWaitWindow() { return ledger_.waitWindow(); }
  // Waits for the ledger's count in flight and shows it on the ledger line: for tests; the
  // window itself takes counts in as they come and never waits for one.
  void awaitLedgerCount() { ledger_.awaitCount(); }

  // File > Open with its dialog answered by `path`: the same log lines, checks and beeps.
  void openFile(const std::string& path);
  // Runs one window event through the model, then shows the result.
  void act(const std::function<void()>& action);
  // A device-change notification from the system.
  void deviceChange();
  // The size that shows every page without scroll bars and the status log with eight lines,
  // within `available` (the screen's free area); the window is resized to it and its frame
  // centred on `available`, within it.
  void fitTo(const QRect& available) { fit_.fitTo(available); }
  // The status log's height for that many lines.
  int logHeightFor(int lines) const { return fit_.logHeightFor(lines); }

 protected:
  void closeEvent(QCloseEvent* event) override;
  void showEvent(QShowEvent* event) override;
  void moveEvent(QMoveEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void refresh();
  void watchDevices();
  // Brings the control's page to the front, focuses it and selects its text.
  void focusControl(const std::string& name);

  // Building the window: the frame and the menu at once, each page's controls when needed.
  void buildPages();
  // Makes a page's controls unless they are made; true when it made them (the caller refreshes).
  bool buildPage(const std::string& name);
  // Makes every page not made yet, then shows the model on the new controls.
  void buildAllPages();

  // What the window is made of; declared first, it outlives everything that reads it.
  WindowRegistry registry_;
  WindowFeedback feedback_;
  Program program_;
  const ProductionOptions productionOptions_;
  // Records every WR_To_Pager once the start-up is done; goes before the program does.
  WindowLedger ledger_;
  // Drops the person's input while a transfer runs or the ledger is waited for; goes before the
  // ledger does, which it asks what may pass (the feedback and the ledger keep only a reference
  // to it until then).
  InputHold hold_;
  ProgramState& state_;
  HardwareSetup* const hardware_;
  ProgrammerLinks* const links_;
  WidgetEvents events_;
  ControlView view_;
  WindowFit fit_;
  bool pagesPending_ = false;         // the pages behind the shown one are to be made
  bool busy_ = false;                 // an event is running
  bool typing_ = false;               // the event is a keystroke or a paste
  bool deviceChangePending_ = false;  // a device change arrived while it ran
  std::unique_ptr<HidDeviceWatcher> watcher_;
  QSocketNotifier* notifier_ = nullptr;
  QTimer* rescanTimer_ = nullptr;
};

}  // namespace capcode::ui
