#pragma once
// The read-only view of the pagers recorded in the ledger: newest first, one line per pager
// (time, station, batch, result, capcodes with their roles, configuration file), narrowed to one
// batch, one day and one capcode, and exported as comma-separated values through a save dialog.

#include <QDialog>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "ledger/ledger.hpp"

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableWidget;

namespace capcode::ui {

// The records of `batch` (empty: every batch) started at or after `since` (a prefix of the
// ledger's UTC time form, empty: all), newest first. Throws LedgerError when the ledger cannot
// be read.
using RecordSource =
    std::function<std::vector<PagerRecord>(std::string_view batch, std::string_view since)>;

class LedgerRecordsDialog final : public QDialog {
 public:
  // `source` is asked again whenever a filter changes.
  explicit LedgerRecordsDialog(RecordSource source, QWidget* parent = nullptr);

  QTableWidget* table() const { return table_; }
  QComboBox* batchFilter() const { return batches_; }
  // "All dates", then the days that have records, newest first, as "2026-12-09" in local time.
  QComboBox* dateFilter() const { return days_; }
  // A capcode: only the pagers that carried it in an enabled row; empty for every pager.
  QLineEdit* capcodeFilter() const { return capcode_; }
  QPushButton* exportButton() const { return export_; }
  // The count of records shown, or why the ledger cannot be read.
  QLabel* summary() const { return summary_; }
  const std::vector<PagerRecord>& shown() const { return shown_; }

  // Writes the records shown, in the order shown, to `path` (the old file stays whole if that
  // fails). Returns why it failed, or an empty string.
  std::string exportTo(const std::string& path) const;

 private:
  // Reads every record once for the filters' choices, then the records the filters select.
  void loadChoices();
  void showSelected();
  void exportAsked();

  RecordSource source_;
  QComboBox* batches_;
  QComboBox* days_;
  QLineEdit* capcode_;
  QTableWidget* table_;
  QLabel* summary_;
  QPushButton* export_;
  std::vector<PagerRecord> shown_;
};

// The local calendar day of a ledger time ("2026-12-09T23:30:00.000Z" is "2026-12-10" east of
// Greenwich); empty when the time cannot be read.
QString localDayOf(const std::string& ledgerTime);
// The ledger time ("2026-12-09T23:00:00") at which the local day `day` ("2026-12-10") starts.
std::string ledgerTimeAtStartOf(const QString& day);

}  // namespace capcode::ui
