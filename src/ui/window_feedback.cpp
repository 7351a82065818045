#include "ui/window_feedback.hpp"

#include <QApplication>
#include <QCloseEvent>
#include <QFileDialog>
#include <QKeyEvent>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <algorithm>
#include <vector>

#include "ui/control_view.hpp"
#include "ui/input_hold.hpp"
#include "ui/progress_window.hpp"

namespace capcode::ui {

namespace {

// ".eep|*.eep|.bin|*.bin|*.*|*.*" as the file dialog writes it.
QString dialogFilter(const std::string& pairs) {
  const QStringList parts = QString::fromStdString(pairs).split('|');
  QStringList filters;
  for (int i = 0; i + 1 < parts.size(); i += 2) {
    filters << parts[i] + " (" + (parts[i + 1] == "*.*" ? QString("*") : parts[i + 1]) + ")";
  }
  return filters.join(";;");
}

}  // namespace

WindowFeedback::WindowFeedback(QWidget& window, const WindowRegistry& registry, InputHold& hold,
                               std::function<void()> refresh)
    : window_(window), registry_(registry), hold_(hold), refresh_(std::move(refresh)) {}

bool WindowFeedback::unmuteBeeps() {
  const bool refused = mutedBeeps_ > 0;
  mutedBeeps_ = -1;
  return refused;
}

std::string WindowFeedback::takeFocus() {
  std::string target;
  target.swap(pendingFocus_);
  return target;
}

ProgressWindow* WindowFeedback::progressWindow() const {
  // Made when first needed: measuring its captions' text is a good part of the window's
  // start-up, and most sessions start no transfer for a while.
  if (progress_ == nullptr) progress_ = new ProgressWindow(&window_);
  return progress_;
}

void WindowFeedback::log(std::string_view line) {
  registry_.log->appendPlainText(QString::fromLatin1(line.data(), static_cast<int>(line.size())));
}

void WindowFeedback::beep() {
  if (mutedBeeps_ >= 0) {
    ++mutedBeeps_;
    return;
  }
  QApplication::beep();
}

void WindowFeedback::focus(std::string_view control) {
  pendingFocus_ = std::string(control);
}

void WindowFeedback::message(std::string_view text) {
  refresh_();
  hold_.runModal([&] {
    QMessageBox::information(&window_, window_.windowTitle(),
                             QString::fromLatin1(text.data(), static_cast<int>(text.size())));
  });
}

void WindowFeedback::errorNotice(std::string_view text) {
  refresh_();
  hold_.runModal([&] {
    QMessageBox::critical(&window_, window_.windowTitle(),
                          QString::fromLatin1(text.data(), static_cast<int>(text.size())));
  });
}

namespace {

// A question that may be closed without an answer: the title bar's close button and Escape
// leave it with no button clicked, whatever the answers are called.
class QuestionBox final : public QMessageBox {
 public:
  using QMessageBox::QMessageBox;

 protected:
  void closeEvent(QCloseEvent* event) override { QDialog::closeEvent(event); }
  void keyPressEvent(QKeyEvent* event) override {
    // Escape closes it without an answer, or gives the safe answer when it has one.
    if (event->matches(QKeySequence::Cancel) && escapeButton() == nullptr) {
      reject();
      return;
    }
    QMessageBox::keyPressEvent(event);
  }
};

// A caption with an accelerator on its first letter that no other caption of the question
// takes: "&Program again" (Alt+P).
QString withAccelerator(const QString& caption, QString& taken) {
  for (int i = 0; i < caption.size(); ++i) {
    const QChar letter = caption[i].toLower();
    if (!letter.isLetter() || taken.contains(letter)) continue;
    taken += letter;
    return caption.left(i) + '&' + caption.mid(i);
  }
  return caption;
}

}  // namespace

std::optional<std::size_t> WindowFeedback::ask(const Question& question) {
  refresh_();
  QuestionBox box(
      question.tone == QuestionTone::Warning ? QMessageBox::Warning : QMessageBox::Question,
      window_.windowTitle(), fromBytes(question.text), QMessageBox::NoButton, &window_);
  box.setObjectName("question");
  std::vector<QAbstractButton*> buttons;
  QString taken;
  for (std::size_t i = 0; i < question.answers.size(); ++i) {
    const QString caption = fromBytes(question.answers[i]);
    auto* button = box.addButton(caption, QMessageBox::AcceptRole);
    // An answer that may write a pager is never taken by a stray Enter or Space: it gets no
    // focus from the keyboard, only a click or its accelerator.
    if (question.safeAnswer && i != *question.safeAnswer) {
      button->setText(withAccelerator(caption, taken));
      button->setFocusPolicy(Qt::NoFocus);
      static_cast<QPushButton*>(button)->setAutoDefault(false);
    }
    buttons.push_back(button);
  }
  const std::size_t preferred = question.safeAnswer.value_or(0);
  if (preferred < buttons.size()) {
    auto* button = static_cast<QPushButton*>(buttons[preferred]);
    box.setDefaultButton(button);
    if (question.safeAnswer) box.setEscapeButton(button);
  }
  hold_.runModal([&] { box.exec(); });
  const auto chosen = std::find(buttons.begin(), buttons.end(), box.clickedButton());
  if (box.clickedButton() == nullptr || chosen == buttons.end()) return std::nullopt;
  return static_cast<std::size_t>(chosen - buttons.begin());
}

void WindowFeedback::warning(std::string_view text) {
  refresh_();
  hold_.runModal(
      [&] { QMessageBox::warning(&window_, window_.windowTitle(), fromBytes(std::string(text))); });
}

std::optional<std::string> WindowFeedback::chooseFile(const FileDialogRequest& request) {
  if (dialogAnswer_) {
    std::optional<std::string> answer;
    answer.swap(dialogAnswer_);
    return answer;
  }
  QFileDialog dialog(&window_);
  dialog.setAcceptMode(request.save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
  dialog.setFileMode(request.save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
  dialog.setNameFilter(dialogFilter(request.filter));
  dialog.setDefaultSuffix(QString::fromStdString(request.defaultExtension));
  dialog.selectFile(QString::fromStdString(request.initialPath));
  int chosen = QDialog::Rejected;
  hold_.runModal([&] { chosen = dialog.exec(); });
  if (chosen != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
  return dialog.selectedFiles().first().toStdString();
}

void WindowFeedback::progressShown(std::string_view caption) {
  hold_.hold();
  progressWindow()->showCaption(
      QString::fromLatin1(caption.data(), static_cast<int>(caption.size())));
}

void WindowFeedback::progressCaption(std::string_view caption) {
  progressWindow()->setCaption(
      QString::fromLatin1(caption.data(), static_cast<int>(caption.size())));
}

void WindowFeedback::progressMoved(int position, int maximum) {
  progressWindow()->move(position, maximum);
}

void WindowFeedback::progressHidden() {
  if (progress_ != nullptr) progress_->hide();
}

}  // namespace capcode::ui
