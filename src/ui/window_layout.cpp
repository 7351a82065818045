// The arrangement of the window: the page area with its tabs on the left, the four pages with
// their groups, rows and columns, and the status log and device list along the bottom.

#include <QApplication>
#include <QComboBox>
#include <QFontMetrics>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QScrollArea>
#include <QSlider>
#include <QSplitter>
#include <QTabWidget>
#include <QVBoxLayout>

#include "ui/main_window.hpp"

namespace capcode::ui {

// The pages' font: small, since a pager has many settings and the window is about 700 x 620.
const QFontMetrics& compactMetrics() {
  static const QFontMetrics metrics = [] {
    QFont font = QApplication::font();
    font.setPointSize(8);
    return QFontMetrics(font);
  }();
  return metrics;
}

class WindowBuilder {
 public:
  explicit WindowBuilder(MainWindow& window) : w_(window) {}

  QLineEdit* line(const std::string& name, int widthChars = 0) {
    auto* edit = new BoundLineEdit(name, w_.events_);
    edit->setMaxLength(32767);  // the model keeps the typing limit; assigned texts may be longer
    if (widthChars > 0) {
      // Room for the characters the field takes, in the compact page font.
      edit->setFixedWidth(compactMetrics().averageCharWidth() * (widthChars + 2) + 8);
    }
    return bind(name, edit);
  }
  QComboBox* combo(const std::string& name) {
    return bind(name, new BoundComboBox(name, w_.events_));
  }
  QCheckBox* check(const std::string& name) {
    return bind(name, new BoundCheckBox(name, w_.events_));
  }
  QSlider* slider(const std::string& name) {
    auto* s = new QSlider(Qt::Horizontal);
    s->setObjectName(QString::fromStdString(name));
    s->setRange(1, 100);
    QObject::connect(s, &QSlider::valueChanged, &w_, [this, name](int value) {
      w_.act([&] { w_.state_.form.setPosition(name, value); });
    });
    return bind(name, s);
  }
  QGroupBox* group(const std::string& name) { return bind(name, new QGroupBox); }
  // A label: the model's own (L_...) or a plain one that shows while `follows` does.
  QLabel* label(const std::string& textOrName, const std::string& follows = {}) {
    const Control* own = w_.state_.form.find(textOrName);
    if (own != nullptr && own->kind == ControlKind::Label) {
      auto* l = new QLabel;
      l->setObjectName(QString::fromStdString(textOrName));
      return bind(textOrName, l);
    }
    auto* l = new QLabel(QString::fromLatin1(textOrName.c_str()));
    if (!follows.empty()) w_.followers_.emplace_back(l, follows);
    return l;
  }
  QLabel* unit(const char* text, const std::string& follows) { return label(text, follows); }

  // A labelled row of a column: label, the control(s), an optional unit.
  void row(QGridLayout* grid, const std::string& labelText, std::initializer_list<QWidget*> widgets,
           const char* unitText = nullptr) {
    const int r = grid->rowCount();
    const std::string follows =
        widgets.size() > 0 ? (*widgets.begin())->objectName().toStdString() : "";
    QLabel* caption = label(labelText, follows);
    // The LCD driver and decoder lists say on their labels too that they do nothing yet.
    if (follows == "lcddrv" || follows == "decoder") {
      caption->setToolTip(QString::fromStdString(w_.state_.form.at(follows).hint));
    }
    grid->addWidget(caption, r, 0);
    auto* box = new QHBoxLayout;
    box->setSpacing(3);
    for (QWidget* widget : widgets)
      box->addWidget(widget);
    if (unitText != nullptr) box->addWidget(unit(unitText, follows));
    box->addStretch();
    grid->addLayout(box, r, 1);
  }

  template <typename W>
  W* bind(const std::string& name, W* widget) {
    widget->setObjectName(QString::fromStdString(name));
    w_.widgets_[name] = widget;
    return widget;
  }

