// The window on the screens technicians have: run once per screen (an offscreen platform
// configured to that size, and Qt scale factors), as CTest sets the environment.

#include <gtest/gtest.h>

#include <QAbstractScrollArea>
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFileDialog>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <fstream>

#include "core/codec.hpp"
#include "support/temp_folder.hpp"
#include "ui/ledger_status_line.hpp"
#include "ui/main_window.hpp"

namespace capcode::ui {
namespace {

class Screen : public ::testing::Test {
 protected:
  void SetUp() override {
    WindowOptions options = optionsWithLedger();
    options.hardware.simLptImage = folder / "blank.eep";
    std::ofstream(*options.hardware.simLptImage, std::ios::binary) << std::string(2048, '\xFF');
    window = std::make_unique<MainWindow>(options);
    ASSERT_TRUE(window->start());
    // Every page a technician may see, the edition's hidden Hardware tab included.
    window->state().form.setVisible("hardware", true);
    window->act([] {});
    window->show();
    QApplication::processEvents();
  }
  static bool mustFit() { return qEnvironmentVariableIntValue("CAPCODE_EXPECT_FIT") == 1; }
  // The window records in a ledger of the test's own.
  WindowOptions optionsWithLedger() {
    WindowOptions options;
    options.startup.dataDirectories = {CAPCODE_SOURCE_DATA_DIR};
    options.production.ledger = folder / "ledger.sqlite3";
    options.production.station = "bench-1";
    return options;
  }
  // Image A with its checksum set, as a simulated box's pager holds it.
  static Image checkedImageA() {
    Image pager = defaultImageA();
    setChecksum(pager);
    return pager;
  }
  // The window closed and opened again on `options`, shown, its programmer boxes found; false
  // when it did not start.
  bool reopen(const WindowOptions& options) {
    window.reset();
    window = std::make_unique<MainWindow>(options);
    if (!window->start()) return false;
    window->show();
    QApplication::processEvents();
    return true;
  }
  static QString screenshotDir() {
    const QString dir = QString::fromStdString(CAPCODE_SCREENSHOT_DIR);
    QDir().mkpath(dir);
    return dir;
  }
  test::TempFolder folder;
  std::unique_ptr<MainWindow> window;
};

// The frame (the screens are configured with one), not only the client area.
TEST_F(Screen, TheWindowsFrameOpensWithinTheScreenAndCentred) {
  const QRect available = QGuiApplication::primaryScreen()->availableGeometry();
  const QRect frame = window->frameGeometry();
  ASSERT_NE(frame, window->geometry()) << "the screen gives the window no frame to count";
  EXPECT_TRUE(available.contains(frame))
      << "screen " << available.width() << "x" << available.height() << ", window at " << frame.x()
      << "," << frame.y() << " " << frame.width() << "x" << frame.height();
  EXPECT_LE(std::abs(frame.center().x() - available.center().x()), 1);
  EXPECT_LE(std::abs(frame.center().y() - available.center().y()), 1);
}

// The pages behind the shown one are made once the window is on screen, without being asked
// for, and the window is then fitted to them: asking for them later changes nothing.
TEST_F(Screen, ThePagesMadeAfterTheFirstPaintAreInTheOpeningSize) {
  for (int turn = 0; turn < 5; ++turn)
    QApplication::processEvents();
  QTabWidget* pages = window->pages();
  for (int i = 0; i < pages->count(); ++i) {
    EXPECT_NE(static_cast<QScrollArea*>(pages->widget(i))->widget(), nullptr) << "page " << i;
  }
  const QRect opened = window->geometry();
  for (const char* name : {"address", "feature", "hardware", "promptmsg"})
    ASSERT_NE(window->page(name), nullptr);
  QApplication::processEvents();
  EXPECT_EQ(window->geometry(), opened);
}

TEST_F(Screen, NoPageNeedsAScrollBarAndNoCaptionIsCut) {
  if (!mustFit()) GTEST_SKIP() << "a screen this small may scroll";
  for (const char* name : {"address", "feature", "hardware"}) {
    window->pages()->setCurrentWidget(window->page(name));
    QApplication::processEvents();
    auto* scroll = static_cast<QScrollArea*>(window->page(name));
    const QSize room = scroll->size();
    const QSize content = scroll->widget()->sizeHint();
    EXPECT_FALSE(scroll->horizontalScrollBar()->isVisible())
        << name << ": " << room.width() << "x" << room.height() << " for " << content.width() << "x"
        << content.height();
    EXPECT_FALSE(scroll->verticalScrollBar()->isVisible())
        << name << ": " << room.width() << "x" << room.height() << " for " << content.width() << "x"
        << content.height();
    for (QCheckBox* box : scroll->widget()->findChildren<QCheckBox*>()) {
      if (!box->isVisible() || box->text().isEmpty()) continue;
      EXPECT_GE(box->width(), box->sizeHint().width()) << box->objectName().toStdString();
    }
  }
}

TEST_F(Screen, TheStatusLogShowsEightLinesWithoutWrappingAMessage) {
  if (!mustFit()) GTEST_SKIP() << "a screen this small may show fewer lines";
  QPlainTextEdit* log = window->statusLog();
  const QFontMetrics metrics(log->font());
  EXPECT_GE(log->viewport()->height(), 8 * metrics.lineSpacing());
  const QString longest =
      "Address [8] range out, should be within 8-2007663; 2007672-2045055; 2045064-2097143";
  EXPECT_LT(metrics.horizontalAdvance(longest), log->viewport()->width());
}

TEST_F(Screen, EnlargedTheGroupsKeepTheirPlaceAndTheLogGrows) {
  const int logBefore = window->statusLog()->height();
  QWidget* tones = window->widget("L_tonepattern");
  const int tonesBefore = tones->height();
  window->resize(window->width() + 300, window->height() + 200);
  QApplication::processEvents();
  EXPECT_EQ(tones->height(), tonesBefore) << "a group keeps its natural height";
  EXPECT_GT(window->statusLog()->height(), logBefore) << "the log takes the extra height";
  // The second urgent-call pattern stays right below the first.
  QWidget* first = window->widget("tonepatternUcall2");
  QWidget* second = window->widget("tonepatternUcall1");
  EXPECT_LT(second->y() - first->y(), 3 * first->height());
}

// The pages as the README shows them, from the run on a 1366x768 screen.
TEST_F(Screen, ScreenshotsOfThePages) {
  if (!qEnvironmentVariableIsSet("CAPCODE_SCREENSHOTS")) GTEST_SKIP() << "another screen's run";
  const QString dir = screenshotDir();
  for (const char* name : {"address", "feature", "hardware"}) {
    window->pages()->setCurrentWidget(window->page(name));
    QApplication::processEvents();
    EXPECT_TRUE(window->grab().save(dir + "/" + name + ".png")) << name;
  }
}

// The ledger's line under the status log and the records view, after three pagers written
// through a simulated programmer box, as the README shows them.
TEST_F(Screen, ScreenshotsOfTheLedger) {
  if (!qEnvironmentVariableIsSet("CAPCODE_SCREENSHOTS")) GTEST_SKIP() << "another screen's run";
  WindowOptions options = optionsWithLedger();
  const Image pager = checkedImageA();
  options.hardware.simUsbImage = folder / "pager.eep";
  test::writeBytes(*options.hardware.simUsbImage, {pager.begin(), pager.end()});
  ASSERT_TRUE(reopen(options));
  ASSERT_TRUE(window->state().UsbMode);
  // The order's configuration, opened as a technician does.
  const std::string order = folder / "order-7.eep";
  test::writeBytes(order, {pager.begin(), pager.end()});
  QTimer::singleShot(0, [&] {
    auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
    ASSERT_NE(dialog, nullptr);
    // Typed into the name field, as the dialog's own list is filled only later.
    auto* name = dialog->findChild<QLineEdit*>("fileNameEdit");
    ASSERT_NE(name, nullptr);
    name->setText(QString::fromStdString(order));
    QMetaObject::invokeMethod(dialog, "accept");
  });
  window->action("Open1")->trigger();
  ASSERT_TRUE(window->statusLog()->toPlainText().split('\n').contains("File loaded"));
  window->act([this] { window->state().form.userPick("autoinc1", 1); });
  for (int pager = 0; pager < 3; ++pager) {
    window->action("WriteToPager")->trigger();
    ASSERT_EQ(window->statusLog()->toPlainText().split('\n').last(), "Verify OK !");
  }
  const QString dir = screenshotDir();
  // The bottom strip: the log with the ledger's line under it, the device list beside them.
  QWidget* bottom = window->ledgerStatusLine()->parentWidget()->parentWidget();
  EXPECT_TRUE(bottom->grab().save(dir + "/ledger_line.png"));
  bool grabbed = false;
  QTimer::singleShot(0, [&] {
    QWidget* view = QApplication::activeModalWidget();
    ASSERT_NE(view, nullptr);
    grabbed = view->grab().save(dir + "/ledger_records.png");
    view->close();
  });
  window->showLedgerRecords();
  EXPECT_TRUE(grabbed);
}

// The bench as the README shows it: two simulated boxes in the device list, the second chosen by
// a click, a pager written through it and a repeat refused by the ledger.
TEST_F(Screen, ScreenshotOfTheBench) {
  if (!qEnvironmentVariableIsSet("CAPCODE_SCREENSHOTS")) GTEST_SKIP() << "another screen's run";
  WindowOptions options = optionsWithLedger();
  const Image pager = checkedImageA();
  for (const char* name : {"box-1.eep", "box-2.eep"}) {
    options.hardware.simUsbImages.push_back(folder / name);
    test::writeBytes(folder / name, {pager.begin(), pager.end()});
  }
  ASSERT_TRUE(reopen(options));
  QListWidget* devices = window->deviceList();
  ASSERT_EQ(devices->count(), 2);
  QTest::mouseClick(devices->viewport(), Qt::LeftButton, {},
                    devices->visualItemRect(devices->item(1)).center());
  window->act([this] { window->state().form.userPick("autoinc1", 1); });
  window->action("WriteToPager")->trigger();
  ASSERT_EQ(window->statusLog()->toPlainText().split('\n').last(), "Verify OK !");
  window->act([this] {
    window->state().form.setText("address1", "2004000");
    window->state().form.leave("address1");
  });
  QTimer::singleShot(0, [] {
    if (QWidget* box = QApplication::activeModalWidget()) QTest::keyClick(box, Qt::Key_Return);
  });
  window->action("WriteToPager")->trigger();
  QWidget* bottom = window->ledgerStatusLine()->parentWidget()->parentWidget();
  EXPECT_TRUE(bottom->grab().save(screenshotDir() + "/bench.png"));
}

}  // namespace
}  // namespace capcode::ui

int main(int argc, char** argv) {
  // The default ledger of a window that is given none is never the user's.
  const capcode::test::TempFolder dataHome;
  qputenv("XDG_DATA_HOME", dataHome.path().c_str());
  QApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
