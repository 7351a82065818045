// The ledger's status line and records view on their own, over a real SQLite ledger, on Qt's
// offscreen platform. The test binary runs two hours east of Greenwich (see main_window_test's
// main), so that a UTC time late in the evening falls on the next local day.

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <QApplication>
#include <QComboBox>
#include <QFileDialog>
#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTimer>
#include <algorithm>

#include "ledger/record_text.hpp"
#include "ledger/sqlite_ledger.hpp"
#include "support/temp_folder.hpp"
#include "ui/ledger_records_dialog.hpp"
#include "ui/ledger_status_line.hpp"
#include "ui/window_fixture.hpp"

namespace capcode::ui {
namespace {

// Rows 1..8 as a window writes them: `individual` rows advance, the rest are shared.
std::vector<RecordedAddress> rows(std::vector<std::pair<std::int32_t, bool>> enabled) {
  std::vector<RecordedAddress> addresses;
  for (int row = 1; row <= 8; ++row) {
    RecordedAddress a{row, 0, false, AddressRole::Shared};
    if (row <= static_cast<int>(enabled.size())) {
      a.capcode = enabled[row - 1].first;
      a.enabled = true;
      a.role = enabled[row - 1].second ? AddressRole::Individual : AddressRole::Shared;
    }
    addresses.push_back(a);
  }
  return addresses;
}

class LedgerView : public ::testing::Test {
 protected:
  void SetUp() override {
    ledger = openSqliteLedger(folder / "ledger.sqlite3");
    add("2026-12-07T09:00:00.000Z", "2026-12-07T09:00:04.100Z", "bench-1", "", -1,
        PagerResult::Verified, {{2004000, true}, {2004008, true}, {1234560, false}});
    add("2026-12-08T23:30:00.000Z", "2026-12-08T23:30:03.900Z", "bench,2", "ORDER-7", 0,
        PagerResult::Verified, {{2004016, true}, {2004024, true}});
    add("2026-12-09T08:15:00.000Z", "2026-12-09T08:15:05.000Z", "bench-1", "ORDER-7", 1,
        PagerResult::VerifyFailed, {{2004032, true}, {2004040, true}});
    add("2026-12-09T10:00:00.000Z", "", "bench-1", "", -1, PagerResult::Started, {{2004048, true}});
  }

  void add(const std::string& started, const std::string& finished, const std::string& station,
           const std::string& batch, int set, PagerResult result,
           std::vector<std::pair<std::int32_t, bool>> capcodes) {
    PagerRecord r;
    r.started = started;
    r.host = "workshop";
    r.station = station;
    r.configPath = "/orders/m61 \"blue\".eep";
    r.configSha256 = std::string(64, 'a');
    r.batch = batch;
    r.setIndex = set;
    r.addresses = rows(std::move(capcodes));
    ASSERT_FALSE(ledger->beginAttempt(r, false));
    if (result == PagerResult::Started) return;
    ledger->finishAttempt(r.id, result);
    // The finishing time as the known ledger has it.
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open((folder / "ledger.sqlite3").c_str(), &db), SQLITE_OK);
    const std::string sql = "UPDATE pagers SET finished = '" + finished + "', image_sha256 = '" +
                            std::string(64, 'b') + "' WHERE id = " + std::to_string(r.id);
    EXPECT_EQ(sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr), SQLITE_OK);
    sqlite3_close(db);
  }

  // The window's records as the production gives them: newest first, one batch or all.
  RecordSource source() {
    return [this](std::string_view batch, std::string_view since) {
      asked.emplace_back(since);
      std::vector<PagerRecord> records = ledger->list(since);
      std::erase_if(records,
                    [&](const PagerRecord& r) { return !batch.empty() && r.batch != batch; });
      std::reverse(records.begin(), records.end());
      return records;
    };
  }

  static QStringList column(QTableWidget* table, int column) {
    QStringList cells;
    for (int row = 0; row < table->rowCount(); ++row)
      cells << table->item(row, column)->text();
    return cells;
  }
  static void choose(QComboBox* filter, const QString& text) {
    const int index = filter->findText(text);
    ASSERT_GE(index, 0) << text.toStdString();
    filter->setCurrentIndex(index);
  }

