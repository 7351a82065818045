// The window while its ledger is slow to answer: a PostgreSQL server that says nothing for
// 30 s, an SQLite file another station has locked. The window keeps answering (measured: the
// longest gap between two timer beats), says what it waits for, refuses commands meanwhile,
// and a Cancel writes nothing.

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <QElapsedTimer>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>

#include "ui/ledger_wait_window.hpp"
#include "ui/window_fixture.hpp"
#include "support/silent_server.hpp"
#include "ledger/sqlite_ledger.hpp"

namespace capcode::ui {
namespace {

// Beats every 10 ms while the window runs, and notes the longest gap between two: the time
// the window did not answer. `each` runs at every beat with the time since the first.
class Beats {
 public:
  explicit Beats(std::function<void(qint64)> each) : each_(std::move(each)) {
    QObject::connect(&timer_, &QTimer::timeout, [this] {
      const qint64 now = clock_.elapsed();
      longest_ = std::max(longest_, now - last_);
      last_ = now;
      each_(now);
    });
    clock_.start();
    timer_.start(10);
  }
  qint64 longestGap() const { return longest_; }

 private:
  std::function<void(qint64)> each_;
  QTimer timer_;
  QElapsedTimer clock_;
  qint64 last_ = 0;
  qint64 longest_ = 0;
};

class WindowLedgerWait : public Window {
 protected:
  void openOnBox(const std::string& pager) {
    open(simulatedBox(pager, defaultImageA()));
    QApplication::processEvents();
  }
  // Accepts a notice that is up, remembering its text.
  void acceptNotice() {
    if (auto* notice = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
      shownMessages << notice->text();
      notice->accept();
    }
  }
  QString waitShown() {
    LedgerWaitWindow* wait = window->ledgerWaitWindow();
    return wait->isVisible() ? wait->text() : QString();
  }
};

// Alt+W on a server that says nothing: the write waits 30 s for the connection, and all that
// time the window answers, the menus open, and a second write is refused, not queued.
TEST_F(WindowLedgerWait, ASilentServerLeavesTheWindowAnswering) {
#ifdef CAPCODE_SANITIZED
  // Timings mean nothing under the sanitizers: a shorter silence, and no gap measured.
  constexpr int kSilence = 5;
#else
  constexpr int kSilence = 30;
#endif
  test::SilentServer silent;
  const std::string server = "postgresql://127.0.0.1:" + std::to_string(silent.port()) +
                             "/capcode?connect_timeout=" + std::to_string(kSilence);
  production.ledger = server;
  openOnBox("capcode_ui_ledger_silent.eep");
  QString waiting;
  bool menuOpened = false;
  bool secondWrite = false;
  Beats beats([&](qint64 since) {
    if (waiting.isEmpty()) waiting = waitShown();
    if (since > 1000 && !secondWrite) {
      secondWrite = true;
      window->action("WriteToPager")->trigger();
    }
    if (since > 1500 && !menuOpened) {
      QMenuBar* bar = window->menuBar();
      QTest::mouseClick(bar, Qt::LeftButton, {}, bar->actionGeometry(bar->actions()[0]).center());
      auto* shown = qobject_cast<QMenu*>(QApplication::activePopupWidget());
      menuOpened = shown != nullptr;
      if (shown) shown->close();
    }
    acceptNotice();
  });
  QElapsedTimer took;
  took.start();
  window->action("WriteToPager")->trigger();
  EXPECT_GE(took.elapsed(), kSilence * 1000 - 5000) << "the server's silence";
  std::printf("window_longest_gap_ms: %lld\n", static_cast<long long>(beats.longestGap()));
#ifndef CAPCODE_SANITIZED
  EXPECT_LT(beats.longestGap(), 100) << "ms without answering";
#endif
  EXPECT_TRUE(waiting.startsWith("Waiting for the ledger " + QString::fromStdString(server) +
                                 " (checking the capcodes): "))
      << waiting.toStdString();
  EXPECT_TRUE(menuOpened);
  EXPECT_TRUE(logLines().contains("The ledger has not answered yet: try again once it has"));
  ASSERT_EQ(shownMessages.size(), 1);
  EXPECT_TRUE(shownMessages[0].startsWith("The pager was not written: the ledger cannot record it"))
      << shownMessages[0].toStdString();
  EXPECT_FALSE(logLines().contains("Verify OK !"));
  EXPECT_FALSE(window->ledgerWaitWindow()->isVisible());
}

// Another station holds the ledger's file locked: the write waits for its record, the person
// presses Cancel, the lock goes. The record made then is completed as not written and the
// pager is not written.
TEST_F(WindowLedgerWait, CancelWhileTheLedgerWaitsWritesNothing) {
  openOnBox("capcode_ui_ledger_locked.eep");
  window->awaitLedgerCount();
  sqlite3* other = nullptr;
  ASSERT_EQ(sqlite3_open(production.ledger->c_str(), &other), SQLITE_OK);
  ASSERT_EQ(sqlite3_exec(other, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr), SQLITE_OK);
  QString waiting;
  qint64 cancelledAt = -1;
  Beats beats([&](qint64 since) {
    if (cancelledAt < 0 && !waitShown().isEmpty()) {
      waiting = waitShown();
      QTest::mouseClick(window->ledgerWaitWindow()->cancelButton(), Qt::LeftButton);
      cancelledAt = since;
      waiting += "|" + waitShown();
    }
    if (cancelledAt >= 0 && since > cancelledAt + 200 && other != nullptr) {
      sqlite3_exec(other, "COMMIT", nullptr, nullptr, nullptr);
      sqlite3_close(other);
      other = nullptr;
    }
    acceptNotice();
  });
  window->action("WriteToPager")->trigger();
  if (other != nullptr) sqlite3_close(other);
  EXPECT_GE(cancelledAt, 0) << "the wait window came up";
  EXPECT_TRUE(waiting.contains("(recording the pager)")) << waiting.toStdString();
  EXPECT_TRUE(waiting.endsWith("Cancelled: the pager is not written once the ledger has answered."))
      << waiting.toStdString();
  EXPECT_TRUE(shownMessages.isEmpty()) << shownMessages.join('\n').toStdString();
  EXPECT_TRUE(logLines().contains(
      "Ledger: cancelled while the ledger answered; the pager was not written"));
  EXPECT_FALSE(logLines().contains("Verify OK !"));
  const auto made = openSqliteLedger(*production.ledger, LedgerOpen::ExistingOnly)->list("");
  ASSERT_EQ(made.size(), 1u);
  EXPECT_EQ(made[0].result, PagerResult::NotWritten);
}

}  // namespace
}  // namespace capcode::ui
