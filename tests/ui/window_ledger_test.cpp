// The window's ledger as a technician meets it: the line under the status log after a recorded
// WR_To_Pager, the records view, the ledger's refusal of a repeated capcode after a restart, a
// ledger that cannot be opened, and a window told to keep no record.

#include <gtest/gtest.h>

#include <sys/resource.h>

#include <QAction>
#include <QLabel>
#include <QListWidget>
#include <QProgressBar>
#include <QTableWidget>

#include "ledger/sqlite_ledger.hpp"
#include "ui/ledger_records_dialog.hpp"
#include "ui/ledger_status_line.hpp"
#include "ui/progress_window.hpp"
#include "ui/window_fixture.hpp"

namespace capcode::ui {
namespace {

class WindowLedger : public Window {
 protected:
  // A window on a simulated programmer box whose pager holds image A.
  void openOnBox(const std::string& pager) {
    open(simulatedBox(pager, defaultImageA()));
    QApplication::processEvents();  // the first device-change notification
    ASSERT_TRUE(window->state().UsbMode);
    // Row 1 advances by 1 from pager to pager: each pager's own capcode.
    window->act([this] { window->state().form.userPick("autoinc1", 1); });
  }
  // WR_To_Pager from the menu; true when the progress dialog came up (a transfer ran).
  bool writePager() {
    bool transferred = false;
    const auto watch =
        QObject::connect(window->progressWindow()->bar(), &QProgressBar::valueChanged,
                         [&] { transferred |= window->progressWindow()->isVisible(); });
    window->action("WriteToPager")->trigger();
    QObject::disconnect(watch);
    return transferred;
  }
  // "1=2004000 2=2004008": the enabled rows' capcodes the window shows now.
  QString capcodesShown() {
    QStringList rows;
    for (int row = 1; row <= 8; ++row) {
      const std::string n = std::to_string(row);
      if (window->state().form.checked("addr" + n + "en"))
        rows << QString("%1=%2").arg(row).arg(
            QString::fromStdString(window->state().form.text("address" + n)).toInt());
    }
    return rows.join(' ');
  }
  std::vector<PagerRecord> recorded() {
    return openSqliteLedger(*production.ledger, LedgerOpen::ExistingOnly)->list("");
  }
  // The line once the count in flight is in (the window takes counts in as they come).
  QString ledgerLine() {
    window->awaitLedgerCount();
    return window->ledgerStatusLine()->text();
  }
  // Opens the records view with "Ledger…" and reads it as it first shows.
  struct Seen {
    QStringList capcodes;
    QStringList results;
    QString summary;
  };
  Seen recordsView() {
    Seen seen;
    QTimer::singleShot(0, [&] {
      auto* view = dynamic_cast<LedgerRecordsDialog*>(QApplication::activeModalWidget());
      ASSERT_NE(view, nullptr);
      for (int row = 0; row < view->table()->rowCount(); ++row) {
        seen.results << view->table()->item(row, 4)->text();
        seen.capcodes << view->table()->item(row, 5)->text();
      }
      seen.summary = view->summary()->text();
      view->accept();
    });
    window->ledgerStatusLine()->recordsButton()->click();
    return seen;
  }
};

TEST_F(WindowLedger, ARecordedWriteShowsOnTheLedgerLine) {
  openOnBox("capcode_ui_ledger_line.eep");
  const QString head = "Ledger: " + QString::fromStdString(*production.ledger) +
                       " | Station: bench-1 | Batch: none | ";
  EXPECT_EQ(ledgerLine(), head + "Verified today: 0 | Last: none");
  const QString written = capcodesShown();
  ASSERT_FALSE(written.isEmpty());
  ASSERT_TRUE(writePager());
  EXPECT_EQ(logLines().last(), "Verify OK !");
  EXPECT_EQ(ledgerLine(), head + "Verified today: 1 | Last: " + written);
  EXPECT_FALSE(window->ledgerStatusLine()->warning());
  EXPECT_NE(capcodesShown(), written) << "the capcodes advanced for the next pager";
  ASSERT_EQ(recorded().size(), 1u);
  EXPECT_EQ(recorded()[0].result, PagerResult::Verified);
}

// Another station's pager on the same ledger reaches the line with the next count, which
// clicks that write nothing do not make: they ask the ledger nothing.
TEST_F(WindowLedger, AnotherStationsPagerShowsAtTheNextCount) {
  openOnBox("capcode_ui_ledger_other_station.eep");
  ASSERT_TRUE(writePager());
  const QString afterWrite = ledgerLine();
  ASSERT_TRUE(afterWrite.contains("Verified today: 1 | ")) << afterWrite.toStdString();
  {
    auto other = openSqliteLedger(*production.ledger, LedgerOpen::ExistingOnly);
    PagerRecord record;
    record.host = record.station = "bench-2";
    record.addresses = {{1, 2005000, true, AddressRole::Individual}};
    ASSERT_FALSE(other->beginAttempt(record, false));
    other->finishAttempt(record.id, PagerResult::Verified);
  }
  window->act([this] { window->state().form.userClick("alarm"); });
  window->act([this] { window->state().form.userPick("autoinc2", 1); });
  EXPECT_EQ(ledgerLine(), afterWrite);
  auto* recount = window->findChild<QTimer*>("ledgerRecount");
  ASSERT_NE(recount, nullptr);
  EXPECT_EQ(recount->interval(), 30000);
  recount->setInterval(1);
  QTest::qWait(50);
  EXPECT_TRUE(ledgerLine().contains("Verified today: 2 | Last: 1=2005000"))
      << ledgerLine().toStdString();
}

TEST_F(WindowLedger, TheRecordsViewListsTheWindowsPagersNewestFirst) {
  openOnBox("capcode_ui_ledger_view.eep");
  EXPECT_EQ(recordsView().summary, "0 pagers");
  const QString first = capcodesShown();
  ASSERT_TRUE(writePager());
  const QString second = capcodesShown();
  ASSERT_TRUE(writePager());
  const Seen seen = recordsView();
  EXPECT_EQ(seen.summary, "2 pagers");
  // Newest first; every row but the advancing first one is shared by all pagers.
  auto withRoles = [](const QString& capcodes) {
    QStringList rows = capcodes.split(' ');
    for (int i = 1; i < rows.size(); ++i)
      rows[i] += "(shared)";
    return rows.join(' ');
  };
  EXPECT_EQ(seen.capcodes, QStringList({withRoles(second), withRoles(first)}));
  EXPECT_EQ(seen.results, QStringList({"verified", "verified"}));
}

TEST_F(WindowLedger, AfterARestartARepeatIsRefusedUntilProgramAgain) {
  openOnBox("capcode_ui_ledger_restart.eep");
  const QString capcodes = capcodesShown();
  ASSERT_TRUE(writePager());
  window.reset();  // the window closed; nothing of it is kept

  openOnBox("capcode_ui_ledger_restart.eep");
  ASSERT_EQ(capcodesShown(), capcodes) << "the file's capcodes again";
  const int lines = logLines().size();
  answerNextQuestion("Cancel");
  EXPECT_FALSE(writePager()) << "nothing reached the pager";
  ASSERT_EQ(askedQuestions.size(), 1);
  EXPECT_TRUE(askedQuestions[0].startsWith("The pager was not written: "))
      << askedQuestions[0].toStdString();
  EXPECT_TRUE(askedQuestions[0].endsWith("[Program again|Cancel]"));
  EXPECT_EQ(defaultAnswers, QStringList{"Cancel"}) << "the answer that writes nothing";
  EXPECT_EQ(questionIcons, QList<QMessageBox::Icon>{QMessageBox::Warning});
  EXPECT_EQ(logLines().size(), lines + 1);
  EXPECT_TRUE(logLines().last().startsWith("Ledger: ")) << logLines().last().toStdString();
  EXPECT_EQ(recorded().size(), 1u);
  EXPECT_EQ(capcodesShown(), capcodes);

  answerNextQuestion("Program again");
  EXPECT_TRUE(writePager());
  EXPECT_EQ(logLines().last(), "Verify OK !");
  const std::vector<PagerRecord> records = recorded();
  ASSERT_EQ(records.size(), 2u);
  EXPECT_EQ(records[1].result, PagerResult::Verified);
  EXPECT_EQ(records[1].addresses, records[0].addresses) << "the returned pager, programmed again";
  EXPECT_TRUE(ledgerLine().contains("Verified today: 2"));
}

// A technician answers a box with Enter by reflex: on the refusal of a repeated capcode Enter,
// Escape and Space write nothing; "Program again" takes a click or its accelerator (Alt+P), and
// the keyboard's focus never reaches it.
TEST_F(WindowLedger, KeysOnTheRefusalWriteNothingButItsAccelerator) {
  openOnBox("capcode_ui_ledger_keys.eep");
  const QString capcodes = capcodesShown();
  ASSERT_TRUE(writePager());
  window->act([&] {
    window->state().form.setText("address1", capcodes.section(' ', 0, 0).section('=', 1).toStdString());
    window->state().form.leave("address1");
  });
  const std::vector<std::pair<Qt::Key, bool>> cases = {
      {Qt::Key_Return, false}, {Qt::Key_Enter, false}, {Qt::Key_Escape, false},
      {Qt::Key_Space, false}};
  for (const auto& [key, writes] : cases) {
    pressOnNextBox(key);
    EXPECT_EQ(writePager(), writes) << key;
    EXPECT_EQ(recorded().size(), 1u) << key;
  }
  EXPECT_EQ(defaultAnswers, QStringList(4, "Cancel"));
  // A deliberate click programs it again.
  QTimer::singleShot(0, [] {
    auto* shown = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    ASSERT_NE(shown, nullptr);
    for (QAbstractButton* button : shown->buttons()) {
      if (button->text() != "&Program again") continue;
      EXPECT_EQ(button->focusPolicy(), Qt::NoFocus);
      QTest::mouseClick(button, Qt::LeftButton);
    }
    if (shown->isVisible()) shown->reject();
  });
  EXPECT_TRUE(writePager());
  EXPECT_EQ(recorded().size(), 2u);
  // The log never says a write began that the ledger stopped.
  const QStringList lines = logLines();
  for (int i = 1; i < lines.size(); ++i) {
    if (lines[i].startsWith("Ledger: capcode")) {
      EXPECT_NE(lines[i - 1], "Write to Pager...") << lines[i].toStdString();
    }
  }
}

// A file-size limit reached by the ledger's record (as a full disk would be): a notice, never
// the signal that kills the process; every pager written keeps its record, and the simulated
// pager's image is saved when the window closes.
TEST_F(WindowLedger, AFileSizeLimitEndsInANoticeAndThePagerIsStillSaved) {
  const std::string image = ::testing::TempDir() + "capcode_ui_ledger_fsize.eep";
  openOnBox("capcode_ui_ledger_fsize.eep");
  ASSERT_TRUE(writePager());
  rlimit saved{};
  ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
  const auto ledgerSize = static_cast<rlim_t>(std::filesystem::file_size(*production.ledger));
  const rlimit limit{ledgerSize, saved.rlim_max};
  ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &limit), 0);
  // Whatever box comes up, whenever in the write: read and closed as a person would.
  QTimer watch;
  QObject::connect(&watch, &QTimer::timeout, [this] {
    if (auto* shown = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
      shownMessages << shown->text();
      shown->accept();
    }
  });
  watch.start(5);
  int verified = 1;
  for (int attempt = 0; attempt < 40 && shownMessages.isEmpty(); ++attempt) {
    if (writePager() && logLines().last() == "Verify OK !") ++verified;
  }
  watch.stop();
  window->close();  // the simulated pager's image is saved, the limit still in force
  ::setrlimit(RLIMIT_FSIZE, &saved);
  ASSERT_EQ(shownMessages.size(), 1);
  EXPECT_TRUE(shownMessages[0].startsWith("The pager was not written: the ledger cannot record it") ||
              shownMessages[0].startsWith("The ledger could not complete this pager's record"))
      << shownMessages[0].toStdString();
  int holding = 0;
  for (const PagerRecord& r : recorded())
    holding += holdsCapcodes(r.result) ? 1 : 0;
  EXPECT_EQ(holding, verified) << "every pager written has its record";
  const auto box = window->hardware().simulatedBox()->eeprom;
  EXPECT_EQ(test::fileBytes(image), std::vector<std::uint8_t>(box.begin(), box.end()));
}