  test::TempFolder folder;
  std::unique_ptr<Ledger> ledger;
  std::vector<std::string> asked;
};

TEST_F(LedgerView, ListsTheRecordsNewestFirstInLocalTime) {
  LedgerRecordsDialog view(source());
  QTableWidget* table = view.table();
  ASSERT_EQ(table->rowCount(), 4);
  EXPECT_EQ(column(table, 0), QStringList({"4", "3", "2", "1"})) << "the records' IDs";
  EXPECT_EQ(column(table, 1),
            QStringList({"2026-12-09 12:00:00 +02:00", "2026-12-09 10:15:00 +02:00",
                         "2026-12-09 01:30:00 +02:00", "2026-12-07 11:00:00 +02:00"}));
  EXPECT_EQ(column(table, 2), QStringList({"bench-1", "bench-1", "bench,2", "bench-1"}));
  EXPECT_EQ(column(table, 3), QStringList({"", "ORDER-7 #1", "ORDER-7 #0", ""}));
  EXPECT_EQ(column(table, 4), QStringList({"started", "verify failed", "verified", "verified"}));
  EXPECT_EQ(column(table, 5),
            QStringList({"1=2004048", "1=2004032 2=2004040", "1=2004016 2=2004024",
                         "1=2004000 2=2004008 3=1234560(shared)"}));
  EXPECT_EQ(table->item(0, 6)->text(), "/orders/m61 \"blue\".eep");
  EXPECT_EQ(view.summary()->text(), "4 pagers");
  EXPECT_EQ(table->editTriggers(), QAbstractItemView::NoEditTriggers) << "read-only";
}

struct FilterCase {
  const char* batch;
  const char* day;
  std::string since;  // what the view asks the ledger for
  QStringList times;
};

TEST_F(LedgerView, FiltersByBatchAndLocalDay) {
  const FilterCase cases[] = {
      {"All batches",
       "All dates",
       "",
       {"2026-12-09 12:00:00", "2026-12-09 10:15:00", "2026-12-09 01:30:00",
        "2026-12-07 11:00:00"}},
      {"ORDER-7", "All dates", "", {"2026-12-09 10:15:00", "2026-12-09 01:30:00"}},
      // Local midnight is 22:00 UTC the day before; 23:30 UTC on the 8th is the 9th here.
      {"All batches",
       "2026-12-09",
       "2026-12-08T22:00:00",
       {"2026-12-09 12:00:00", "2026-12-09 10:15:00", "2026-12-09 01:30:00"}},
      {"All batches", "2026-12-07", "2026-12-06T22:00:00", {"2026-12-07 11:00:00"}},
      {"ORDER-7", "2026-12-07", "2026-12-06T22:00:00", {}},
  };
  LedgerRecordsDialog view(source());
  EXPECT_EQ(view.batchFilter()->count(), 2) << "every batch, and ORDER-7";
  ASSERT_EQ(view.dateFilter()->count(), 3);
  EXPECT_EQ(view.dateFilter()->itemText(1), "2026-12-09") << "newest day first";
  for (const FilterCase& c : cases) {
    choose(view.batchFilter(), c.batch);
    choose(view.dateFilter(), c.day);
    EXPECT_EQ(asked.back(), c.since) << c.batch << " " << c.day;
    QStringList times;
    for (const QString& time : column(view.table(), 1))
      times << time.chopped(7);  // without " +02:00"
    EXPECT_EQ(times, c.times) << c.batch << " " << c.day;
    EXPECT_EQ(view.summary()->text(),
              c.times.size() == 1 ? QString("1 pager") : QString("%1 pagers").arg(c.times.size()));
  }
}

