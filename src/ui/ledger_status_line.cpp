#include "ui/ledger_status_line.hpp"

#include <QFontMetrics>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QStringList>

namespace capcode::ui {

namespace {

const char* const kSeparator = " | ";
const char* const kEllipsis = "\u2026";

}  // namespace

LedgerStatusLine::LedgerStatusLine(QWidget* parent)
    : QWidget(parent), label_(new QLabel), button_(new QPushButton(QString::fromUtf8("Ledger…"))) {
  setObjectName("ledgerStatusLine");
  label_->setObjectName("ledgerStatusText");
  // The line never widens the window: it is shortened to the room it gets.
  label_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
  label_->setMinimumWidth(1);
  label_->setTextFormat(Qt::PlainText);
  button_->setObjectName("ledgerRecordsButton");
  button_->setToolTip("The pagers recorded in the ledger");
  button_->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
  auto* row = new QHBoxLayout(this);
  row->setContentsMargins(0, 0, 0, 0);
  row->setSpacing(6);
  row->addWidget(label_, 1);
  row->addWidget(button_);
}

void LedgerStatusLine::setStatus(const ProductionStatus& status) {
  ledger_ = QString::fromStdString(status.ledger);
  lastRows_.clear();
  if (!status.problem.empty()) {
    rest_ = QString(kSeparator) +
            "Not recording, every write is refused: " + QString::fromStdString(status.problem);
  } else {
    rest_ = QString(kSeparator) + "Station: " + QString::fromStdString(status.station) +
            kSeparator + "Batch: " +
            (status.batch.empty() ? QString("none") : QString::fromStdString(status.batch)) +
            kSeparator + "Verified today: " + QString::number(status.verifiedToday) + kSeparator +
            "Last: ";
    if (status.lastCapcodes.empty()) {
      lastRows_ << "none";
    } else {
      lastRows_ = QString::fromStdString(status.lastCapcodes).split(' ', Qt::SkipEmptyParts);
    }
  }
  text_ = "Ledger: " + ledger_ + rest_ + lastRows_.join(' ');
  warning_ = !status.problem.empty();
  const QString style =
      warning_ ? "QLabel { color: #8b0000; background: #fff4c2; font-weight: bold; }" : QString();
  if (label_->styleSheet() != style) label_->setStyleSheet(style);
  // A warning is never cut short: it takes a second line when it must.
  label_->setWordWrap(warning_);
  label_->setToolTip(text_);
  fitText();
}

QString LedgerStatusLine::shownText() const {
  return label_->text();
}

void LedgerStatusLine::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  fitText();
}

namespace {

// The least of a ledger's name the line keeps: the start of its folder and its file name,
// "/home…/ledger.sqlite3".
QString leastLedgerName(const QString& ledger) {
  constexpr int kFolderStartKept = 5;  // characters
  const int cut = static_cast<int>(ledger.lastIndexOf('/'));
  if (cut <= kFolderStartKept) return ledger;
  return ledger.left(kFolderStartKept) + kEllipsis + ledger.mid(cut);
}

}  // namespace

QString shortenedLedgerName(const QString& ledger, int width, const QFontMetrics& metrics) {
  if (metrics.horizontalAdvance(ledger) <= width) return ledger;
  const int cut = static_cast<int>(ledger.lastIndexOf('/'));
  if (cut <= 0 || cut + 1 >= ledger.size())
    return metrics.elidedText(ledger, Qt::ElideMiddle, width);
  const QString folder = ledger.left(cut + 1);  // with its slash
  const QString name = ledger.mid(cut + 1);
  const QString least = QString(kEllipsis) + "/" + name;
  const int forFolder = width - metrics.horizontalAdvance(name);
  if (forFolder <= metrics.horizontalAdvance(QString(kEllipsis) + "/")) return least;
  const QString folderShown = metrics.elidedText(folder, Qt::ElideMiddle, forFolder);
  return folderShown.isEmpty() ? least : folderShown + name;
}

void LedgerStatusLine::fitText() {
  const QFontMetrics metrics(label_->font());
  const int room = std::max(1, label_->contentsRect().width() - 8);
  if (metrics.horizontalAdvance(text_) <= room) {
    label_->setText(text_);
    return;
  }
  // The middle of the ledger's folder gives way first (its file name stays); then the last
  // pager's rows from the end, whole rows in their order; then the end of the line. A warning
  // keeps its whole reason on more lines instead.
  const QString head = "Ledger: ";
  const QString last = lastRows_.join(' ');
  const int forName = std::max(metrics.horizontalAdvance(leastLedgerName(ledger_)),
                               room - metrics.horizontalAdvance(head + rest_ + last));
  const QString shown = head + shortenedLedgerName(ledger_, forName, metrics) + rest_;
  if (warning_) {
    label_->setText(shown + last);
    return;
  }
  for (qsizetype kept = lastRows_.size(); kept > 0; --kept) {
    const QString rows = QStringList(lastRows_.mid(0, kept)).join(' ') +
                         (kept < lastRows_.size() ? QString(" ") + kEllipsis : QString());
    if (metrics.horizontalAdvance(shown + rows) <= room || kept == 1) {
      label_->setText(metrics.elidedText(shown + rows, Qt::ElideRight, room));
      return;
    }
  }
  label_->setText(metrics.elidedText(shown + last, Qt::ElideRight, room));
}

}  // namespace capcode::ui
