#include "ui/main_window.hpp"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QFileDialog>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QLayout>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QSignalBlocker>
#include <QSlider>
#include <QSocketNotifier>
#include <QSplitter>
#include <QTabBar>
#include <QTabWidget>
#include <QTimer>
#include <QWindow>

#include "core/file_io.hpp"
#include "core/recovery_chips.hpp"
#include "link/hidapi_backend.hpp"
#include "ui/frame_placement.hpp"
#include "ui/ledger_records_dialog.hpp"
#include "ui/ledger_status_line.hpp"
#include "ui/ledger_wait_window.hpp"
#include "ui/progress_window.hpp"

namespace capcode::ui {

namespace {

// How often the ledger line counts today's pagers again, in ms: other stations write to a
// shared ledger without this window knowing.
constexpr int kLedgerRecountMillis = 30000;
// How often a count made on the ledger's thread is looked for, in ms.
constexpr int kLedgerCountTakenMillis = 100;
// A wait for the ledger this long shows the wait window: shorter ones pass unseen.
constexpr auto kShowLedgerWait = std::chrono::milliseconds(300);

// Shows or hides a widget only when that changes: every refresh passes over several hundred
// widgets, and one told to show that is not hidden is still marked, notified and laid out again.
void showAs(QWidget* widget, bool visible) {
  const bool hidden = widget->testAttribute(Qt::WA_WState_ExplicitShowHide) && widget->isHidden();
  if (hidden == visible) widget->setVisible(visible);
}

QString fromBytes(const std::string& bytes) {
  return QString::fromLatin1(bytes.data(), static_cast<int>(bytes.size()));
}

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

MainWindow::MainWindow(const WindowOptions& options)
    : program_(static_cast<Feedback&>(*this), options),
      productionOptions_(options.production),
      state_(program_.state()),
      hardware_(&program_.hardware()),
      links_(&program_.links()) {
  events_.key = [this](const std::string& c, char k, std::size_t caret, std::size_t selected) {
    std::size_t after = caret;
    typing_ = true;
    act([&] { after = state_.form.userKey(c, k, FormModel::Caret{caret, selected}); });
    typing_ = false;
    return after;
  };
  // A paste (or a cut) is replayed as the keystrokes it stands for, through the key filter
  // and the typing limit; the characters refused sound one beep, not one each.
  events_.replaced = [this](const std::string& c, std::size_t at, std::size_t removed,
                            const std::string& inserted) {
    std::size_t caret = at;
    mutedBeeps_ = 0;
    typing_ = true;
    act([&] {
      std::size_t selected = removed;
      if (inserted.empty() && selected > 0) {
        caret = state_.form.userKey(c, '\b', FormModel::Caret{caret, selected});
      }
      for (const char k : inserted) {
        caret = state_.form.userKey(c, k, FormModel::Caret{caret, selected});
        selected = 0;
      }
    });
    typing_ = false;
    const bool refused = mutedBeeps_ > 0;
    mutedBeeps_ = -1;
    if (refused) beep();
    return caret;
  };
  events_.left = [this](const std::string& c) { act([&] { state_.form.leave(c); }); };
  events_.picked = [this](const std::string& c, int i) {
    act([&] {
      if (state_.form.reachable(c)) state_.form.userPick(c, i);
    });
  };
  events_.clicked = [this](const std::string& c) {
    act([&] {
      if (state_.form.reachable(c)) state_.form.userClick(c);
    });
  };
  // A file-size limit or a full disk ends a ledger write or a save in a notice; the window goes
  // on, and the simulated pagers' images are still saved when it closes.
  survivesFileSizeLimit();
  buildMenu();
  buildPages();
  connect(ledgerLine_->recordsButton(), &QPushButton::clicked, this,
          [this] { showLedgerRecords(); });
}

MainWindow::~MainWindow() = default;

bool MainWindow::start() {
  const bool started = program_.startUp();
  refresh();
  if (!started) return false;
  production_ = std::make_unique<WindowProduction>(program_, productionOptions_);
  production_->setWaitHook([this](const LedgerWait& wait) { waitForLedger(wait); });
  refreshLedgerLine();
  ledgerRecount_ = new QTimer(this);
  ledgerRecount_->setObjectName("ledgerRecount");
  ledgerRecount_->setInterval(kLedgerRecountMillis);
  connect(ledgerRecount_, &QTimer::timeout, this, [this] { recountLedger(); });
  ledgerRecount_->start();
  ledgerCountTaken_ = new QTimer(this);
  ledgerCountTaken_->setInterval(kLedgerCountTakenMillis);
  connect(ledgerCountTaken_, &QTimer::timeout, this, [this] {
    if (production_->takeCount()) refreshLedgerLine();
  });
  ledgerCountTaken_->start();
  pages_->setCurrentWidget(pageWidgets_.at("feature"));  // made now, the others later
  watchDevices();
  // The HID controller's first scan, once the event loop runs.
  QTimer::singleShot(0, this, [this] { deviceChange(); });
  return true;
}

void MainWindow::openFile(const std::string& path) {
  dialogAnswer_ = path;
  events_.clicked("Open1");
  dialogAnswer_.reset();
}

QWidget* MainWindow::widget(const std::string& name) const {
  auto it = widgets_.find(name);
  if (it == widgets_.end()) {
    // A control of a page not made yet: the pages are made now (asking changes no state the
    // caller can see but the widgets that exist).
    const_cast<MainWindow*>(this)->buildAllPages();
    it = widgets_.find(name);
  }
  return it == widgets_.end() ? nullptr : it->second;
}

QAction* MainWindow::action(const std::string& name) const {
  const auto it = actions_.find(name);
  return it == actions_.end() ? nullptr : it->second;
}

ProgressWindow* MainWindow::progressWindow() const {
  // Made when first needed: measuring its captions' text is a good part of the window's
  // start-up, and most sessions start no transfer for a while.
  if (progress_ == nullptr) progress_ = new ProgressWindow(const_cast<MainWindow*>(this));
  return progress_;
}

QWidget* MainWindow::page(const std::string& name) const {
  const auto it = pageWidgets_.find(name);
  if (it == pageWidgets_.end()) return nullptr;
  const_cast<MainWindow*>(this)->buildAllPages();  // its controls are there when it is asked for
  return it->second;
}

void MainWindow::act(const std::function<void()>& action) {
  if (ledgerWaiting_) {
    // A menu command while a write waits for its record: it would run in the middle of it.
    log("The ledger has not answered yet: try again once it has");
    QApplication::beep();
    return;
  }
  // Events run one at a time: the progress dialog lets the window repaint during a transfer,
  // and a device change arriving then waits until the transfer is over.
  const bool outermost = !busy_;
  busy_ = true;
  state_.event(action);
  if (outermost) {
    busy_ = false;
    releaseInput();
  }
  refresh();
  // The line shows the last count: writes and File > Open count again, other events ask the
  // ledger nothing (a server may be a network round trip away).
  if (outermost && !typing_) refreshLedgerLine();
  if (!pendingFocus_.empty()) {
    std::string target;
    target.swap(pendingFocus_);
    QWidget* field = widget(target);
    if (field != nullptr && field->isVisible() && pages_->currentWidget()->isAncestorOf(field)) {
      focusControl(target);
    } else {
      // The person is on the way to another page (the tab is changing now): bring the field's
      // page back once that change is done, not in the middle of it.
      BoundLineEdit::focusComingBack = target;
      QTimer::singleShot(0, this, [this, target] {
        BoundLineEdit::focusComingBack.clear();
        focusControl(target);
      });
    }
  }
  if (state_.windowClosed) close();
  if (outermost && deviceChangePending_) {
    deviceChangePending_ = false;
    deviceChange();
  }
}

void MainWindow::focusControl(const std::string& name) {
  QWidget* target = widget(name);
  if (target == nullptr) return;
  // The field that has the focus now was never really entered: it does not run its exit, and
  // neither does the field it came from when its page is brought back.
  BoundLineEdit::focusReturning = true;
  for (const auto& [pageName, scroll] : pageWidgets_) {
    if (scroll->isAncestorOf(target) && pages_->currentWidget() != scroll) {
      pages_->setCurrentWidget(scroll);
    }
  }
  target->setFocus(Qt::OtherFocusReason);
  if (auto* edit = qobject_cast<QLineEdit*>(target)) edit->selectAll();
  BoundLineEdit::focusReturning = false;
}

namespace {

// Drops what the person does while a transfer runs: clicks, keys and closing the window would
// otherwise wait in the queue and act once the write is over. What `passes` lets through
// reaches its widget.
class InputHold final : public QObject {
 public:
  explicit InputHold(std::function<bool(QObject*)> passes) : passes_(std::move(passes)) {}