TEST_F(LedgerView, ExportsTheRecordsShownAsCsvThroughTheSaveDialog) {
  LedgerRecordsDialog view(source());
  choose(view.batchFilter(), "ORDER-7");
  choose(view.dateFilter(), "2026-12-09");
  const std::string path = folder / "order 7.csv";
  QTimer::singleShot(0, [&] {
    auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(dialog->acceptMode(), QFileDialog::AcceptSave);
    dialog->selectFile(QString::fromStdString(path));
    QMetaObject::invokeMethod(dialog, "accept");  // as the Save button does
  });
  view.exportButton()->click();
  const std::string digestA(64, 'a');
  const std::string digestB(64, 'b');
  const std::string tail =
      ",0,0,shared,0,0,shared,0,0,shared,0,0,shared,0,0,shared,0,0,shared,,,,,,\r\n";
  const std::string expected =
      "id,started,finished,host,station,result,config_path,config_sha256,image_sha256,batch,set,"
      "row1_capcode,row1_enabled,row1_role,row2_capcode,row2_enabled,row2_role,"
      "row3_capcode,row3_enabled,row3_role,row4_capcode,row4_enabled,row4_role,"
      "row5_capcode,row5_enabled,row5_role,row6_capcode,row6_enabled,row6_role,"
      "row7_capcode,row7_enabled,row7_role,row8_capcode,row8_enabled,row8_role,"
      "list_sha256,list_line,reference,settlement,settled_at,settled_by\r\n"
      "2,2026-12-08T23:30:00.000Z,2026-12-08T23:30:03.900Z,workshop,\"bench,2\",verified,"
      "\"/orders/m61 \"\"blue\"\".eep\"," +
      digestA + "," + digestB +
      ",ORDER-7,0,"
      "2004016,1,individual,2004024,1,individual" +
      tail +
      "3,2026-12-09T08:15:00.000Z,2026-12-09T08:15:05.000Z,workshop,bench-1,verify failed,"
      "\"/orders/m61 \"\"blue\"\".eep\"," +
      digestA + "," + digestB +
      ",ORDER-7,1,"
      "2004032,1,individual,2004040,1,individual" +
      tail;
  // In the ledger's order, as `capcode ledger --csv` writes them (the view shows newest first).
  std::vector<PagerRecord> listed = ledger->list("");
  std::erase_if(listed, [](const PagerRecord& r) { return r.id != 2 && r.id != 3; });
  EXPECT_EQ(recordsCsv(listed), expected);
  const std::vector<std::uint8_t> written = test::fileBytes(path);
  EXPECT_EQ(std::string(written.begin(), written.end()), expected);
  EXPECT_TRUE(view.summary()->text().endsWith("exported to " + QString::fromStdString(path)));
}

// A capcode narrows the view to the pagers that carried it in an enabled row, settled ones with
// their settlement.
TEST_F(LedgerView, FiltersByCapcode) {
  ledger->settle(2, Settlement::Returned, "ann on desk-1");
  const struct {
    const char* capcode;
    QStringList results;
  } cases[] = {
      {"2004016", {"verified, returned"}},
      {"1234560", {"verified"}},  // a shared capcode
      {"2004999", {}},
      {"", {"started", "verify failed", "verified, returned", "verified"}},
  };
  LedgerRecordsDialog view(source());
  for (const auto& c : cases) {
    view.capcodeFilter()->setText(c.capcode);
    QStringList results;
    for (const QString& cell : column(view.table(), 4))
      results << cell.section(" 20", 0, 0);
    EXPECT_EQ(results, c.results) << c.capcode;
  }
}

TEST_F(LedgerView, ALedgerThatCannotBeReadIsSaidSo) {
  LedgerRecordsDialog view([](std::string_view, std::string_view) -> std::vector<PagerRecord> {
    throw LedgerError("database is locked");
  });
  EXPECT_EQ(view.summary()->text(), "The ledger cannot be read: database is locked");
  EXPECT_EQ(view.table()->rowCount(), 0);
  EXPECT_FALSE(view.exportButton()->isEnabled());
  EXPECT_FALSE(view.batchFilter()->isEnabled());
}

