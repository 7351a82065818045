#include "ui/window_ledger.hpp"

#include <QCoreApplication>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QTimer>
#include <chrono>

#include "core/feedback.hpp"
#include "ui/input_hold.hpp"
#include "ui/ledger_records_dialog.hpp"
#include "ui/ledger_status_line.hpp"
#include "ui/ledger_wait_window.hpp"

namespace capcode::ui {

namespace {

// How often the ledger line counts today's pagers again, in ms: other stations write to a
// shared ledger without this window knowing.
constexpr int kLedgerRecountMillis = 30000;
// How often a count made on the ledger's thread is looked for, in ms.
constexpr int kLedgerCountTakenMillis = 100;
// A wait for the ledger this long shows the wait window: shorter ones pass unseen.
constexpr auto kShowLedgerWait = std::chrono::milliseconds(300);

}  // namespace

WindowLedger::WindowLedger(QMainWindow& window, const WindowRegistry& registry, InputHold& hold,
                           Feedback& feedback)
    : window_(window), registry_(registry), hold_(hold), feedback_(feedback) {}

WindowLedger::~WindowLedger() = default;

void WindowLedger::start(Program& program, const ProductionOptions& options,
                         std::function<bool()> busy) {
  busy_ = std::move(busy);
  production_ = std::make_unique<WindowProduction>(program, options);
  production_->setWaitHook([this](const LedgerWait& wait) { waitFor(wait); });
  refreshLine();
  recount_ = new QTimer(&window_);
  recount_->setObjectName("ledgerRecount");
  recount_->setInterval(kLedgerRecountMillis);
  QObject::connect(recount_, &QTimer::timeout, &window_, [this] { recount(); });
  recount_->start();
  countTaken_ = new QTimer(&window_);
  countTaken_->setInterval(kLedgerCountTakenMillis);
  QObject::connect(countTaken_, &QTimer::timeout, &window_, [this] {
    if (production_->takeCount()) refreshLine();
  });
  countTaken_->start();
}

void WindowLedger::refreshLine() {
  if (!production_) return;
  production_->takeCount();
  registry_.ledgerLine->setStatus(production_->status());
}

void WindowLedger::awaitCount() {
  if (!production_) return;
  production_->awaitCount();
  refreshLine();
}

void WindowLedger::recount() {
  // Mid-transfer the count would only wait behind the pager's record: the next beat counts.
  if (!production_ || busy_()) return;
  production_->refreshStatus();
}

LedgerWaitWindow* WindowLedger::waitWindow() {
  if (wait_ == nullptr) {
    wait_ = new LedgerWaitWindow(&window_, [this] {
      feedback_.log("Ledger: cancel asked; the pager is not written once the ledger has answered");
      production_->cancelWrite();
    });
  }
  return wait_;
}

void WindowLedger::waitFor(const LedgerWait& wait) {
  if (wait.over) {
    waiting_ = false;
    if (wait_ != nullptr) wait_->hide();
    if (heldForLedger_) {
      heldForLedger_ = false;
      hold_.release();
    }
    return;
  }
  if (!waiting_) {
    waiting_ = true;
    // The person's input is held as during a transfer, but for the log, the menus and the
    // wait window.
    if (!hold_.held()) {
      hold_.hold();
      heldForLedger_ = true;
    }
  }
  if (wait.waited >= kShowLedgerWait) {
    const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(wait.waited).count();
    waitWindow()->showWait(QString::fromStdString(production_->status().ledger),
                           QString::fromUtf8(wait.what), static_cast<int>(seconds));
  }
  QCoreApplication::processEvents(QEventLoop::AllEvents);
}

bool WindowLedger::reachableWhileWaiting(QObject* watched) const {
  if (!waiting_) return false;
  // A window's own events (the toolkit hands them on to its widgets, checked then).
  if (watched->isWindowType()) return true;
  const auto* widget = qobject_cast<const QWidget*>(watched);
  if (widget == nullptr) return false;  // a shortcut's action: no command runs meanwhile
  const auto within = [widget](const QWidget* area) {
    return area != nullptr && (area == widget || area->isAncestorOf(widget));
  };
  return within(wait_) || within(registry_.log) || within(window_.menuBar()) ||
         qobject_cast<const QMenu*>(widget->window()) != nullptr;
}

void WindowLedger::showRecords() {
  if (!production_) return;
  LedgerRecordsDialog view(
      [this](std::string_view batch, std::string_view since) {
        return production_->records(batch, since);
      },
      &window_);
  view.exec();
}

}  // namespace capcode::ui
