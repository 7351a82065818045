#pragma once
// Widgets that show one control of the window model each and hand what the person does to the
// model instead of changing themselves: a keystroke goes through the model's key filter, typing
// limit and change rule before the text on screen changes; leaving a field runs its exit rule.

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <functional>
#include <optional>
#include <string>

namespace capcode::ui {

// What the bound widgets report to the window.
struct WidgetEvents {
  // A keystroke at the caret; returns where the caret goes.
  std::function<std::size_t(const std::string& control, char key, std::size_t caret,
                            std::size_t selected)>
      key;
  // A paste, cut or drop: at `at`, `removed` characters gave way to `inserted`. Returns where
  // the caret goes.
  std::function<std::size_t(const std::string& control, std::size_t at, std::size_t removed,
                            const std::string& inserted)>
      replaced;
  std::function<void(const std::string& control)> left;
  std::function<void(const std::string& control, int index)> picked;
  std::function<void(const std::string& control)> clicked;
};

// The character a key event types into the model, if it types one: a Latin-1 character or
// backspace ('\b'). Navigation, shortcuts and Tab are left to the widget.
std::optional<char> typedCharacter(const QKeyEvent& event);

class BoundLineEdit final : public QLineEdit {
 public:
  BoundLineEdit(std::string control, const WidgetEvents& events, QWidget* parent = nullptr);
  const std::string& control() const { return control_; }
  // The text the model holds, which the field shows.
  void setModelText(const QString& text) { modelText_ = text; }
  // While set, losing the focus does not count as leaving (a rule is putting the focus back).
  static bool focusReturning;
  // The field a rule is bringing the focus back to once the page change under way is done:
  // until then, losing the focus again does not count as leaving it again.
  static std::string focusComingBack;

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;

 private:
  void edited(const QString& text);

  std::string control_;
  const WidgetEvents& events_;
  QString modelText_;
};

class BoundComboBox final : public QComboBox {
 public:
  BoundComboBox(std::string control, const WidgetEvents& events, QWidget* parent = nullptr);

 protected:
  void keyPressEvent(QKeyEvent* event) override;

 private:
  std::string control_;
  const WidgetEvents& events_;
};

class BoundCheckBox final : public QCheckBox {
 public:
  BoundCheckBox(std::string control, const WidgetEvents& events, QWidget* parent = nullptr);

 protected:
  // The model decides the state: a click only reports itself.
  void nextCheckState() override;

 private:
  std::string control_;
  const WidgetEvents& events_;
};

}  // namespace capcode::ui