// Two simulated boxes on the bench: both listed, the first in use; a click on the second makes
// the next write go through it, and the log names it; unplugged, it leaves the list and the
// first takes over; plugged in again, it is listed again.
TEST_F(WindowLedger, TheDeviceListChoosesTheBoxByAClick) {
  HardwareOptions boxes;
  for (const char* name : {"capcode_ui_bench_1.eep", "capcode_ui_bench_2.eep"}) {
    Image image = defaultImageA();
    setChecksum(image);
    const HardwareOptions one = simulatedBox(name, image);
    boxes.simUsbImages.push_back(*one.simUsbImage);
  }
  open(boxes);
  QApplication::processEvents();  // the first device-change notification
  QListWidget* list = window->deviceList();
  const auto rows = [list] {
    QStringList shown;
    for (int i = 0; i < list->count(); ++i)
      shown << list->item(i)->text();
    return shown;
  };
  EXPECT_EQ(rows(), QStringList({"P-2 programmer, serial SIM-1 (in use)",
                                 "P-2 programmer, serial SIM-2"}));
  EXPECT_EQ(list->currentRow(), 0);
  QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                    list->visualItemRect(list->item(1)).center());
  EXPECT_EQ(logLines().last(), "USB box in use: P-2 programmer, serial SIM-2");
  EXPECT_EQ(rows(), QStringList({"P-2 programmer, serial SIM-1",
                                 "P-2 programmer, serial SIM-2 (in use)"}));
  EXPECT_EQ(list->currentRow(), 1);

  SimulatedHidBackend& hid = *window->hardware().simulatedHid();
  const auto firstBefore = hid.boxes()[0]->eeprom;
  const auto secondBefore = hid.boxes()[1]->eeprom;
  window->act([this] { window->state().form.userPick("autoinc1", 1); });
  ASSERT_TRUE(writePager());
  EXPECT_TRUE(logLines().contains("USB box: P-2 programmer, serial SIM-2"));
  EXPECT_EQ(hid.boxes()[0]->eeprom, firstBefore) << "the first box's pager untouched";
  EXPECT_NE(hid.boxes()[1]->eeprom, secondBefore) << "written through the box chosen";

  hid.boxes()[1]->pluggedIn = false;
  window->deviceChange();
  EXPECT_EQ(rows(), QStringList{"P-2 programmer, serial SIM-1 (in use)"});
  hid.boxes()[1]->pluggedIn = true;
  window->deviceChange();
  EXPECT_EQ(rows(), QStringList({"P-2 programmer, serial SIM-1 (in use)",
                                 "P-2 programmer, serial SIM-2"}));
}

