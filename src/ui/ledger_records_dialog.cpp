#include "ui/ledger_records_dialog.hpp"

#include <QComboBox>
#include <QDateTime>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QTableWidget>
#include <QTimeZone>
#include <QVBoxLayout>
#include <algorithm>
#include <set>

#include "core/file_io.hpp"
#include "ledger/record_text.hpp"

namespace capcode::ui {

namespace {

QDateTime parsedLedgerTime(const std::string& ledgerTime) {
  QDateTime time = QDateTime::fromString(QString::fromStdString(ledgerTime), Qt::ISODateWithMs);
  return time.isValid() ? time.toLocalTime() : time;
}

enum Column { kRecord, kTime, kStation, kBatch, kResult, kCapcodes, kConfig, kColumns };
constexpr int kWidestColumn = 380;  // pixels

}  // namespace

QString localDayOf(const std::string& ledgerTime) {
  const QDateTime time = parsedLedgerTime(ledgerTime);
  return time.isValid() ? time.date().toString(Qt::ISODate) : QString();
}

std::string ledgerTimeAtStartOf(const QString& day) {
  const QDateTime start(QDate::fromString(day, Qt::ISODate), QTime(0, 0), Qt::LocalTime);
  return start.toUTC().toString("yyyy-MM-ddTHH:mm:ss").toStdString();
}

LedgerRecordsDialog::LedgerRecordsDialog(RecordSource source, QWidget* parent)
    : QDialog(parent),
      source_(std::move(source)),
      batches_(new QComboBox),
      days_(new QComboBox),
      capcode_(new QLineEdit),
      table_(new QTableWidget(0, kColumns)),
      summary_(new QLabel),
      export_(new QPushButton(QString::fromUtf8("Export CSV…"))) {
  setObjectName("ledgerRecords");
  setWindowTitle("Pager ledger");
  batches_->setObjectName("batchFilter");
  days_->setObjectName("dateFilter");
  capcode_->setObjectName("capcodeFilter");
  capcode_->setValidator(new QIntValidator(0, 9999999, capcode_));
  capcode_->setPlaceholderText("any");
  table_->setObjectName("ledgerRecordsTable");
  summary_->setObjectName("ledgerRecordsSummary");
  export_->setObjectName("exportCsvButton");

  table_->setHorizontalHeaderLabels(
      {"Record", "Time", "Station", "Batch", "Result", "Capcodes", "Configuration file"});
  table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  table_->setSelectionBehavior(QAbstractItemView::SelectRows);
  table_->verticalHeader()->setVisible(false);
  table_->horizontalHeader()->setStretchLastSection(true);
  table_->setWordWrap(false);

  auto* filters = new QHBoxLayout;
  filters->addWidget(new QLabel("Batch"));
  filters->addWidget(batches_);
  filters->addSpacing(12);
  filters->addWidget(new QLabel("Date"));
  filters->addWidget(days_);
  filters->addSpacing(12);
  filters->addWidget(new QLabel("Capcode"));
  filters->addWidget(capcode_);
  filters->addStretch();
  filters->addWidget(export_);
  auto* closeButton = new QPushButton("Close");
  auto* bottom = new QHBoxLayout;
  bottom->addWidget(summary_, 1);
  bottom->addWidget(closeButton);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(filters);
  layout->addWidget(table_, 1);
  layout->addLayout(bottom);

  connect(closeButton, &QPushButton::clicked, this, &QDialog::accept);
  connect(export_, &QPushButton::clicked, this, [this] { exportAsked(); });
  loadChoices();
  connect(batches_, &QComboBox::currentIndexChanged, this, [this] { showSelected(); });
  connect(days_, &QComboBox::currentIndexChanged, this, [this] { showSelected(); });
  connect(capcode_, &QLineEdit::textChanged, this, [this] { showSelected(); });

  QSize size(920, 440);
  if (const QScreen* shownOn = parent != nullptr ? parent->screen() : nullptr) {
    size = size.boundedTo(shownOn->availableGeometry().size() - QSize(40, 80));
  }
  resize(size);
}

void LedgerRecordsDialog::loadChoices() {
  batches_->addItem("All batches", QString());
  days_->addItem("All dates", QString());
  try {
    std::set<std::string> names;
    std::set<QString> days;
    for (const PagerRecord& r : source_({}, {})) {
      if (!r.batch.empty()) names.insert(r.batch);
      if (const QString day = localDayOf(r.started); !day.isEmpty()) days.insert(day);
    }
    for (const std::string& name : names)
      batches_->addItem(QString::fromStdString(name), QString::fromStdString(name));
    for (auto day = days.rbegin(); day != days.rend(); ++day)
      days_->addItem(*day, *day);
  } catch (const std::exception&) {
    // Nothing to choose from: the view says why.
    batches_->setEnabled(false);
    days_->setEnabled(false);
  }
  showSelected();
}

void LedgerRecordsDialog::showSelected() {
  const std::string batch = batches_->currentData().toString().toStdString();
  const QString day = days_->currentData().toString();
  table_->setRowCount(0);
  shown_.clear();
  try {
    shown_ = source_(batch, day.isEmpty() ? std::string() : ledgerTimeAtStartOf(day));
  } catch (const std::exception& e) {
    summary_->setText(QString("The ledger cannot be read: ") + QString::fromUtf8(e.what()));
    summary_->setStyleSheet("QLabel { color: #8b0000; font-weight: bold; }");
    export_->setEnabled(false);
    return;
  }
  if (!day.isEmpty()) {
    // The source reads from the day's start on; the records of later days are not the day's.
    const std::string next =
        ledgerTimeAtStartOf(QDate::fromString(day, Qt::ISODate).addDays(1).toString(Qt::ISODate));
    std::erase_if(shown_, [&](const PagerRecord& r) { return r.started.substr(0, 19) >= next; });
  }
  if (const QString capcode = capcode_->text(); !capcode.isEmpty()) {
    const auto wanted = static_cast<std::int32_t>(capcode.toLong());
    std::erase_if(shown_, [&](const PagerRecord& r) { return !carriedCapcode(r, wanted); });
  }
  table_->setRowCount(static_cast<int>(shown_.size()));
  for (int row = 0; row < static_cast<int>(shown_.size()); ++row) {
    const PagerRecord& r = shown_[row];
    // The record's ID is what `capcode ledger resolve` and the notices name.
    const QString cells[kColumns] = {
        QString::number(r.id),
        QString::fromStdString(localTimeText(r.started)),
        QString::fromStdString(r.station),
        r.batch.empty() ? QString()
                        : QString::fromStdString(r.batch) + " #" + QString::number(r.setIndex),
        QString::fromStdString(std::string(resultName(r.result)) +
                               (r.settlement == Settlement::None ? "" : ", " + settlementText(r))),
        QString::fromStdString(capcodesWithRoles(r)),
        QString::fromStdString(r.configPath)};
    for (int column = 0; column < kColumns; ++column) {
      auto* item = new QTableWidgetItem(cells[column]);
      item->setToolTip(cells[column]);
      table_->setItem(row, column, item);
    }
  }
  table_->resizeColumnsToContents();
  // A pager with eight rows has a long line of capcodes: the cell shows what fits, its tooltip
  // the rest.
  for (int column = 0; column < kColumns - 1; ++column)
    table_->setColumnWidth(column, std::min(table_->columnWidth(column), kWidestColumn));
  summary_->setStyleSheet({});
  summary_->setText(shown_.size() == 1 ? QString("1 pager")
                                       : QString::number(shown_.size()) + " pagers");
  export_->setEnabled(true);
}

std::string LedgerRecordsDialog::exportTo(const std::string& path) const {
  // Shown newest first; written in the ledger's order, as `capcode ledger --csv` writes them.
  const std::vector<PagerRecord> inLedgerOrder(shown_.rbegin(), shown_.rend());
  const std::string text = recordsCsv(inLedgerOrder);
  return writeFileAtomically(path, std::vector<std::uint8_t>(text.begin(), text.end()));
}

void LedgerRecordsDialog::exportAsked() {
  QFileDialog dialog(this, "Export the records shown");
  dialog.setObjectName("exportCsvDialog");
  // The toolkit's own dialog: the same on every desktop, and one a test can answer.
  dialog.setOption(QFileDialog::DontUseNativeDialog);
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setFileMode(QFileDialog::AnyFile);
  dialog.setNameFilter("Comma-separated values (*.csv)");
  dialog.setDefaultSuffix("csv");
  dialog.selectFile("ledger.csv");
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return;
  const QString path = dialog.selectedFiles().first();
  if (const std::string error = exportTo(path.toStdString()); !error.empty()) {
    QMessageBox::warning(
        this, windowTitle(),
        "The records could not be exported to " + path + ": " + QString::fromUtf8(error.c_str()));
    return;
  }
  summary_->setText(summary_->text() + ", exported to " + path);
}

}  // namespace capcode::ui
