// The real window driven as a person drives it, on Qt's offscreen platform.

#include "ui/main_window.hpp"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QLineEdit>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSlider>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <ctime>
#include <fstream>

#include "app/window_program.hpp"
#include "core/codec.hpp"
#include "core/config_file.hpp"
#include "core/window_arrangement.hpp"
#include "ui/ledger_wait_window.hpp"
#include "ui/progress_window.hpp"
#include "ui/window_fixture.hpp"

namespace capcode::ui {
namespace {

TEST_F(Window, OpensOnTheFeaturePageWithTheBannerAndCaption) {
  open();
  EXPECT_EQ(window->windowTitle(), "M61V10 Capcode Programmer Customer Version");
  EXPECT_EQ(window->pages()->currentWidget(), window->page("feature"));
  EXPECT_TRUE(logLines().first().startsWith("M61V10 USB CapCode Programmer Windows version "));
  EXPECT_FALSE(window->pages()->isTabVisible(window->pages()->indexOf(window->page("promptmsg"))));
  EXPECT_FALSE(window->pages()->isTabVisible(window->pages()->indexOf(window->page("hardware"))));
  EXPECT_EQ(edit("frequency")->text(), "163.00000");
}

// A file named on the command line (a double-click in the file manager) is File > Open with
// the dialog answered: its log lines, its checks, its beep.
TEST_F(Window, AFileGivenAtStartIsOpenedAsFileOpenDoes) {
  open();
  // A file as the program saves it, with a hello line of its own.
  encodeForSave(window->state());
  Image image = window->state().ConfigImage;
  const char hello[] = "From the file       ";
  std::copy(hello, hello + 20, image.begin() + 0x240);
  setChecksum(image);
  const std::string good = ::testing::TempDir() + "capcode_ui_given.eep";
  std::ofstream(good, std::ios::binary).write(reinterpret_cast<const char*>(image.data()), 2048);
  image[0x241] ^= 1;
  const std::string damaged = ::testing::TempDir() + "capcode_ui_damaged.eep";
  std::ofstream(damaged, std::ios::binary).write(reinterpret_cast<const char*>(image.data()), 2048);

  window->openFile(good);
  EXPECT_EQ(logLines().mid(logLines().size() - 2),
            QStringList({QString::fromStdString("Load data from " + good), "File loaded"}));
  EXPECT_EQ(edit("hellomsg1")->text(), hello);
  EXPECT_EQ(window->state().CurrentFilePath, good);

  window->openFile(damaged);
  EXPECT_EQ(
      logLines().mid(logLines().size() - 2),
      QStringList({QString::fromStdString("Load data from " + damaged), "File checksum error"}));
  EXPECT_EQ(edit("hellomsg1")->text(), hello) << "a refused file changes nothing";
}

TEST_F(Window, ARefusedKeyNeverReachesTheField) {
  open();
  showPage("address");
  const QString before = edit("address1")->text();
  typeInto(edit("address1"), "x");
  EXPECT_EQ(edit("address1")->text(), before);
  EXPECT_EQ(logLines().last(), "Number 0-9 and backspace only");
}

TEST_F(Window, LeavingAShortCapcodePutsTheCaretBack) {
  open();
  QLineEdit* address = focusOnAddressPage("address1", Qt::MouseFocusReason);
  for (int i = 0; i < 7; ++i)
    QTest::keyClick(address, Qt::Key_Backspace);
  QTest::keyClicks(address, "5");
  EXPECT_EQ(address->text(), "5");
  leave(address);
  EXPECT_EQ(address->text(), "0000005");
  EXPECT_EQ(QApplication::focusWidget(), address);
  EXPECT_EQ(logLines().last(),
            "Address [1] range out, should be within 8-2007663; 2007672-2045055; 2045064-2097143");
}

TEST_F(Window, ALeaderDragsItsLedRowOnHwA) {
  open();
  window->action("switch_model")->trigger();  // hidden item: HW-B -> HW-A2
  ASSERT_EQ(window->state().HardwareRevision, kHwA2);
  QLineEdit* address = focusOnAddressPage("address1", Qt::MouseFocusReason);
  for (int i = 0; i < 7; ++i)
    QTest::keyClick(address, Qt::Key_Backspace);
  QTest::keyClicks(address, "2004001");
  EXPECT_EQ(edit("address2")->text(), "2004009");
  EXPECT_EQ(edit("frame2")->text(), "1");
}

TEST_F(Window, TypingOverAFieldEnteredWithTabReplacesIt) {
  open();
  // Tab selects the whole text.
  QLineEdit* address = focusOnAddressPage("address6", Qt::TabFocusReason);
  ASSERT_TRUE(address->hasSelectedText());
  QTest::keyClicks(address, "2004047");
  EXPECT_EQ(address->text(), "2004047");
  EXPECT_EQ(window->state().form.text("frame6"), "7");
  address->setCursorPosition(3);
  QTest::keyClick(address, Qt::Key_Backspace);
  EXPECT_EQ(address->text(), "204047");
  EXPECT_EQ(address->cursorPosition(), 2);
}

TEST_F(Window, PicksAndClicksRunTheirRules) {
  open();
  QComboBox* alert = combo("alerttype");
  alert->setFocus(Qt::MouseFocusReason);
  QTest::keyClick(alert, Qt::Key_Home);  // "Tone"
  EXPECT_EQ(window->state().form.index("alerttype"), 0);
  EXPECT_FALSE(combo("vibratetype")->isEnabled());
  EXPECT_EQ(combo("vibratetype")->currentText(), "Continuous");

  QCheckBox* repeat = box("repeatmsg");
  window->state().form.setVisible("repeatmsg", true);
  window->act([] {});
  QTest::mouseClick(repeat, Qt::LeftButton);
  EXPECT_FALSE(repeat->isChecked());
  EXPECT_EQ(combo("repeatcallcheck")->currentText(), "Disable");
  EXPECT_FALSE(combo("repeatcallreject")->isEnabled());
  // Typing into a list is refused without a word.
  const int before = combo("zoom")->currentIndex();
  QTest::keyClicks(combo("baudrate"), "2");
  EXPECT_EQ(combo("zoom")->currentIndex(), before);
}

TEST_F(Window, TheErrorNoticeIsAMessageOverAUsableWindow) {
  open();
  window->state().form.setText("unread_alert", "");
  window->act([] {});
  acknowledgeNextMessage();
  typeInto(edit("alerttime"), "9");
  EXPECT_EQ(shownMessages, QStringList{"'' is not a valid integer value"});
  EXPECT_TRUE(window->isEnabled());
}

TEST_F(Window, WritingTheSimulatedPagerShowsProgressAndVerifies) {
  open(simulatedBox("capcode_ui_pager.eep", defaultImageA()));
  QApplication::processEvents();  // the first device-change notification
  ASSERT_TRUE(window->state().UsbMode);
  bool progressShown = false;
  QObject::connect(window->progressWindow()->bar(), &QProgressBar::valueChanged,
                   [&] { progressShown |= window->progressWindow()->isVisible(); });
  window->action("WriteToPager")->trigger();
  EXPECT_TRUE(progressShown);
  EXPECT_FALSE(window->progressWindow()->isVisible());
  EXPECT_EQ(logLines().last(), "Verify OK !");
}

// Closing the progress dialog or the ledger's wait only hides it: the transfer or the wait
// goes on, and nothing is cancelled.
TEST_F(Window, ClosingADialogBesideTheWindowOnlyHidesIt) {
  open();
  for (QDialog* dialog :
       std::initializer_list<QDialog*>{window->progressWindow(), window->ledgerWaitWindow()}) {
    dialog->show();
    EXPECT_FALSE(dialog->close()) << dialog->objectName().toStdString() << " was closed";
    EXPECT_FALSE(dialog->isVisible()) << dialog->objectName().toStdString();
  }
  EXPECT_TRUE(window->ledgerWaitWindow()->cancelButton()->isEnabled()) << "nothing cancelled";
}

TEST_F(Window, ADeviceChangeDuringAnEventWaitsForItsEnd) {
  HardwareOptions usb;
  usb.simUsbImage = emptyPager();
  open(usb);
  QApplication::processEvents();
  ASSERT_TRUE(window->state().UsbMode);
  bool unpluggedInside = true;
  window->act([&] {
    window->hardware().simulatedBox()->pluggedIn = false;
    window->deviceChange();  // as the system's notification would arrive during a transfer
    unpluggedInside = !window->state().UsbMode;
  });
  EXPECT_FALSE(unpluggedInside);
  EXPECT_FALSE(window->state().UsbMode);
  EXPECT_EQ(logLines().last(), "USB port unplug.");
}

TEST_F(Window, ARejectedCapcodeBringsItsPageBackWithTheFieldSelected) {
  open();
  QLineEdit* address = focusOnAddressPage("address1", Qt::TabFocusReason);
  QTest::keyClicks(address, "2097150");
  leave(address);
  const QString range =
      "Address [1] range out, should be within 8-2007663; 2007672-2045055; 2045064-2097143";
  const auto reported = logLines().count(range);
  ASSERT_GE(reported, 1);
  // Off to another page: the field is left once, and its page comes back.
  for (int attempt = 1; attempt <= 2; ++attempt) {
    window->pages()->setCurrentWidget(window->page("feature"));
    QApplication::processEvents();
    EXPECT_EQ(logLines().count(range), reported + attempt) << "once per attempt";
  }
  EXPECT_EQ(window->pages()->currentWidget(), window->page("address"));
  EXPECT_EQ(QApplication::focusWidget(), address);
  EXPECT_TRUE(address->isVisible());
  EXPECT_EQ(address->selectedText(), address->text());
  // What is typed next goes into the field the person sees, over its selection.
  QTest::keyClick(address, Qt::Key_Backspace);
  QTest::keyClicks(address, "2004000");
  EXPECT_EQ(address->text(), "2004000");
}

TEST_F(Window, TabLeavesTheStatusLog) {
  open();
  QPlainTextEdit* log = window->statusLog();
  log->setFocus(Qt::MouseFocusReason);
  const QString before = log->toPlainText();
  QTest::keyClick(log, Qt::Key_Tab);
  EXPECT_NE(QApplication::focusWidget(), log);
  EXPECT_EQ(log->toPlainText(), before);
  EXPECT_FALSE(log->isReadOnly()) << "the log stays editable";
}

TEST_F(Window, ARefusedKeyKeepsTheSelectionSoNothingTypedNextIsLost) {
  open();
  QLineEdit* address = focusOnAddressPage("address3", Qt::TabFocusReason);
  ASSERT_TRUE(address->hasSelectedText());
  QTest::keyClick(address, 'x');
  EXPECT_TRUE(address->hasSelectedText());
  QTest::keyClicks(address, "2004048");
  EXPECT_EQ(address->text(), "2004048");
}

TEST_F(Window, APasteGoesThroughTheKeyFilterAndTheTypingLimit) {
  open();
  QLineEdit* address = focusOnAddressPage("address1", Qt::TabFocusReason);
  QApplication::clipboard()->setText("200400012");
  QTest::keyClick(address, Qt::Key_V, Qt::ControlModifier);
  EXPECT_EQ(address->text(), "2004000") << "cut to the 7-character limit";

  showPage("feature");
  QLineEdit* alert = edit("alerttime");
  alert->setFocus(Qt::TabFocusReason);
  QApplication::clipboard()->setText("1a2");
  QTest::keyClick(alert, Qt::Key_V, Qt::ControlModifier);
  EXPECT_EQ(alert->text(), "12");
  EXPECT_EQ(window->state().form.text("alerttime"), "12");
  EXPECT_EQ(logLines().last(), "Number 0-9 and backspace only");
}

TEST_F(Window, InputDuringATransferIsDroppedNotQueued) {
  open(simulatedBox("capcode_ui_hold.eep", defaultImageB()));
  QApplication::processEvents();
  ASSERT_TRUE(window->state().UsbMode);
  QCheckBox* canned = box("toneonlymsg");
  const bool before = canned->isChecked();
  bool busyCursor = false;
  QObject::connect(window->progressWindow()->bar(), &QProgressBar::valueChanged, [&] {
    busyCursor |= QApplication::overrideCursor() != nullptr &&
                  QApplication::overrideCursor()->shape() == Qt::WaitCursor;
  });
  // A click that arrives while the write runs.
  const QPoint centre = canned->rect().center();
  QCoreApplication::postEvent(
      canned, new QMouseEvent(QEvent::MouseButtonPress, centre, canned->mapToGlobal(centre),
                              Qt::LeftButton, Qt::LeftButton, Qt::NoModifier));
  QCoreApplication::postEvent(
      canned, new QMouseEvent(QEvent::MouseButtonRelease, centre, canned->mapToGlobal(centre),
                              Qt::LeftButton, Qt::NoButton, Qt::NoModifier));
  window->action("WriteToPager")->trigger();
  QApplication::processEvents();
  EXPECT_EQ(logLines().last(), "Verify OK !");
  EXPECT_TRUE(busyCursor);
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
  EXPECT_EQ(canned->isChecked(), before);
  EXPECT_EQ(window->state().form.checked("toneonlymsg"), before);
}

TEST_F(Window, TheProgressDialogShowsItsLongestCaptionWhole) {
  open();
  const QFontMetrics metrics(QApplication::font());
  EXPECT_GT(window->progressWindow()->width(),
            metrics.horizontalAdvance("Read back hardware setting, please wait..."));
}

// The bus timing sliders are made with their page and still reach the model long after the
// page was built: every move runs through the model and shows what it keeps.
TEST_F(Window, ATimingSliderMovedLaterReachesTheModel) {
  open();
  for (const char* name : {"TrackBar1", "TrackBar2", "TrackBar3"}) {
    auto* slider = qobject_cast<QSlider*>(window->widget(name));
    ASSERT_NE(slider, nullptr) << name;
    const int moved = slider->value() == 40 ? 41 : 40;
    slider->setValue(moved);
    EXPECT_EQ(window->state().form.at(name).position, moved) << name;
    EXPECT_EQ(slider->value(), moved) << name;
  }
}

TEST_F(Window, StandardShortcutsBesideTheMenuAccelerators) {
  open();
  EXPECT_EQ(window->action("Open1")->shortcut(), QKeySequence(QKeySequence::Open));
  EXPECT_EQ(window->action("Save1")->shortcut(), QKeySequence(QKeySequence::Save));
  EXPECT_EQ(window->action("Exit1")->shortcut(), QKeySequence(QKeySequence::Quit));
}

TEST_F(Window, EveryPlacedControlHasOneWidgetAndEveryWidgetAControl) {
  open();
  for (const WindowPlace& place : windowPlaces()) {
    if (place.control.empty()) continue;
    EXPECT_NE(window->widget(place.control), nullptr) << place.control;
    EXPECT_EQ(window->findChildren<QWidget*>(QString::fromStdString(place.control)).size(), 1)
        << place.control;
  }
  for (const WindowSection& section : windowSections()) {
    if (section.isGroup()) {
      EXPECT_NE(window->widget(section.name), nullptr) << section.name;
    }
  }
  for (QWidget* w : window->findChildren<QWidget*>()) {
    const std::string name = w->objectName().toStdString();
    if (window->widget(name) == w) {
      EXPECT_NE(window->state().form.find(name), nullptr) << name;
    }
  }
  // Labels and hints come from the arrangement table.
  EXPECT_EQ(window->widget("address1")->toolTip().toStdString(),
            window->state().form.at("address1").hint);
}

TEST_F(Window, AQuestionHasOneButtonPerAnswerTheFirstTheDefault) {
  open();
  answerNextQuestion("Cancel");
  const auto chosen =
      feedback().ask("Capcode 2004000 is on another pager.", {"Program again", "Cancel"});
  EXPECT_EQ(chosen, std::optional<std::size_t>(1));
  EXPECT_EQ(askedQuestions,
            QStringList{"Capcode 2004000 is on another pager. [Program again|Cancel]"});
  EXPECT_EQ(defaultAnswers, QStringList{"Program again"});

  answerNextQuestion("Program again");
  EXPECT_EQ(feedback().ask("Again?", {"Program again", "Cancel"}), std::optional<std::size_t>(0));
}

TEST_F(Window, AQuestionClosedWithoutAnAnswerGivesNone) {
  open();
  answerNextQuestion("");
  EXPECT_EQ(feedback().ask("Continue after the last pager?", {"Continue", "Keep"}), std::nullopt);
  ASSERT_EQ(askedQuestions.size(), 1);
  // Escape, too.
  QTimer::singleShot(0, [] {
    if (QWidget* question = QApplication::activeModalWidget())
      QTest::keyClick(question, Qt::Key_Escape);
  });
  EXPECT_EQ(feedback().ask("Continue after the last pager?", {"Continue", "Keep"}), std::nullopt);
}

TEST_F(Window, AQuestionWithASafeAnswerGivesItOnEnterEscapeAndClose) {
  open();
  const Question question{"Capcode 2004000 is on another pager.",
                          {"Program again", "Cancel"},
                          1,
                          QuestionTone::Warning};
  for (const Qt::Key key : {Qt::Key_Return, Qt::Key_Escape, Qt::Key_Space}) {
    pressOnNextBox(key);
    EXPECT_EQ(feedback().ask(question), std::optional<std::size_t>(1)) << key;
  }
  answerNextQuestion("");
  EXPECT_NE(feedback().ask(question), std::optional<std::size_t>(0)) << "closed: not written";
  EXPECT_EQ(defaultAnswers, QStringList(4, "Cancel"));
  EXPECT_EQ(questionIcons, QList<QMessageBox::Icon>(4, QMessageBox::Warning));
  answerNextQuestion("Program again");
  EXPECT_EQ(feedback().ask(question), std::optional<std::size_t>(0)) << "a deliberate click";
}

TEST_F(Window, AQuestionDuringATransferTakesTheAnswer) {
  open();
  std::optional<std::size_t> chosen;
  answerNextQuestion("Cancel");
  window->act([&] {
    feedback().progressShown("Writing data to Pager, please wait...");
    chosen = feedback().ask("Capcode 2004000 is on another pager.", {"Program again", "Cancel"});
    feedback().progressHidden();
  });
  EXPECT_EQ(chosen, std::optional<std::size_t>(1)) << "the click reached the question";
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

}  // namespace
}  // namespace capcode::ui

int main(int argc, char** argv) {
  // Test discovery runs this binary without CTest's environment.
  qputenv("QT_QPA_PLATFORM", "offscreen");
  // Local time two hours east of Greenwich, all year: the records view shows local days.
  qputenv("TZ", "EET-2");
  tzset();
  // The default ledger of a window that is given none is never the user's.
  const capcode::test::TempFolder dataHome;
  qputenv("XDG_DATA_HOME", dataHome.path().c_str());
  QApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
