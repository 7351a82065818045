#include "ui/bound_widgets.hpp"

#include <QFocusEvent>
#include <QKeyEvent>

namespace capcode::ui {

bool BoundLineEdit::focusReturning = false;
std::string BoundLineEdit::focusComingBack;

std::optional<char> typedCharacter(const QKeyEvent& event) {
  if (event.key() == Qt::Key_Backspace) return '\b';
  if (event.modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)) {
    return std::nullopt;
  }
  const QString text = event.text();
  if (text.size() != 1) return std::nullopt;
  const QChar ch = text.at(0);
  if (ch.unicode() < 0x20 || ch.unicode() == 0x7F || ch.unicode() > 0xFF) return std::nullopt;
  return static_cast<char>(ch.unicode());
}

BoundLineEdit::BoundLineEdit(std::string control, const WidgetEvents& events, QWidget* parent)
    : QLineEdit(parent), control_(std::move(control)), events_(events) {
  setObjectName(QString::fromStdString(control_));
  // Paste, cut and drop change the text without a keystroke the model could filter: the
  // change is worked out and handed to the model as keystrokes.
  connect(this, &QLineEdit::textEdited, this, [this](const QString& text) { edited(text); });
}

void BoundLineEdit::edited(const QString& text) {
  const QString& old = modelText_;
  qsizetype prefix = 0;
  while (prefix < old.size() && prefix < text.size() && old[prefix] == text[prefix])
    ++prefix;
  qsizetype suffix = 0;
  while (suffix < old.size() - prefix && suffix < text.size() - prefix &&
         old[old.size() - 1 - suffix] == text[text.size() - 1 - suffix]) {
    ++suffix;
  }
  const QString inserted = text.mid(prefix, text.size() - prefix - suffix);
  const auto removed = static_cast<std::size_t>(old.size() - prefix - suffix);
  // The field shows the model's text again; the model decides what the change becomes.
  setText(old);
  const std::size_t caret = events_.replaced(control_, static_cast<std::size_t>(prefix), removed,
                                             inserted.toLatin1().toStdString());
  setCursorPosition(static_cast<int>(caret));
}

void BoundLineEdit::keyPressEvent(QKeyEvent* event) {
  if (const auto key = typedCharacter(*event); key && !isReadOnly()) {
    const bool selection = hasSelectedText();
    const auto caret = static_cast<std::size_t>(selection ? selectionStart() : cursorPosition());
    const auto selected = static_cast<std::size_t>(selection ? selectedText().size() : 0);
    const QString before = text();
    // The model refreshes the text; the caret follows the typed character.
    const std::size_t after = events_.key(control_, *key, caret, selected);
    if (text() == before && selection) {
      // A refused key leaves the selection as it was: the next key still replaces it.
      setSelection(static_cast<int>(caret), static_cast<int>(selected));
    } else {
      setCursorPosition(static_cast<int>(after));
    }
    event->accept();
    return;
  }
  QLineEdit::keyPressEvent(event);
}

void BoundLineEdit::focusOutEvent(QFocusEvent* event) {
  QLineEdit::focusOutEvent(event);
  // Switching to another window or opening a menu is not leaving the field.
  const Qt::FocusReason reason = event->reason();
  if (focusReturning || control_ == focusComingBack || reason == Qt::ActiveWindowFocusReason ||
      reason == Qt::PopupFocusReason || reason == Qt::MenuBarFocusReason) {
    return;
  }
  events_.left(control_);
}

BoundComboBox::BoundComboBox(std::string control, const WidgetEvents& events, QWidget* parent)
    : QComboBox(parent), control_(std::move(control)), events_(events) {
  setObjectName(QString::fromStdString(control_));
  connect(this, qOverload<int>(&QComboBox::activated), this,
          [this](int index) { events_.picked(control_, index); });
}

void BoundComboBox::keyPressEvent(QKeyEvent* event) {
  // Typed characters go to the list's key filter (most lists refuse them all).
  if (const auto key = typedCharacter(*event)) {
    events_.key(control_, *key, 0, 0);
    event->accept();
    return;
  }
  QComboBox::keyPressEvent(event);
}

BoundCheckBox::BoundCheckBox(std::string control, const WidgetEvents& events, QWidget* parent)
    : QCheckBox(parent), control_(std::move(control)), events_(events) {
  setObjectName(QString::fromStdString(control_));
}

void BoundCheckBox::nextCheckState() {
  events_.clicked(control_);
}

}  // namespace capcode::ui