  MainWindow& w_;
};

namespace {

QGridLayout* columnGrid() {
  auto* grid = new QGridLayout;
  grid->setVerticalSpacing(2);
  grid->setHorizontalSpacing(6);
  return grid;
}

QWidget* addressPage(WindowBuilder& b) {
  auto* page = new QWidget;
  auto* layout = new QVBoxLayout(page);

  QGroupBox* addresses = b.group("L_address");
  auto* grid = new QGridLayout(addresses);
  grid->setHorizontalSpacing(4);
  grid->setVerticalSpacing(1);
  const char* const headers[] = {"",       "PN",  "Fm",     "Auto inc", "Msg type", "A Tone", "Uch",
                                 "B Tone", "Uch", "C Tone", "Uch",      "D Tone",   "Uch"};
  for (int col = 0; col < 13; ++col)
    grid->addWidget(new QLabel(headers[col]), 0, col);
  for (int row = 1; row <= kAddressRows; ++row) {
    grid->addWidget(b.check(rowControlName("addr", row, "en")), row, 0);
    grid->addWidget(b.line(rowControlName("address", row), 7), row, 1);
    grid->addWidget(b.line(rowControlName("frame", row), 1), row, 2);
    grid->addWidget(b.combo(rowControlName("autoinc", row)), row, 3);
    grid->addWidget(b.combo(rowControlName("msgtype", row)), row, 4);
    for (int tone = 0; tone < kFunctionTones; ++tone) {
      const std::string letter(1, toneLetter(tone));
      grid->addWidget(b.combo(rowControlName("addr", row, "format" + letter)), row, 5 + 2 * tone);
      grid->addWidget(b.check(rowControlName("urgent", row, letter)), row, 6 + 2 * tone);
    }
  }
  layout->addWidget(addresses);

  QGroupBox* folders = b.group("L_msgfolder");
  auto* cells = new QGridLayout(folders);
  cells->setVerticalSpacing(1);
  // Four columns of six, filled column by column.
  for (int k = 0; k < kFolders; ++k) {
    auto* cell = new QHBoxLayout;
    cell->setSpacing(2);
    cell->addWidget(b.check(folderControlName("pubboxact", k)));
    cell->addWidget(b.line(folderControlName("pubbox", k), 9));
    cell->addWidget(b.line(folderControlName("pubboxlength", k), 2));
    cells->addLayout(cell, k % 6, k / 6);
  }
  layout->addWidget(folders);
  layout->addStretch();
  return page;
}

QWidget* featurePage(WindowBuilder& b) {
  auto* page = new QWidget;
  auto* layout = new QVBoxLayout(page);
  auto* columns = new QHBoxLayout;

  QGridLayout* left = columnGrid();
  b.row(left, "Num Char. Set", {b.combo("numset")});
  b.row(left, "Date/Time  format", {b.combo("dateformat")});
  b.row(left, "Public folder mode", {b.combo("pubboxmode")});
  b.row(left, "Repeat call check", {b.combo("repeatcallcheck")});
  b.row(left, "Repeat msg reject", {b.combo("repeatcallreject")});
  b.row(left, "Alert time", {b.line("alerttime", 3)}, "Sec");
  b.row(left, "L_alerttype", {b.combo("alerttype")});
  b.row(left, "Alert mode", {b.combo("alertmode")});
  b.row(left, "L_vibratetype", {b.combo("vibratetype")});
  b.row(left, "Urgent call type", {b.combo("urgentcalltype")});
  left->addWidget(b.line("vibratepattern", 4), left->rowCount(), 1);
  b.row(left, "L_zoom", {b.combo("zoom")});
  left->setRowStretch(left->rowCount(), 1);

  QGridLayout* middle = columnGrid();
  b.row(middle, "Range indicator", {b.combo("rangeindicator")});
  b.row(middle, " Rang hold time", {b.combo("rangetime")});
  b.row(middle, "LCD hold time", {b.line("lcdholdtime", 3)});
  b.row(middle, "contrast", {b.line("contrast", 2), b.check("contrast_enable")});
  b.row(middle, "Remind alert", {b.line("unread_alert", 2)}, "min.");
  b.row(middle, "Hand program Password", {b.line("handprogpws", 4)});
  b.row(middle, "Baud rate", {b.combo("baudrate")});
  b.row(middle, "Data Polarity", {b.combo("polarity")});
  b.row(middle, "Channel freq", {b.line("frequency", 9), b.combo("pll_baseD2")}, "MHz");
  b.row(middle, "Max. private no.", {b.line("maxprivate", 2)});
  b.row(middle, "Language", {b.combo("language")});
  b.row(middle, "Alarm",
        {b.line("alarmhour", 2), b.label(":", "alarmhour"), b.line("alarmminute", 2)});
  b.row(middle, "Auto ON/OFF",
        {b.line("autooffstop", 2), b.label("/", "autooffstop"), b.line("autooffstart", 2)}, "hr");
  b.row(middle, "Low cell delay", {b.combo("lowcalldelay")});
  b.row(middle, "L_customer", {b.combo("customer")});
  middle->setRowStretch(middle->rowCount(), 1);

  auto* right = new QVBoxLayout;
  right->setSpacing(1);
  for (const char* box : {"msgtypestamp", "quietsound", "pageoff", "ota", "timedisplay",
                          "auto_backlight", "ureadmsg"}) {
    right->addWidget(b.check(box));
  }
  for (const auto& [box, prefix] :
       {std::pair{"msgstatus", "msgstatusprefix"}, {"datetime", "timeprefix"}}) {
    auto* pair = new QHBoxLayout;
    pair->addWidget(b.check(box));
    pair->addWidget(b.check(prefix));
    pair->addStretch();
    right->addLayout(pair);
  }
  for (const char* box : {"handprog", "repeatmsg", "autospacing", "msglock", "msgfull",
                          "lowbatspecalert", "outrange", "alarm", "autooff", "toneonlymsg"}) {
    right->addWidget(b.check(box));
  }
  right->addStretch();

  columns->addLayout(left);
  columns->addLayout(middle);
  columns->addLayout(right);
  layout->addLayout(columns);

  auto* bottom = new QHBoxLayout;
  QGroupBox* tones = b.group("L_tonepattern");
  auto* toneGrid = new QGridLayout(tones);
  toneGrid->setVerticalSpacing(1);
  toneGrid->addWidget(new QLabel("A"), 0, 0);
  toneGrid->addWidget(b.line("tonepatternA", 4), 0, 1);
  toneGrid->addWidget(new QLabel("B"), 0, 2);
  toneGrid->addWidget(b.line("tonepatternB", 4), 0, 3);
  toneGrid->addWidget(new QLabel("C"), 1, 0);
  toneGrid->addWidget(b.line("tonepatternC", 4), 1, 1);
  toneGrid->addWidget(new QLabel("D"), 1, 2);
  toneGrid->addWidget(b.line("tonepatternD", 4), 1, 3);
  toneGrid->addWidget(new QLabel("Power On"), 2, 0, 1, 2);
  toneGrid->addWidget(b.line("tonepatternPon", 4), 2, 2, 1, 2);
  toneGrid->addWidget(new QLabel("Low Cell"), 3, 0, 1, 2);
  toneGrid->addWidget(b.line("tonepatternLcell", 4), 3, 2, 1, 2);
  toneGrid->addWidget(new QLabel("Urgent call"), 4, 0, 1, 2);
  toneGrid->addWidget(b.line("tonepatternUcall2", 4), 4, 2, 1, 2);
  toneGrid->addWidget(new QLabel("+"), 5, 2, 1, 2, Qt::AlignHCenter);
  toneGrid->addWidget(b.line("tonepatternUcall1", 4), 6, 2, 1, 2);
  bottom->addWidget(tones);

  QGroupBox* hello = b.group("L_Hellomsg");
  auto* helloLines = new QVBoxLayout(hello);
  helloLines->addWidget(b.line("hellomsg1", 20));
  helloLines->addWidget(b.line("hellomsg2", 20));
  helloLines->addStretch();
  bottom->addWidget(hello);

  QGroupBox* canned = b.group("L_cannedmsg");
  auto* cannedGrid = new QGridLayout(canned);
  cannedGrid->setVerticalSpacing(1);
  int r = 0;
  for (const char* field : {"cannedmsgA", "cannedmsgB", "cannedmsgC", "cannedmsgD"}) {
    cannedGrid->addWidget(new QLabel(QString(QChar(field[9]))), r, 0);
    cannedGrid->addWidget(b.line(field, 20), r++, 1);
  }
  bottom->addWidget(canned);
  layout->addLayout(bottom);
  return page;
}

QWidget* hardwarePage(WindowBuilder& b) {
  auto* page = new QWidget;
  auto* layout = new QHBoxLayout(page);
  auto* first = new QVBoxLayout;
  auto* second = new QVBoxLayout;

  QGridLayout* general = columnGrid();
  b.row(general, "Model", {b.combo("pager_model")});
  b.row(general, "LCD module", {b.combo("lcd_module")});
  b.row(general, "Char. size", {b.combo("char_size")});
  b.row(general, "BackLight", {b.combo("backlight")});
  b.row(general, "Firmwire version", {b.line("f_version", 3)});
  first->addLayout(general);

  QGroupBox* pll = b.group("pll_select");
  QGridLayout* pllGrid = columnGrid();
  pll->setLayout(pllGrid);
  b.row(pllGrid, "L_pll", {b.combo("pll")});
  first->addWidget(pll);

  QGroupBox* clock = b.group("mpu_clock_speed");
  QGridLayout* clockGrid = columnGrid();
  clock->setLayout(clockGrid);
  b.row(clockGrid, "F reference", {b.line("f_ref", 5)}, "Hz");
  b.row(clockGrid, "N Counter", {b.combo("n_count")});
  b.row(clockGrid, "R Counter", {b.combo("r_count")});
  b.row(clockGrid, "MPU Clock", {b.line("cpu_clock1", 8), b.combo("cpu_clock")}, "MHz");
  first->addWidget(clock);

  QGroupBox* lcd = b.group("hw_lcddrv");
  QGridLayout* lcdGrid = columnGrid();
  lcd->setLayout(lcdGrid);
  b.row(lcdGrid, "LCD driver IC", {b.combo("lcddrv")});
  b.row(lcdGrid, "L_lcddrv_opa", {b.combo("lcddrv_opa")});
  b.row(lcdGrid, "L_lcd_fosc", {b.combo("lcd_fosc")});
  b.row(lcdGrid, "L_lcd_tc", {b.combo("lcd_tc")});
  b.row(lcdGrid, "L_lcd_bias", {b.combo("lcd_bias")});
  first->addWidget(lcd);

  QGroupBox* speed = b.group("rw_speed");
  QGridLayout* speedGrid = columnGrid();
  speed->setLayout(speedGrid);
  b.row(speedGrid, "SCL hold High", {b.slider("TrackBar2")});
  b.row(speedGrid, "SCL hold Low", {b.slider("TrackBar3")});
  b.row(speedGrid, "Bus Free", {b.slider("TrackBar1")});
  b.row(speedGrid, "SDA hold", {b.slider("TrackBar4")});
  first->addWidget(speed);
  first->addStretch();

  QGroupBox* decoder = b.group("hw_decoder");
  QGridLayout* decoderGrid = columnGrid();
  decoder->setLayout(decoderGrid);
  b.row(decoderGrid, "Decoder", {b.combo("decoder")});
  decoderGrid->addWidget(b.check("pll_enable"), decoderGrid->rowCount(), 0, 1, 2);
  b.row(decoderGrid, "BS1", {b.combo("BS2")});
  b.row(decoderGrid, "BS3", {b.combo("BS3")});
  decoderGrid->addWidget(b.line("bs1_8212", 2), decoderGrid->rowCount(), 1);
  decoderGrid->addWidget(b.line("bs3_8212", 2), decoderGrid->rowCount(), 1);
  b.row(decoderGrid, "L_data_format", {b.combo("data_format")});
  for (const char* box : {"bs2_option", "end_of_msg", "filter_enable"}) {
    decoderGrid->addWidget(b.check(box), decoderGrid->rowCount(), 0, 1, 2);
  }
  b.row(decoderGrid, "L_clko", {b.combo("clko")});
  b.row(decoderGrid, "L_fstrength", {b.combo("filter_strength")});
  b.row(decoderGrid, "L_errcorrect", {b.combo("errcorrect")});
  b.row(decoderGrid, "L_err_rate", {b.combo("error_rate")});
  second->addWidget(decoder);

  QGroupBox* batteries = b.group("bat_detect");
  QGridLayout* batteryGrid = columnGrid();
  batteries->setLayout(batteryGrid);
  b.row(batteryGrid, "Full Battery voltage", {b.line("fullbat", 4)}, "V");
  b.row(batteryGrid, "Half Battery voltage", {b.line("halfbat", 4)}, "V");
  b.row(batteryGrid, "Low battery voltage", {b.line("lowbat", 4)}, "V");
  b.row(batteryGrid, "Gone battery voltage", {b.line("gonebat", 4)}, "V");
  b.row(batteryGrid, "Vref", {b.line("Vref", 4)}, "V");
  second->addWidget(batteries);
  second->addStretch();

  layout->addLayout(first);
  layout->addLayout(second);
  return page;
}

QWidget* promptPage(WindowBuilder& b) {
  auto* page = new QWidget;
  auto* grid = new QGridLayout(page);
  for (int i = 1; i <= 51; ++i) {
    const std::string name = (i == 27 ? "pnsg" : "pmsg") + std::to_string(i);
    grid->addWidget(b.line(name), (i - 1) / 3, (i - 1) % 3);
  }
  return page;
}

}  // namespace

void MainWindow::buildPages() {
  WindowBuilder b(*this);
  auto* central = new QWidget;
  auto* layout = new QVBoxLayout(central);
  layout->setContentsMargins(4, 4, 4, 4);

  pages_ = new QTabWidget;
  pages_->setObjectName("PageControl1");
  // The pager's settings are many: a compact font keeps a page within the window.
  pages_->setStyleSheet("QWidget { font-size: 8pt; }");
  pages_->setTabPosition(QTabWidget::West);
  const std::pair<const char*, QWidget* (*)(WindowBuilder&)> pageList[] = {
      {"address", addressPage},
      {"feature", featurePage},
      {"hardware", hardwarePage},
      {"promptmsg", promptPage}};
  for (const auto& [name, build] : pageList) {
    QWidget* page = build(b);
    page->setObjectName(name);
    auto* scroll = new QScrollArea;
    scroll->setWidget(page);
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setObjectName(QString(name) + "_scroll");
    pages_->addTab(scroll, QString::fromStdString(state_.form.at(name).caption));
    pageWidgets_[name] = scroll;
  }

  auto* bottom = new QSplitter(Qt::Horizontal);
  memo_ = new QPlainTextEdit;
  memo_->setObjectName("Memo1");
  memo_->setStyleSheet("color: navy;");
  memo_->setMinimumHeight(80);
  auto* devices = new QListWidget;
  devices->setObjectName("DevListBox");
  bottom->addWidget(memo_);
  bottom->addWidget(devices);
  bottom->setStretchFactor(0, 4);
  bottom->setStretchFactor(1, 1);

  auto* vertical = new QSplitter(Qt::Vertical);
  vertical->addWidget(pages_);
  vertical->addWidget(bottom);
  vertical->setStretchFactor(0, 5);
  vertical->setStretchFactor(1, 1);
  layout->addWidget(vertical);
  setCentralWidget(central);
  refresh();
}

}  // namespace capcode::ui