TEST_F(WindowLedger, ALedgerThatCannotBeOpenedRefusesEveryWrite) {
  // Its folder would have to be where a file is.
  test::writeBytes(folder / "occupied", {'x'});
  production.ledger = folder / "occupied/ledger.sqlite3";
  openOnBox("capcode_ui_ledger_unusable.eep");
  window->awaitLedgerCount();
  EXPECT_TRUE(window->ledgerStatusLine()->warning());
  EXPECT_TRUE(ledgerLine().startsWith("Ledger: " + QString::fromStdString(*production.ledger) +
                                      " | Not recording, every write is refused: "))
      << ledgerLine().toStdString();
  acknowledgeNextMessage();
  EXPECT_FALSE(writePager());
  ASSERT_EQ(shownMessages.size(), 1);
  EXPECT_TRUE(shownMessages[0].startsWith("The pager was not written: the ledger cannot record it"))
      << shownMessages[0].toStdString();
  EXPECT_FALSE(logLines().contains("Verify OK !"));
  EXPECT_TRUE(recordsView().summary.startsWith("The ledger cannot be read: "));
}

TEST_F(WindowLedger, WithoutALedgerPagersAreWrittenAndNothingIsRecorded) {
  production = ProductionOptions{std::nullopt, true, "bench-1", ""};
  openOnBox("capcode_ui_ledger_none.eep");
  EXPECT_TRUE(ledgerLine().startsWith("Ledger: no ledger | Station: bench-1"));
  ASSERT_TRUE(writePager());
  EXPECT_EQ(logLines().last(), "Verify OK !");
  EXPECT_EQ(recordsView().summary, "0 pagers");
  EXPECT_FALSE(window->ledgerStatusLine()->warning());
}

}  // namespace
}  // namespace capcode::ui
