// The real window on hidapi and the udev monitor, against programmer boxes plugged into and
// pulled out of an emulated kernel while it runs (on Qt's offscreen platform): the monitor's
// uevents reach HidCtlDeviceChange, which says so in the log and turns the pager menus off and
// on again.

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QTimer>
#include <chrono>
#include <functional>
#include <thread>

#include "support/kernel/emulated_box.hpp"
#include "support/kernel/run_program.hpp"
#include "support/kernel/testbed_test.hpp"
#include "ui/main_window.hpp"

namespace capcode::kernel {
namespace {

constexpr std::uint8_t kAttach = 0x13;  // the report a program greets a box with

class WindowOnKernel : public TestbedTest {
 protected:
  void TearDown() override {
    window.reset();
    TestbedTest::TearDown();
  }

  void open() {
    ui::WindowOptions options;
    options.startup.dataDirectories = {CAPCODE_SOURCE_DATA_DIR};
    options.production.ledger = folder / "ledger.sqlite3";
    window = std::make_unique<ui::MainWindow>(options);
    ASSERT_TRUE(window->start());
    window->show();
    QApplication::processEvents();
  }
  // Runs the window's events until `done` holds; false after `limit`.
  static bool within(std::chrono::seconds limit, const std::function<bool()>& done) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!done()) {
      if (std::chrono::steady_clock::now() > deadline) return false;
      QApplication::processEvents(QEventLoop::AllEvents, 20);
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
  }
  int logCount(const QString& line) const {
    return static_cast<int>(window->statusLog()->toPlainText().split('\n').count(line));
  }
  bool pagerMenus() const {
    return window->action("WriteToPager")->isEnabled() &&
           window->action("ReadFromPager")->isEnabled();
  }
  bool noPagerMenu() const {
    return !window->action("WriteToPager")->isEnabled() &&
           !window->action("ReadFromPager")->isEnabled();
  }
  void plugIn(int number = 1) {
    boxes.push_back(std::make_unique<EmulatedBox>(*testbed, number));
  }

  std::unique_ptr<ui::MainWindow> window;
};

TEST_F(WindowOnKernel, SeesABoxPluggedInPulledOutAndPluggedInAgain) {
  open();
  ASSERT_NE(window->action("WriteToPager"), nullptr);
  EXPECT_EQ(logCount("USB port is ready."), 0);

  plugIn();
  EXPECT_TRUE(within(std::chrono::seconds(5), [&] { return logCount("USB port is ready.") == 1; }))
      << window->statusLog()->toPlainText().toStdString();
  EXPECT_TRUE(pagerMenus());
  EXPECT_TRUE(within(std::chrono::seconds(5), [&] { return boxes.back()->reports(kAttach) == 1; }));

  boxes.back()->unplug();
  EXPECT_TRUE(within(std::chrono::seconds(5), [&] { return logCount("USB port unplug.") == 1; }))
      << window->statusLog()->toPlainText().toStdString();
  EXPECT_TRUE(noPagerMenu());

  boxes.clear();
  plugIn();
  EXPECT_TRUE(within(std::chrono::seconds(5), [&] { return logCount("USB port is ready.") == 2; }))
      << window->statusLog()->toPlainText().toStdString();
  EXPECT_TRUE(pagerMenus());
  EXPECT_EQ(logCount("USB port unplug."), 1);
  // The box was announced only once whole: never a node that could not be opened.
  EXPECT_FALSE(window->statusLog()->toPlainText().contains("cannot be opened"));
}

TEST_F(WindowOnKernel, FindsABoxPluggedInBeforeItStarted) {
  plugIn();
  open();
  EXPECT_TRUE(within(std::chrono::seconds(5), [&] { return logCount("USB port is ready.") == 1; }))
      << window->statusLog()->toPlainText().toStdString();
  EXPECT_TRUE(pagerMenus());
  boxes.back()->unplug();
  EXPECT_TRUE(within(std::chrono::seconds(5), [&] { return logCount("USB port unplug.") == 1; }))
      << window->statusLog()->toPlainText().toStdString();
  EXPECT_TRUE(noPagerMenu());
}

// Pulled out in the middle of RD_From_Pager: the read fails, and the uevent that came while the
// window was busy is taken once it is done.
TEST_F(WindowOnKernel, ABoxPulledOutDuringAReadIsLetGoAfterIt) {
  plugIn();
  open();
  ASSERT_TRUE(within(std::chrono::seconds(5), [&] { return pagerMenus(); }));
  boxes.back()->planFault(0x14, 5, BoxFault::Unplug);
  // The person reads each message box and closes it.
  QStringList shown;
  QTimer person;
  QObject::connect(&person, &QTimer::timeout, [&shown] {
    if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
      shown << box->text();
      box->accept();
    }
  });
  person.start(10);
  window->action("ReadFromPager")->trigger();
  EXPECT_TRUE(within(std::chrono::seconds(5), [&] { return logCount("USB port unplug.") == 1; }))
      << window->statusLog()->toPlainText().toStdString();
  EXPECT_EQ(logCount("Device not exist, please check the connection."), 1)
      << window->statusLog()->toPlainText().toStdString();
  EXPECT_TRUE(noPagerMenu());
  EXPECT_EQ(shown, QStringList{"Write Error: No such device"});
}

// The installed window itself, as a person starts it: it greets a box it finds at start-up, and
// through its udev monitor a box plugged in after one was pulled out.
TEST_F(WindowOnKernel, TheWindowProgramGreetsEachBoxPluggedIn) {
  plugIn();
  RunningProgram program(CAPCODE_WINDOW, {"--data-dir", CAPCODE_SOURCE_DATA_DIR, "--ledger",
                                          folder / "window.sqlite3"});
  const auto greeted = [&] { return boxes.back()->reports(kAttach) == 1; };
  EXPECT_TRUE(within(std::chrono::seconds(20), greeted));
  // Pulled out and another plugged into the next port: however the window takes the two
  // uevents, the first box is gone and the second is new.
  boxes.back()->unplug();
  plugIn(2);
  EXPECT_TRUE(within(std::chrono::seconds(5), greeted));
  EXPECT_EQ(boxes.front()->reports(kAttach), 1u);
  const ProgramRun run = program.stop();
  EXPECT_FALSE(run.timedOut) << run.all();
}

}  // namespace
}  // namespace capcode::kernel

int main(int argc, char** argv) {
  // Test discovery runs this binary without CTest's environment.
  qputenv("QT_QPA_PLATFORM", "offscreen");
  const capcode::test::TempFolder dataHome;
  qputenv("XDG_DATA_HOME", dataHome.path().c_str());
  QApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