  bool eventFilter(QObject* watched, QEvent* event) override {
    if (passes_(watched)) return false;
    switch (event->type()) {
      case QEvent::MouseButtonPress:
      case QEvent::MouseButtonRelease:
      case QEvent::MouseButtonDblClick:
      case QEvent::Wheel:
      case QEvent::KeyPress:
      case QEvent::KeyRelease:
      case QEvent::Shortcut:
      case QEvent::ShortcutOverride:
      case QEvent::ContextMenu:
      case QEvent::Drop:
      case QEvent::TouchBegin:
      case QEvent::TouchUpdate:
      case QEvent::TouchEnd:
        return true;
      case QEvent::Close:
        return watched->isWidgetType() && static_cast<QWidget*>(watched)->isWindow();
      default:
        return false;
    }
  }

 private:
  std::function<bool(QObject*)> passes_;
};

}  // namespace

void MainWindow::holdInput() {
  if (inputHold_) return;
  inputHold_ = std::make_unique<InputHold>(
      [this](QObject* watched) { return reachableWhileWaiting(watched); });
  qApp->installEventFilter(inputHold_.get());
  QApplication::setOverrideCursor(Qt::WaitCursor);
}

void MainWindow::releaseInput() {
  if (!inputHold_) return;
  // What arrived during the last moments of the transfer is dropped too.
  QCoreApplication::processEvents(QEventLoop::AllEvents);
  qApp->removeEventFilter(inputHold_.get());
  inputHold_.reset();
  QApplication::restoreOverrideCursor();
}

void MainWindow::runModal(const std::function<void()>& show) {
  // A box raised in the middle of a transfer (a programmer's error reply, the ledger's refusal)
  // must take the person's answer: the hold is lifted while it is shown, then put back.
  std::unique_ptr<QObject> held = std::move(inputHold_);
  if (held) {
    qApp->removeEventFilter(held.get());
    QApplication::restoreOverrideCursor();
  }
  show();
  if (held) {
    inputHold_ = std::move(held);
    qApp->installEventFilter(inputHold_.get());
    QApplication::setOverrideCursor(Qt::WaitCursor);
  }
}

int MainWindow::logHeightFor(int lines) const {
  const QFontMetrics metrics(memo_->font());
  return metrics.lineSpacing() * lines + 2 * static_cast<int>(memo_->document()->documentMargin()) +
         2 * memo_->frameWidth() + 2;
}

namespace {

// What a page's controls ask for; nothing for a page not made yet.
QSize pageSizeHint(const QWidget* scroll) {
  const QWidget* content = static_cast<const QScrollArea*>(scroll)->widget();
  return content == nullptr ? QSize(0, 0) : content->sizeHint();
}

}  // namespace

void MainWindow::fitTo(const QRect& available) {
  // Pages not shown yet have not taken the style sheet's compact font: measured as they will be.
  // Only the pages made so far: the others are made after the first paint, and the window is
  // fitted again then.
  for (const auto& [name, scroll] : pageWidgets_) {
    QWidget* content = static_cast<QScrollArea*>(scroll)->widget();
    if (content == nullptr) continue;
    content->ensurePolished();
    for (QWidget* child : content->findChildren<QWidget*>())
      child->ensurePolished();
    content->layout()->invalidate();
    content->layout()->activate();
  }
  memo_->setMinimumHeight(logHeightFor(3));
  // Room for the frame the window manager adds around the window: its own once the platform
  // reports it, else what frames usually take.
  const QMargins reported = frameMargins(geometry(), frameGeometry());
  const QMargins frame = reported.isNull() ? kAssumedFrame : reported;
  frameKnown_ = !reported.isNull();
  const QSize limit = clientLimit(available.size(), frame);
  // Eight lines of log, and the ledger's line under them.
  const int logHeight = logHeightFor(8) + ledgerLine_->sizeHint().height() +
                        ledgerLine_->parentWidget()->layout()->spacing();
  // Start from the largest page and grow by what any page still lacks: the toolkit's frames,
  // tab bar and menu bar are measured, not guessed.
  QSize content;
  for (const auto& [name, scroll] : pageWidgets_)
    content = content.expandedTo(pageSizeHint(scroll));
  int pagesHeight = content.height();
  QSize size(content.width(), content.height() + logHeight);
  for (int pass = 0; pass < 6; ++pass) {
    size = size.boundedTo(limit);
    resize(size);
    layout()->activate();
    const int total = split_->height() - split_->handleWidth();
    const int pages = std::max(0, std::min(pagesHeight, total - memo_->minimumHeight()));
    split_->setSizes({pages, total - pages});
    // Every page shares the shown page's room (the others are laid out only when shown).
    const QSize room = static_cast<QScrollArea*>(pages_->currentWidget())->maximumViewportSize();
    QSize lacking(0, 0);
    for (const auto& [name, scroll] : pageWidgets_) {
      lacking = lacking.expandedTo(pageSizeHint(scroll) - room);
    }
    const int logLacking = std::max(0, logHeight - (total - pages));
    if (lacking.width() <= 0 && lacking.height() <= 0 && logLacking == 0) break;
    pagesHeight = pages + std::max(0, lacking.height());
    const QSize grown =
        size + QSize(std::max(0, lacking.width()), std::max(0, lacking.height()) + logLacking);
    if (grown.boundedTo(limit) == size) break;  // the screen is too small: the pages scroll
    size = grown;
  }
  // A window's position is its frame's.
  move(centredFrameCorner(rect().size().grownBy(frame), available));
}

void MainWindow::deviceChange() {
  if (busy_ || ledgerWaiting_) {
    deviceChangePending_ = true;
    return;
  }
  act([this] { state_.form.runHandler("HidCtlDeviceChange"); });
}

void MainWindow::watchDevices() {
  if (hardware_->simulatedHid() != nullptr) return;  // simulated boxes come and go by command
  watcher_ = std::make_unique<HidDeviceWatcher>();
  if (watcher_->fd() >= 0) {
    notifier_ = new QSocketNotifier(watcher_->fd(), QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, [this] {
      if (watcher_->drain()) deviceChange();
    });
    return;
  }
  // No device monitor on this system: look again every two seconds.
  rescanTimer_ = new QTimer(this);
  connect(rescanTimer_, &QTimer::timeout, this, [this] { deviceChange(); });
  rescanTimer_->start(2000);
}

void MainWindow::showEvent(QShowEvent* event) {
  QMainWindow::showEvent(event);
  if (fitted_) return;
  fitted_ = true;
  // The opening size: what the started window's pages need, measured as shown, within the
  // screen.
  const QScreen* shownOn = screen() != nullptr ? screen() : QGuiApplication::primaryScreen();
  // The shown page is made now; the others once the window has been painted.
  for (const auto& [name, scroll] : pageWidgets_) {
    if (scroll == pages_->currentWidget() && buildPage(name)) refresh();
  }
  if (shownOn != nullptr) fitTo(shownOn->availableGeometry());
  if (windowHandle() != nullptr && !pagesPending_) windowHandle()->installEventFilter(this);
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
  // The window's first exposure is painted as it is delivered; a timer started now runs in the
  // event loop's next turn, once the window is on screen. The pages behind the shown one are
  // made then (and the window fitted to every page, see buildAllPages).
  if (watched == windowHandle() && event->type() == QEvent::Expose && !pagesPending_) {
    pagesPending_ = true;
    watched->removeEventFilter(this);
    auto* later = new QTimer(this);
    later->setSingleShot(true);
    connect(later, &QTimer::timeout, this, [this, later] {
      later->deleteLater();
      buildAllPages();
    });
    later->start(0);
  }
  return QMainWindow::eventFilter(watched, event);
}

void MainWindow::moveEvent(QMoveEvent* event) {
  QMainWindow::moveEvent(event);
  // The window manager has put its frame around the window (X11 tells its size only then):
  // fitted with an assumed frame, the window is fitted and centred again with the real one.
  if (!fitted_ || frameKnown_) return;
  const QMargins reported = frameMargins(geometry(), frameGeometry());
  if (reported.isNull()) return;
  frameKnown_ = true;
  const QScreen* shownOn = screen();
  if (reported != kAssumedFrame && shownOn != nullptr) fitTo(shownOn->availableGeometry());
}

void MainWindow::closeEvent(QCloseEvent* event) {
  if (progress_ != nullptr) progress_->hide();
  if (const std::string error = hardware_->saveSimulatedImages(); !error.empty()) {
    QMessageBox::warning(this, windowTitle(), QString::fromStdString(error));
  }
  QMainWindow::closeEvent(event);
}

// --- what the program does to the person ---

void MainWindow::log(std::string_view line) {
  memo_->appendPlainText(QString::fromLatin1(line.data(), static_cast<int>(line.size())));
}

void MainWindow::beep() {
  if (mutedBeeps_ >= 0) {
    ++mutedBeeps_;
    return;
  }
  QApplication::beep();
}

void MainWindow::focus(std::string_view control) {
  pendingFocus_ = std::string(control);
}

void MainWindow::message(std::string_view text) {
  refresh();
  runModal([&] {
    QMessageBox::information(this, windowTitle(),
                             QString::fromLatin1(text.data(), static_cast<int>(text.size())));
  });
}

void MainWindow::errorNotice(std::string_view text) {
  refresh();
  runModal([&] {
    QMessageBox::critical(this, windowTitle(),
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

std::optional<std::size_t> MainWindow::ask(const Question& question) {
  refresh();
  QuestionBox box(question.tone == QuestionTone::Warning ? QMessageBox::Warning
                                                         : QMessageBox::Question,
                  windowTitle(), fromBytes(question.text), QMessageBox::NoButton, this);
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
  runModal([&] { box.exec(); });
  const auto chosen = std::find(buttons.begin(), buttons.end(), box.clickedButton());
  if (box.clickedButton() == nullptr || chosen == buttons.end()) return std::nullopt;
  return static_cast<std::size_t>(chosen - buttons.begin());
}

void MainWindow::warning(std::string_view text) {
  refresh();
  runModal([&] { QMessageBox::warning(this, windowTitle(), fromBytes(std::string(text))); });
}

std::optional<std::string> MainWindow::chooseFile(const FileDialogRequest& request) {
  if (dialogAnswer_) {
    std::optional<std::string> answer;
    answer.swap(dialogAnswer_);
    return answer;
  }
  QFileDialog dialog(this);
  dialog.setAcceptMode(request.save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
  dialog.setFileMode(request.save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
  dialog.setNameFilter(dialogFilter(request.filter));
  dialog.setDefaultSuffix(QString::fromStdString(request.defaultExtension));
  dialog.selectFile(QString::fromStdString(request.initialPath));
  int chosen = QDialog::Rejected;
  runModal([&] { chosen = dialog.exec(); });
  if (chosen != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
  return dialog.selectedFiles().first().toStdString();
}

void MainWindow::progressShown(std::string_view caption) {
  holdInput();
  progressWindow()->showCaption(
      QString::fromLatin1(caption.data(), static_cast<int>(caption.size())));
}

void MainWindow::progressCaption(std::string_view caption) {
  progressWindow()->setCaption(
      QString::fromLatin1(caption.data(), static_cast<int>(caption.size())));
}

void MainWindow::progressMoved(int position, int maximum) {
  progressWindow()->move(position, maximum);
}

void MainWindow::progressHidden() {
  if (progress_ != nullptr) progress_->hide();
}

// --- showing the model ---

void MainWindow::refresh() {
  for (const Control* control : state_.form.controls()) {
    // Only the controls made so far: a page made later is refreshed when it is made.
    if (const auto w = widgets_.find(control->name); w != widgets_.end()) {
      refreshControl(*control, w->second);
    }
    if (QAction* a = action(control->name)) {
      a->setText(fromBytes(control->caption));
      if (a->isCheckable()) a->setChecked(control->checked);
      a->setEnabled(control->enabled);
      a->setVisible(control->visible);
    }
    if (const auto tab = pageWidgets_.find(control->name); tab != pageWidgets_.end()) {
      // Only real changes: touching a tab's state can move the current page under the person.
      const int index = pages_->indexOf(tab->second);
      if (pages_->isTabVisible(index) != control->visible)
        pages_->setTabVisible(index, control->visible);
      if (pages_->isTabEnabled(index) != control->enabled)
        pages_->setTabEnabled(index, control->enabled);
      if (pages_->tabText(index) != fromBytes(control->caption))
        pages_->setTabText(index, fromBytes(control->caption));
    }
  }
  for (const auto& [label, control] : followers_)
    showAs(label, state_.form.at(control).visible);
  refreshDeviceList();
  setWindowTitle(fromBytes(state_.form.at("Form1").caption));
}

void MainWindow::refreshControl(const Control& c, QWidget* w) {
  const QSignalBlocker blocker(w);
  w->setEnabled(c.enabled);
  showAs(w, c.visible);
  // Only a new tooltip: setting the same one still notifies the widget.
  if (!c.hint.empty() && w->toolTip() != fromBytes(c.hint)) w->setToolTip(fromBytes(c.hint));
  switch (c.kind) {
    case ControlKind::Text: {
      auto* edit = static_cast<QLineEdit*>(w);
      const QString text = fromBytes(c.text);
      if (edit->text() != text) {
        edit->setText(text);
        edit->setCursorPosition(static_cast<int>(text.size()));
      }
      if (auto* bound = dynamic_cast<BoundLineEdit*>(edit)) bound->setModelText(text);
      edit->setReadOnly(c.readOnly);
      break;
    }
    case ControlKind::Choice: {
      auto* combo = static_cast<QComboBox*>(w);
      // Compared as the model keeps them: converting every item of every list on every
      // refresh cost more than the rest of the refresh.
      std::vector<std::string>& shown = shownItems_[combo];
      if (shown != c.items || combo->count() != static_cast<int>(c.items.size())) {
        QStringList items;
        for (const auto& item : c.items)
          items << fromBytes(item);
        combo->clear();
        combo->addItems(items);
        shown = c.items;
      }
      combo->setCurrentIndex(c.index);
      break;
    }
    case ControlKind::Flag: {
      auto* box = static_cast<QCheckBox*>(w);
      box->setChecked(c.checked);
      if (c.hasCaption) box->setText(fromBytes(c.caption));
      break;
    }
    case ControlKind::Slider:
      static_cast<QSlider*>(w)->setValue(c.position);
      break;
    case ControlKind::Label:
      static_cast<QLabel*>(w)->setText(fromBytes(c.caption));
      break;
    case ControlKind::Group:
      if (auto* group = qobject_cast<QGroupBox*>(w)) group->setTitle(fromBytes(c.caption));
      break;
    default:
      break;
  }
}

void MainWindow::refreshDeviceList() {
  const Control& list = state_.form.at("DevListBox");
  QStringList rows;
  for (const std::string& item : list.items)
    rows << fromBytes(item);
  QStringList shown;
  for (int i = 0; i < devices_->count(); ++i)
    shown << devices_->item(i)->text();
  const QSignalBlocker blocker(devices_);
  if (shown != rows) {
    devices_->clear();
    devices_->addItems(rows);
  }
  if (devices_->currentRow() != list.index) devices_->setCurrentRow(list.index);
  for (int i = 0; i < devices_->count(); ++i) {
    // The list is narrow: the whole row in its tooltip.
    devices_->item(i)->setToolTip(devices_->item(i)->text());
    QFont font = devices_->item(i)->font();
    if (font.bold() == (i == list.index)) continue;
    font.setBold(i == list.index);
    devices_->item(i)->setFont(font);
  }
}

// --- the ledger ---

void MainWindow::refreshLedgerLine() {
  if (!production_) return;
  production_->takeCount();
  ledgerLine_->setStatus(production_->status());
}

void MainWindow::awaitLedgerCount() {
  if (!production_) return;
  production_->awaitCount();
  refreshLedgerLine();
}

void MainWindow::recountLedger() {
  // Mid-transfer the count would only wait behind the pager's record: the next beat counts.
  if (!production_ || busy_) return;
  production_->refreshStatus();
}

LedgerWaitWindow* MainWindow::ledgerWaitWindow() {
  if (ledgerWait_ == nullptr) {
    ledgerWait_ = new LedgerWaitWindow(this, [this] {
      log("Ledger: cancel asked; the pager is not written once the ledger has answered");
      production_->cancelWrite();
    });
  }
  return ledgerWait_;
}

void MainWindow::waitForLedger(const LedgerWait& wait) {
  if (wait.over) {
    ledgerWaiting_ = false;
    if (ledgerWait_ != nullptr) ledgerWait_->hide();
    if (heldForLedger_) {
      heldForLedger_ = false;
      releaseInput();
    }
    return;
  }
  if (!ledgerWaiting_) {
    ledgerWaiting_ = true;
    // The person's input is held as during a transfer, but for the log, the menus and the
    // wait window.
    if (!inputHold_) {
      holdInput();
      heldForLedger_ = true;
    }
  }
  if (wait.waited >= kShowLedgerWait) {
    const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(wait.waited).count();
    ledgerWaitWindow()->showWait(QString::fromStdString(production_->status().ledger),
                                 QString::fromUtf8(wait.what), static_cast<int>(seconds));
  }
  QCoreApplication::processEvents(QEventLoop::AllEvents);
}

bool MainWindow::reachableWhileWaiting(QObject* watched) const {
  if (!ledgerWaiting_) return false;
  // A window's own events (the toolkit hands them on to its widgets, checked then).
  if (watched->isWindowType()) return true;
  const auto* widget = qobject_cast<const QWidget*>(watched);
  if (widget == nullptr) return false;  // a shortcut's action: no command runs meanwhile
  const auto within = [widget](const QWidget* area) {
    return area != nullptr && (area == widget || area->isAncestorOf(widget));
  };
  return within(ledgerWait_) || within(memo_) || within(menuBar()) ||
         qobject_cast<const QMenu*>(widget->window()) != nullptr;
}

void MainWindow::showLedgerRecords() {
  if (!production_) return;
  LedgerRecordsDialog view(
      [this](std::string_view batch, std::string_view since) {
        return production_->records(batch, since);
      },
      this);
  view.exec();
}

// --- the menu ---

void MainWindow::buildMenu() {
  QMenuBar* bar = menuBar();
  std::map<std::string, QMenu*> menus;
  // Items that carry a tick mark in the window.
  static const char* const kTicked[] = {"LPT11", "LPT21", "Debug1", "Recover1"};
  auto isTicked = [](const std::string& name) {
    return std::any_of(std::begin(kTicked), std::end(kTicked),
                       [&](const char* t) { return name == t; }) ||
           std::any_of(kRecoveryChips.begin(), kRecoveryChips.end(),
                       [&](const RecoveryChip& chip) { return name == chip.menuItem; });
  };
  // Items with sub-items become menus.
  std::map<std::string, bool> hasChildren;
  for (const Control* c : state_.form.controls()) {
    if (c->kind == ControlKind::MenuItem && !c->parent.empty()) hasChildren[c->parent] = true;
  }
  for (const Control* c : state_.form.controls()) {
    if (c->kind != ControlKind::MenuItem) continue;
    const QString caption = fromBytes(c->caption);
    QAction* item = nullptr;
    if (hasChildren[c->name]) {
      QMenu* menu =
          c->parent.empty() ? bar->addMenu(caption) : menus.at(c->parent)->addMenu(caption);
      menu->setObjectName(QString::fromStdString(c->name));
      menus[c->name] = menu;
      item = menu->menuAction();
    } else if (c->parent.empty()) {
      item = bar->addAction(caption);
    } else {
      item = menus.at(c->parent)->addAction(caption);
    }
    item->setObjectName(QString::fromStdString(c->name));
    item->setCheckable(isTicked(c->name));
    // The desktop's standard keys beside the menu's own accelerators.
    if (c->name == "Open1") item->setShortcut(QKeySequence::Open);
    if (c->name == "Save1") item->setShortcut(QKeySequence::Save);
    if (c->name == "Exit1") item->setShortcut(QKeySequence::Quit);
    if (!hasChildren[c->name]) {
      connect(item, &QAction::triggered, this, [this, name = c->name] { events_.clicked(name); });
    }
    actions_[c->name] = item;
  }
}

}  // namespace capcode::ui
