#include "ui/ledger_status_line.hpp"

#include <QFontMetrics>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>

namespace capcode::ui {

namespace {

QString fromUtf8(const std::string& text) {
  return QString::fromUtf8(text.data(), static_cast<int>(text.size()));
}

const char* const kSeparator = " | ";
// The least of the ledger's name kept when the line is short of room, in characters.
constexpr int kLedgerNameKept = 16;

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
  ledger_ = fromUtf8(status.ledger);
  if (!status.problem.empty()) {
    rest_ =
        QString(kSeparator) + "Not recording, every write is refused: " + fromUtf8(status.problem);
  } else {
    rest_ =
        QString(kSeparator) + "Station: " + fromUtf8(status.station) + kSeparator +
        "Batch: " + (status.batch.empty() ? QString("none") : fromUtf8(status.batch)) + kSeparator +
        "Verified today: " + QString::number(status.verifiedToday) + kSeparator +
        "Last: " + (status.lastCapcodes.empty() ? QString("none") : fromUtf8(status.lastCapcodes));
  }
  text_ = "Ledger: " + ledger_ + rest_;
  warning_ = !status.problem.empty();
  const QString style =
      warning_ ? "QLabel { color: #8b0000; background: #fff4c2; font-weight: bold; }" : QString();
  if (label_->styleSheet() != style) label_->setStyleSheet(style);
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

void LedgerStatusLine::fitText() {
  const QFontMetrics metrics(label_->font());
  const int room = std::max(1, label_->contentsRect().width() - 8);
  if (metrics.horizontalAdvance(text_) <= room) {
    label_->setText(text_);
    return;
  }
  // The ledger's name gives way first, in its middle (its start and its file name stay), down
  // to a few characters; then the end of the line.
  const QString head = "Ledger: ";
  const int least = metrics.averageCharWidth() * kLedgerNameKept;
  const int forName = std::max(least, room - metrics.horizontalAdvance(head + rest_));
  const QString shortened = head + metrics.elidedText(ledger_, Qt::ElideMiddle, forName) + rest_;
  label_->setText(metrics.elidedText(shortened, Qt::ElideRight, room));
}

}  // namespace capcode::ui
