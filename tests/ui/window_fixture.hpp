#pragma once
// The real window, started on Qt's offscreen platform with a ledger of its own, and the ways a
// test drives it as a person would: typing, leaving fields, answering its boxes.

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <fstream>
#include <memory>

#include "core/codec.hpp"
#include "support/temp_folder.hpp"
#include "ui/main_window.hpp"

// Failures show texts, not UTF-16 code units.
inline void PrintTo(const QString& text, std::ostream* out) {
  *out << '"' << text.toStdString() << '"';
}

namespace capcode::ui {

class Window : public ::testing::Test {
 protected:
  void open(HardwareOptions hardware = {}) {
    WindowOptions options;
    options.startup.dataDirectories = {CAPCODE_SOURCE_DATA_DIR};
    if (!hardware.simulated()) hardware.simLptImage = emptyPager();
    options.hardware = hardware;
    options.production = production;
    window = std::make_unique<MainWindow>(options);
    ASSERT_TRUE(window->start());
    window->show();
    QApplication::processEvents();
  }
  // A simulated programmer box whose pager holds `image` with its checksum set.
  static HardwareOptions simulatedBox(const std::string& name, Image image) {
    HardwareOptions usb;
    usb.simUsbImage = ::testing::TempDir() + name;
    setChecksum(image);
    std::ofstream(*usb.simUsbImage, std::ios::binary)
        .write(reinterpret_cast<const char*>(image.data()), 2048);
    return usb;
  }
  static std::string emptyPager() {
    const std::string path = ::testing::TempDir() + "capcode_ui_blank.eep";
    std::ofstream(path, std::ios::binary) << std::string(2048, '\xFF');
    return path;
  }
  QLineEdit* edit(const char* name) { return static_cast<QLineEdit*>(window->widget(name)); }
  QComboBox* combo(const char* name) { return static_cast<QComboBox*>(window->widget(name)); }
  QCheckBox* box(const char* name) { return static_cast<QCheckBox*>(window->widget(name)); }
  QStringList logLines() { return window->statusLog()->toPlainText().split('\n'); }
  void showPage(const char* name) {
    window->pages()->setCurrentWidget(window->page(name));
    QApplication::processEvents();
  }
  // A field of the Address page with the focus put in it as a person does: a click leaves the
  // caret where it was (Qt::MouseFocusReason), Tab selects the whole text (Qt::TabFocusReason).
  QLineEdit* focusOnAddressPage(const char* name, Qt::FocusReason reason) {
    showPage("address");
    QLineEdit* field = edit(name);
    field->setFocus(reason);
    return field;
  }
  // Types into a field the way a person does: click into it, select nothing, press keys.
  void typeInto(QLineEdit* field, const QString& text) {
    field->setFocus(Qt::MouseFocusReason);
    QTest::keyClicks(field, text);
  }
  // Moves the focus on with Tab: the field is left.
  void leave(QWidget* field) {
    field->setFocus(Qt::MouseFocusReason);
    QWidget* next = edit("maxprivate") == field ? edit("lcdholdtime") : edit("maxprivate");
    next->setFocus(Qt::TabFocusReason);
    QApplication::processEvents();
  }
  // Closes the next modal box as a person would and remembers its text.
  void acknowledgeNextMessage() {
    QTimer::singleShot(0, [this] {
      if (auto* boxWidget = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
        shownMessages << boxWidget->text();
        boxWidget->accept();
      }
    });
  }

  // Answers the next question as a person would: clicks the button `answer` with the mouse,
  // or closes the question when `answer` is empty. Remembers its text and buttons.
  void answerNextQuestion(const QString& answer, int waited = 0) {
    QTimer::singleShot(waited == 0 ? 0 : 10, [this, answer, waited] {
      auto* question = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      if (question == nullptr) {
        // Events run before the question comes up (the progress dialog repaints): look again.
        if (waited < 500) answerNextQuestion(answer, waited + 1);
        return;
      }
      noteQuestion(question);
      if (answer.isEmpty()) {
        question->close();
        return;
      }
      for (QAbstractButton* button : question->findChildren<QAbstractButton*>()) {
        if (caption(button) == answer) QTest::mouseClick(button, Qt::LeftButton);
      }
      // A click the window dropped leaves the question up: closed, so that the test ends.
      if (question->isVisible()) question->reject();
    });
  }
  // Answers the next modal box with a key, as a technician does by reflex (Enter, Escape).
  // The key goes where a person's would: to the button that has the focus.
  void pressOnNextBox(Qt::Key key, Qt::KeyboardModifiers modifiers = {}, int waited = 0) {
    QTimer::singleShot(waited == 0 ? 0 : 10, [this, key, modifiers, waited] {
      auto* shown = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      if (shown == nullptr) {
        if (waited < 500) pressOnNextBox(key, modifiers, waited + 1);
        return;
      }
      noteQuestion(shown);
      QWidget* focused = shown->focusWidget();
      QTest::keyClick(focused != nullptr ? focused : shown, key, modifiers);
      // A box the key did not close is closed, so that the test ends.
      if (shown->isVisible()) shown->reject();
    });
  }
  // A button's caption without its accelerator mark.
  static QString caption(const QAbstractButton* button) {
    return QString(button->text()).remove('&');
  }
  void noteQuestion(QMessageBox* question) {
    QStringList buttons;
    for (QAbstractButton* button : question->findChildren<QAbstractButton*>()) {
      if (button->isVisible()) buttons << caption(button);
    }
    askedQuestions << question->text() + " [" + buttons.join("|") + "]";
    defaultAnswers << (question->defaultButton() ? caption(question->defaultButton()) : "");
    questionIcons << question->icon();
  }
  Feedback& feedback() { return window->state().feedback(); }

  test::TempFolder folder;
  // Every window of these tests records in a ledger of its own.
  ProductionOptions production{folder / "ledger.sqlite3", false, "bench-1", ""};
  std::unique_ptr<MainWindow> window;
  QStringList shownMessages;
  QStringList askedQuestions;
  QStringList defaultAnswers;
  QList<QMessageBox::Icon> questionIcons;
};

}  // namespace capcode::ui
