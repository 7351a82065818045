#pragma once
// The programmer's window: a view over the headless window model. Every widget shows the control
// of the same name and follows every change the model makes; what the person does goes to the
// model's rules, never straight into the widget.

#include <QMainWindow>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/program.hpp"
#include "core/feedback.hpp"
#include "production/window_production.hpp"
#include "ui/bound_widgets.hpp"

class QAction;
class QLabel;
class QListWidget;
class QPlainTextEdit;
class QSocketNotifier;
class QSplitter;
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

class MainWindow final : public QMainWindow, private Feedback {
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
  QTabWidget* pages() const { return pages_; }
  QWidget* page(const std::string& name) const;
  QPlainTextEdit* statusLog() const { return memo_; }
  QListWidget* deviceList() const { return devices_; }
  // The ledger at a glance, under the status log.
  LedgerStatusLine* ledgerStatusLine() const { return ledgerLine_; }
  // Opens the read-only view of the ledger's records ("Ledger…"); returns when it is closed.
  void showLedgerRecords();
  // Made on the first call (the first transfer); owned by the window.
  ProgressWindow* progressWindow() const;
  // Shown while the ledger is slow to answer; made on the first call, owned by the window.
  LedgerWaitWindow* ledgerWaitWindow();
  // Waits for the ledger's count in flight and shows it on the ledger line: for tests; the
  // window itself takes counts in as they come and never waits for one.
  void awaitLedgerCount();

  // File > Open with its dialog answered by `path`: the same log lines, checks and beeps.
  void openFile(const std::string& path);
  // Runs one window event through the model, then shows the result.
  void act(const std::function<void()>& action);
  // A device-change notification from the system.
  void deviceChange();
  // The size that shows every page without scroll bars and the status log with eight lines,
  // within `available` (the screen's free area); the window is resized to it and its frame
  // centred on `available`, within it.
  void fitTo(const QRect& available);
  // The status log's height for that many lines.
  int logHeightFor(int lines) const;

 protected:
  void closeEvent(QCloseEvent* event) override;
  void showEvent(QShowEvent* event) override;
  void moveEvent(QMoveEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  // Feedback
  void log(std::string_view line) override;
  void beep() override;
  void focus(std::string_view control) override;
  void message(std::string_view text) override;
  void errorNotice(std::string_view text) override;
  std::optional<std::size_t> ask(const Question& question) override;
  using Feedback::ask;
  void warning(std::string_view text) override;
  std::optional<std::string> chooseFile(const FileDialogRequest& request) override;
  void progressShown(std::string_view caption) override;
  void progressCaption(std::string_view caption) override;
  void progressMoved(int position, int maximum) override;
  void progressHidden() override;

  void refresh();
  void refreshLedgerLine();
  // DevListBox as the model lists it: its rows and the box in use.
  void refreshDeviceList();
  // Starts a count of today's pagers for the ledger line, unless a command is running.
  void recountLedger();
  // Run every 20 ms while the ledger is waited for: the window keeps answering (the log, the
  // menus, the wait window's Cancel) and, after a moment, says what it waits for. Commands are
  // refused meanwhile.
  void waitForLedger(const LedgerWait& wait);
  // What the person may still reach while the ledger is waited for.
  bool reachableWhileWaiting(QObject* watched) const;
  void refreshControl(const Control& control, QWidget* widget);
  void watchDevices();
  // Brings the control's page to the front, focuses it and selects its text.
  void focusControl(const std::string& name);
  // While a transfer runs: a busy cursor, and the person's input is dropped, not queued.
  void holdInput();
  void releaseInput();
  // Shows a modal box: the person can answer it even while a transfer holds the input.
  void runModal(const std::function<void()>& show);

  // Building the window.
  friend class WindowBuilder;
  void buildMenu();
  void buildPages();
  // Makes a page's controls unless they are made; true when it made them (the caller refreshes).
  bool buildPage(const std::string& name);
  // Makes every page not made yet, then shows the model on the new controls.
  void buildAllPages();

  Program program_;
  const ProductionOptions productionOptions_;
  // Records every WR_To_Pager once the start-up is done; goes before the program does.
  std::unique_ptr<WindowProduction> production_;
  ProgramState& state_;
  HardwareSetup* const hardware_;
  ProgrammerLinks* const links_;
  WidgetEvents events_;
  std::map<std::string, QWidget*> widgets_;
  std::map<std::string, QAction*> actions_;
  std::map<std::string, QWidget*> pageWidgets_;
  // Labels of the design that are not controls of their own: shown while their control is.
  std::vector<std::pair<QWidget*, std::string>> followers_;
  QTabWidget* pages_ = nullptr;
  QSplitter* split_ = nullptr;
  QPlainTextEdit* memo_ = nullptr;
  QListWidget* devices_ = nullptr;  // DevListBox: the programmer boxes present
  LedgerStatusLine* ledgerLine_ = nullptr;
  QTimer* ledgerRecount_ = nullptr;     // other stations' pagers reach the line on this beat
  QTimer* ledgerCountTaken_ = nullptr;  // a count made on the ledger's thread is taken in
  LedgerWaitWindow* ledgerWait_ = nullptr;
  bool ledgerWaiting_ = false;  // the ledger is waited for: commands are refused
  bool heldForLedger_ = false;  // the input hold was put on for that wait
  std::unique_ptr<QObject> inputHold_;  // the filter that drops input during a transfer
  bool fitted_ = false;                 // the opening size was set when first shown
  bool frameKnown_ = false;             // it was fitted with the frame's real size
  bool pagesPending_ = false;           // the pages behind the shown one are to be made
  int mutedBeeps_ = -1;                 // counting instead of beeping while >= 0 (a paste)
  mutable ProgressWindow* progress_ = nullptr;
  std::string pendingFocus_;
  bool busy_ = false;                 // an event is running
  bool typing_ = false;               // the event is a keystroke or a paste
  bool deviceChangePending_ = false;  // a device change arrived while it ran
  std::unique_ptr<HidDeviceWatcher> watcher_;
  QSocketNotifier* notifier_ = nullptr;
  QTimer* rescanTimer_ = nullptr;
  // The items each list was last given, as the model held them.
  std::map<const QWidget*, std::vector<std::string>> shownItems_;
  // How the next file dialog is answered (a file given on the command line).
  std::optional<std::string> dialogAnswer_;
};

}  // namespace capcode::ui