TEST(LedgerStatusLineTest, ShowsTheLedgerAtAGlanceOrWhyItCannotRecord) {
  LedgerStatusLine line;
  line.resize(1200, 24);
  line.show();
  ProductionStatus status;
  status.ledger = "/home/tech/.local/share/capcode/ledger.sqlite3";
  status.station = "bench-1";
  status.verifiedToday = 3;
  status.lastCapcodes = "1=2004000 2=2004008";
  line.setStatus(status);
  EXPECT_EQ(line.text(),
            "Ledger: /home/tech/.local/share/capcode/ledger.sqlite3 | Station: bench-1 | "
            "Batch: none | Verified today: 3 | Last: 1=2004000 2=2004008");
  EXPECT_EQ(line.shownText(), line.text());
  EXPECT_FALSE(line.warning());
  EXPECT_EQ(line.recordsButton()->text(), QString::fromUtf8("Ledger…"));
  status.batch = "order-17";
  line.setStatus(status);
  EXPECT_EQ(line.text(),
            "Ledger: /home/tech/.local/share/capcode/ledger.sqlite3 | Station: bench-1 | "
            "Batch: order-17 | Verified today: 3 | Last: 1=2004000 2=2004008");
  status.batch.clear();
  line.setStatus(status);

  // Narrower, the middle of the ledger's folder gives way, never its file name; then the last
  // pager's rows from the end, whole and in order.
  status.lastCapcodes = "1=2004000 2=2004008 3=1234560 4=1234568 5=1234576 6=1234584";
  line.setStatus(status);
  const QString ellipsis = QString::fromUtf8("…");
  const QFontMetrics metrics(line.findChild<QLabel*>("ledgerStatusText")->font());
  // From the whole line down to the least that keeps the file name and the first row.
  const int least = metrics.horizontalAdvance(
                        "Ledger: /home…/ledger.sqlite3 | Station: bench-1 | Batch: none | Verified "
                        "today: 3 | Last: 1=2004000 …") + 30 + line.recordsButton()->sizeHint().width();
  const int most = metrics.horizontalAdvance(line.text()) + 30 + line.recordsButton()->sizeHint().width();
  for (int width = most; width >= least; width -= std::max(1, (most - least) / 7)) {
    line.resize(width, 24);
    const QString shown = line.shownText();
    EXPECT_TRUE(shown.startsWith("Ledger: /")) << width << shown.toStdString();
    EXPECT_TRUE(shown.contains("/ledger.sqlite3 | Station: bench-1 | ")) << shown.toStdString();
    const QString last = shown.section("Last: ", 1);
    ASSERT_FALSE(last.isEmpty()) << shown.toStdString();
    const QString whole = QString::fromStdString(status.lastCapcodes);
    if (last != whole) {
      ASSERT_TRUE(last.endsWith(" " + ellipsis)) << last.toStdString();
      EXPECT_TRUE(whole.startsWith(last.chopped(2) + " ")) << "rows in order: " << last.toStdString();
    }
    EXPECT_EQ(line.findChild<QLabel*>("ledgerStatusText")->toolTip(), line.text());
  }
  for (const auto& [ledger, kept] :
       std::vector<std::pair<QString, QString>>{
           {"/tmp/window-bench/a/very/long/folder/of/the/shop/ledger.sqlite3", "/ledger.sqlite3"},
           {"postgresql://production-server.example.com:5432/pg", "/pg"}}) {
    const QString shown = shortenedLedgerName(ledger, metrics.horizontalAdvance("/tmp/wi…sqlite3"), metrics);
    EXPECT_TRUE(shown.endsWith(kept)) << shown.toStdString();
    EXPECT_TRUE(shown.contains(ellipsis)) << shown.toStdString();
  }
  status.lastCapcodes = "1=2004000 2=2004008";
  line.setStatus(status);

  status.problem = "unable to open database file";
  line.resize(1200, 24);
  line.setStatus(status);
  EXPECT_EQ(line.text(),
            "Ledger: /home/tech/.local/share/capcode/ledger.sqlite3 | Not recording, every "
            "write is refused: unable to open database file");
  EXPECT_TRUE(line.warning());
  EXPECT_TRUE(line.findChild<QLabel*>("ledgerStatusText")->styleSheet().contains("background"));
  // Narrow, the warning keeps its whole reason (on a second line).
  status.problem = "could not connect to server: Connection refused; is the server running on "
                   "host db.example.com and accepting TCP/IP connections on port 5432?";
  line.setStatus(status);
  line.resize(400, 24);
  EXPECT_TRUE(line.shownText().endsWith(QString::fromStdString(status.problem)))
      << line.shownText().toStdString();
  EXPECT_TRUE(line.shownText().contains("/ledger.sqlite3 | ")) << line.shownText().toStdString();
}

}  // namespace
}  // namespace capcode::ui
