#include "ui/main_window.hpp"

#include <QApplication>
#include <QCloseEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QSocketNotifier>
#include <QTabWidget>
#include <QTimer>
#include <QWindow>

#include "core/file_io.hpp"
#include "link/hidapi_backend.hpp"
#include "ui/ledger_status_line.hpp"
#include "ui/window_layout.hpp"
#include "ui/window_menu.hpp"

namespace capcode::ui {

MainWindow::MainWindow(const WindowOptions& options)
    : feedback_(*this, registry_, hold_, [this] { refresh(); }),
      program_(feedback_, options),
      productionOptions_(options.production),
      ledger_(*this, registry_, hold_, feedback_),
      hold_([this](QObject* watched) { return ledger_.reachableWhileWaiting(watched); }),
      state_(program_.state()),
      hardware_(&program_.hardware()),
      links_(&program_.links()),
      fit_(*this, registry_) {
  events_.key = [this](const std::string& c, char k, std::size_t caret, std::size_t selected) {
    std::size_t after = caret;
    typing_ = true;
    act([&] { after = state_.form.userKey(c, k, FormModel::Caret{caret, selected}); });
    typing_ = false;
    return after;
  };
  // A paste (or a cut) is replayed as the keystrokes it stands for, through the key filter
  // and the typing limit; the characters refused sound one beep, not one each.
  events_.replaced = [this](const std::string& c, std::size_t at, std::size_t removed,
                            const std::string& inserted) {
    std::size_t caret = at;
    feedback_.muteBeeps();
    typing_ = true;
    act([&] {
      std::size_t selected = removed;
      if (inserted.empty() && selected > 0) {
        caret = state_.form.userKey(c, '\b', FormModel::Caret{caret, selected});
      }
      for (const char k : inserted) {
        caret = state_.form.userKey(c, k, FormModel::Caret{caret, selected});
        selected = 0;
      }
    });
    typing_ = false;
    if (feedback_.unmuteBeeps()) feedback_.beep();
    return caret;
  };
  events_.left = [this](const std::string& c) { act([&] { state_.form.leave(c); }); };
  events_.picked = [this](const std::string& c, int i) {
    act([&] {
      if (state_.form.reachable(c)) state_.form.userPick(c, i);
    });
  };
  events_.clicked = [this](const std::string& c) {
    act([&] {
      if (state_.form.reachable(c)) state_.form.userClick(c);
    });
  };
  // A file-size limit or a full disk ends a ledger write or a save in a notice; the window goes
  // on, and the simulated pagers' images are still saved when it closes.
  survivesFileSizeLimit();
  buildWindowMenu(menuBar(), state_.form, registry_, events_, this);
  buildPages();
  connect(registry_.ledgerLine->recordsButton(), &QPushButton::clicked, this,
          [this] { showLedgerRecords(); });
}

MainWindow::~MainWindow() = default;

bool MainWindow::start() {
  const bool started = program_.startUp();
  refresh();
  if (!started) return false;
  ledger_.start(program_, productionOptions_, [this] { return busy_; });
  registry_.tabs->setCurrentWidget(registry_.pages.at("feature"));  // made now, the others later
  watchDevices();
  // The HID controller's first scan, once the event loop runs.
  QTimer::singleShot(0, this, [this] { deviceChange(); });
  return true;
}

void MainWindow::openFile(const std::string& path) {
  feedback_.answerNextDialog(path);
  events_.clicked("Open1");
  feedback_.answerNextDialog(std::nullopt);
}

QWidget* MainWindow::widget(const std::string& name) const {
  auto it = registry_.widgets.find(name);
  if (it == registry_.widgets.end()) {
    // A control of a page not made yet: the pages are made now (asking changes no state the
    // caller can see but the widgets that exist).
    const_cast<MainWindow*>(this)->buildAllPages();
    it = registry_.widgets.find(name);
  }
  return it == registry_.widgets.end() ? nullptr : it->second;
}

QAction* MainWindow::action(const std::string& name) const {
  const auto it = registry_.actions.find(name);
  return it == registry_.actions.end() ? nullptr : it->second;
}

QWidget* MainWindow::page(const std::string& name) const {
  const auto it = registry_.pages.find(name);
  if (it == registry_.pages.end()) return nullptr;
  const_cast<MainWindow*>(this)->buildAllPages();  // its controls are there when it is asked for
  return it->second;
}

void MainWindow::act(const std::function<void()>& action) {
  if (ledger_.waiting()) {
    // A menu command while a write waits for its record: it would run in the middle of it.
    feedback_.log("The ledger has not answered yet: try again once it has");
    QApplication::beep();
    return;
  }
  // Events run one at a time: the progress dialog lets the window repaint during a transfer,
  // and a device change arriving then waits until the transfer is over.
  const bool outermost = !busy_;
  busy_ = true;
  state_.event(action);
  if (outermost) {
    busy_ = false;
    hold_.release();
  }
  refresh();
  // The line shows the last count: writes and File > Open count again, other events ask the
  // ledger nothing (a server may be a network round trip away).
  if (outermost && !typing_) ledger_.refreshLine();
  if (std::string target = feedback_.takeFocus(); !target.empty()) {
    QWidget* field = widget(target);
    if (field != nullptr && field->isVisible() &&
        registry_.tabs->currentWidget()->isAncestorOf(field)) {
      focusControl(target);
    } else {
      // The person is on the way to another page (the tab is changing now): bring the field's
      // page back once that change is done, not in the middle of it.
      BoundLineEdit::focusComingBack = target;
      QTimer::singleShot(0, this, [this, target] {
        BoundLineEdit::focusComingBack.clear();
        focusControl(target);
      });
    }
  }
  if (state_.windowClosed) close();
  if (outermost && deviceChangePending_) {
    deviceChangePending_ = false;
    deviceChange();
  }
}

void MainWindow::focusControl(const std::string& name) {
  QWidget* target = widget(name);
  if (target == nullptr) return;
  // The field that has the focus now was never really entered: it does not run its exit, and
  // neither does the field it came from when its page is brought back.
  BoundLineEdit::focusReturning = true;
  for (const auto& [pageName, scroll] : registry_.pages) {
    if (scroll->isAncestorOf(target) && registry_.tabs->currentWidget() != scroll) {
      registry_.tabs->setCurrentWidget(scroll);
    }
  }
  target->setFocus(Qt::OtherFocusReason);
  if (auto* edit = qobject_cast<QLineEdit*>(target)) edit->selectAll();
  BoundLineEdit::focusReturning = false;
}

void MainWindow::deviceChange() {
  if (busy_ || ledger_.waiting()) {
    deviceChangePending_ = true;
    return;
  }
  act([this] { state_.form.runHandler("HidCtlDeviceChange"); });
}

void MainWindow::watchDevices() {
  if (hardware_->simulatedHid() != nullptr) return;  // simulated boxes come and go by command
  watcher_ = std::make_unique<HidDeviceWatcher>();
  if (watcher_->fd() >= 0) {
    notifier_ = new QSocketNotifier(watcher_->fd(), QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, [this] {
      if (watcher_->drain()) deviceChange();
    });
    return;
  }
  // No device monitor on this system: look again every two seconds.
  rescanTimer_ = new QTimer(this);
  connect(rescanTimer_, &QTimer::timeout, this, [this] { deviceChange(); });
  rescanTimer_->start(2000);
}

void MainWindow::showEvent(QShowEvent* event) {
  QMainWindow::showEvent(event);
  if (fit_.fitted()) return;
  // The shown page is made now; the others once the window has been painted.
  for (const auto& [name, scroll] : registry_.pages) {
    if (scroll == registry_.tabs->currentWidget() && buildPage(name)) refresh();
  }
  fit_.fitOpening();
  if (windowHandle() != nullptr && !pagesPending_) windowHandle()->installEventFilter(this);
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
  // The window's first exposure is painted as it is delivered; a timer started now runs in the
  // event loop's next turn, once the window is on screen. The pages behind the shown one are
  // made then (and the window fitted to every page, see buildAllPages).
  if (watched == windowHandle() && event->type() == QEvent::Expose && !pagesPending_) {
    pagesPending_ = true;
    watched->removeEventFilter(this);
    auto* later = new QTimer(this);
    later->setSingleShot(true);
    connect(later, &QTimer::timeout, this, [this, later] {
      later->deleteLater();
      buildAllPages();
    });
    later->start(0);
  }
  return QMainWindow::eventFilter(watched, event);
}

void MainWindow::moveEvent(QMoveEvent* event) {
  QMainWindow::moveEvent(event);
  fit_.moved();
}

void MainWindow::closeEvent(QCloseEvent* event) {
  feedback_.progressHidden();
  if (const std::string error = hardware_->saveSimulatedImages(); !error.empty()) {
    QMessageBox::warning(this, windowTitle(), QString::fromStdString(error));
  }
  QMainWindow::closeEvent(event);
}

// --- showing the model ---

void MainWindow::refresh() {
  view_.show(state_.form, registry_);
  setWindowTitle(fromBytes(state_.form.at("Form1").caption));
}

// --- building the window ---

void MainWindow::buildPages() {
  setCentralWidget(buildWindowFrame(registry_, state_.form));
  // A click on a row chooses that box; the list itself shows only what the model holds.
  connect(registry_.devices, &QListWidget::itemClicked, this, [this](QListWidgetItem* item) {
    const int row = registry_.devices->row(item);
    act([this, row] {
      state_.form.setIndex("DevListBox", row);
      state_.form.userClick("DevListBox");
    });
  });
  // Connected once every tab is in: adding the first one made it current.
  connect(registry_.tabs, &QTabWidget::currentChanged, this, [this](int index) {
    for (const auto& [name, scroll] : registry_.pages) {
      if (registry_.tabs->indexOf(scroll) == index && buildPage(name)) refresh();
    }
  });
  // The controls take the model's values when the window starts (start() refreshes).
}

bool MainWindow::buildPage(const std::string& name) {
  const ActOnModel run = [this](const std::function<void()>& action) { act(action); };
  return buildWindowPage(registry_, state_.form, events_, run, name);
}

void MainWindow::buildAllPages() {
  bool built = false;
  for (const auto& [name, scroll] : registry_.pages)
    built = buildPage(name) || built;
  if (!built) return;
  // The new controls take the model's values at once, and a window already fitted to the
  // shown page is fitted to every page.
  refresh();
  fit_.fitAgain();
}

}  // namespace capcode::ui
