// The window built from the arrangement table: the page area with its tabs on the left, each
// page's bands of columns of sections, and the status log and device list along the bottom.
// Nothing here names a label or a hint: they come from the table and the model.

#include "ui/window_layout.hpp"

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
#include <algorithm>
#include <map>

#include "core/form_model.hpp"
#include "core/window_arrangement.hpp"
#include "ui/ledger_status_line.hpp"

namespace capcode::ui {

// The pages' font: small, since a pager has many settings.
const QFont& compactFont() {
  static const QFont font = [] {
    QFont f = QApplication::font();
    f.setPointSize(8);
    return f;
  }();
  return font;
}

namespace {

class WindowBuilder {
 public:
  WindowBuilder(WindowRegistry& registry, FormModel& form, WidgetEvents& events,
                const ActOnModel& act)
      : registry_(registry), form_(form), events_(events), act_(act) {}

  QWidget* page(const std::string& pageName) {
    auto* page = new QWidget;
    page->setObjectName(QString::fromStdString(pageName));
    auto* bands = new QVBoxLayout(page);
    bands->setContentsMargins(4, 4, 4, 4);
    bands->setSpacing(4);
    std::map<int, std::map<int, std::vector<const WindowSection*>>> layout;
    for (const WindowSection& s : windowSections()) {
      if (s.page == pageName) layout[s.band][s.column].push_back(&s);
    }
    for (const auto& [band, columns] : layout) {
      auto* row = new QHBoxLayout;
      for (const auto& [column, sections] : columns) {
        auto* stack = new QVBoxLayout;
        stack->setSpacing(4);
        for (const WindowSection* s : sections)
          stack->addWidget(section(*s));
        stack->addStretch();  // sections keep their natural height, at the top
        row->addLayout(stack);
      }
      row->addStretch();  // extra width goes to the end of the band
      bands->addLayout(row);
    }
    bands->addStretch();
    return page;
  }

 private:
  QWidget* section(const WindowSection& s) {
    QWidget* frame = nullptr;
    if (s.isGroup()) {
      frame = bind(s.name, new QGroupBox);
    } else {
      frame = new QWidget;
      frame->setObjectName(QString::fromStdString(s.name));
    }
    // The compact font from the start, and every control made inside its section: a control
    // that changes font later (when the page joins the window) is laid out again, and a list
    // then builds its drop-down there and then, which made up much of the start-up.
    frame->setFont(compactFont());
    auto* grid = new QGridLayout(frame);
    if (s.isGroup()) {
      grid->setContentsMargins(6, 2, 6, 4);
    } else {
      grid->setContentsMargins(0, 0, 0, 0);
    }
    grid->setVerticalSpacing(1);
    grid->setHorizontalSpacing(6);
    std::map<int, std::vector<const WindowPlace*>> rows;
    for (const WindowPlace& p : windowPlaces()) {
      if (p.section == s.name) rows[p.row].push_back(&p);
    }
    for (auto& [r, places] : rows) {
      std::stable_sort(
          places.begin(), places.end(),
          [](const WindowPlace* a, const WindowPlace* b) { return a->column < b->column; });
    }
    switch (s.style) {
      case SectionStyle::Form:
        formRows(grid, rows);
        break;
      case SectionStyle::Table:
        tableRows(grid, rows);
        break;
      case SectionStyle::Cells:
        cells(grid, rows);
        break;
    }
    return frame;
  }

  // Label in the first grid column, the row's controls and units beside it.
  void formRows(QGridLayout* grid, const std::map<int, std::vector<const WindowPlace*>>& rows) {
    for (const auto& [r, places] : rows) {
      const WindowPlace& first = *places.front();
      const bool labelled = !first.label.empty() && first.column == 0 && !first.control.empty();
      if (labelled) grid->addWidget(label(first), r, 0);
      auto* line = new QHBoxLayout;
      line->setSpacing(3);
      for (const WindowPlace* p : places) {
        if (!p->before.empty()) line->addWidget(text(p->before, p->control));
        line->addWidget(p->control.empty() ? text(p->label, {}) : control(*p, grid));
      }
      for (const WindowPlace* p : places) {
        if (!p->unit.empty()) line->addWidget(text(p->unit, p->control));
      }
      line->addStretch();
      // A row without a label (a check box, a hello line) starts at the left edge.
      if (labelled || first.column > 0) {
        grid->addLayout(line, r, 1);
      } else {
        grid->addLayout(line, r, 0, 1, 2);
      }
    }
    grid->setColumnStretch(2, 1);
  }

  // A header row with each column's label, then the members.
  void tableRows(QGridLayout* grid, const std::map<int, std::vector<const WindowPlace*>>& rows) {
    int columns = 0;
    std::map<int, bool> headed;
    for (const auto& [r, places] : rows) {
      for (const WindowPlace* p : places) {
        if (!headed[p->column] && !p->label.empty()) {
          grid->addWidget(new QLabel(QString::fromLatin1(p->label.c_str())), 0, p->column);
          headed[p->column] = true;
        }
        grid->addWidget(control(*p, grid), r + 1, p->column);
        columns = std::max(columns, p->column + 1);
      }
    }
    grid->setHorizontalSpacing(4);
    grid->setVerticalSpacing(1);
    grid->setColumnStretch(columns, 1);
  }

  // Cells side by side, kept apart so that each reads as one.
  void cells(QGridLayout* grid, const std::map<int, std::vector<const WindowPlace*>>& rows) {
    std::map<std::pair<int, int>, QHBoxLayout*> cellAt;
    int columns = 0;
    for (const auto& [r, places] : rows) {
      for (const WindowPlace* p : places) {
        QHBoxLayout*& cell = cellAt[{r, p->column}];
        if (cell == nullptr) {
          cell = new QHBoxLayout;
          cell->setSpacing(2);
          grid->addLayout(cell, r, p->column);
        }
        cell->addWidget(control(*p, grid));
        columns = std::max(columns, p->column + 1);
      }
    }
    grid->setHorizontalSpacing(18);
    grid->setVerticalSpacing(1);
    grid->setColumnStretch(columns, 1);
  }

  // The control of a place, made inside the section that `grid` lays out.
  QWidget* control(const WindowPlace& p, QGridLayout* grid) {
    QWidget* section = grid->parentWidget();
    const Control& c = form_.at(p.control);
    switch (c.kind) {
      case ControlKind::Text: {
        auto* edit = new BoundLineEdit(p.control, events_, section);
        edit->setMaxLength(
            32767);  // the model keeps the typing limit; assigned texts may be longer
        if (p.width > 0) {
          // Room for the characters the field takes, in the compact page font.
          edit->setFixedWidth(QFontMetrics(compactFont()).averageCharWidth() * (p.width + 2) + 8);
        }
        return bind(p.control, edit);
      }
      case ControlKind::Choice:
        return bind(p.control, new BoundComboBox(p.control, events_, section));
      case ControlKind::Flag:
        return bind(p.control, new BoundCheckBox(p.control, events_, section));
      case ControlKind::Slider: {
        auto* slider = new QSlider(Qt::Horizontal, section);
        slider->setRange(c.minimum, c.maximum);
        QObject::connect(slider, &QSlider::valueChanged, slider,
                         [&form = form_, act = act_, name = p.control](int value) {
                           act([&] { form.setPosition(name, value); });
                         });
        return bind(p.control, slider);
      }
      default:
        return bind(p.control, new QWidget(section));
    }
  }

  // A row's label: the window's own label control, or a text shown while its control is.
  QLabel* label(const WindowPlace& p) {
    QLabel* l = nullptr;
    if (!p.labelControl.empty()) {
      l = bind(p.labelControl, new QLabel);
    } else {
      l = text(p.label, p.control);
    }
    if (p.hintOnLabel) l->setToolTip(QString::fromLatin1(p.hint.c_str()));
    return l;
  }

  QLabel* text(const std::string& shown, const std::string& follows) {
    auto* l = new QLabel(QString::fromLatin1(shown.c_str()));
    if (!follows.empty()) registry_.followers.emplace_back(l, follows);
    return l;
  }

  template <typename W>
  W* bind(const std::string& name, W* widget) {
    widget->setObjectName(QString::fromStdString(name));
    registry_.widgets[name] = widget;
    return widget;
  }

  WindowRegistry& registry_;
  FormModel& form_;
  WidgetEvents& events_;
  const ActOnModel& act_;
};

}  // namespace

QWidget* buildWindowFrame(WindowRegistry& registry, const FormModel& form) {
  auto* central = new QWidget;
  auto* layout = new QVBoxLayout(central);
  layout->setContentsMargins(4, 4, 4, 4);

  auto* pages = new QTabWidget;
  pages->setObjectName("PageControl1");
  // The pager's settings are many: a compact font keeps a page within the window. Set as the
  // pages' font, which every widget on them inherits: a style sheet would say the same, but
  // makes each of the several hundred widgets match its rules when polished, which took most of
  // the window's start-up.
  pages->setFont(compactFont());
  pages->setTabPosition(QTabWidget::West);
  // Each page's controls are made when the page is first shown or asked for (see
  // buildWindowPage): the pages behind the shown one are made after the window's first paint.
  for (const char* name : {"address", "feature", "hardware", "promptmsg"}) {
    auto* scroll = new QScrollArea;
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setObjectName(QString(name) + "_scroll");
    pages->addTab(scroll, QString::fromStdString(form.at(name).caption));
    registry.pages[name] = scroll;
  }
  registry.tabs = pages;

  auto* bottom = new QSplitter(Qt::Horizontal);
  auto* memo = new QPlainTextEdit;
  memo->setObjectName("Memo1");
  memo->setStyleSheet("color: navy;");
  memo->setFont(compactFont());
  // The log stays editable, but Tab moves on instead of typing a tab into it.
  memo->setTabChangesFocus(true);
  registry.log = memo;
  auto* devices = new QListWidget;
  devices->setObjectName("DevListBox");
  devices->setToolTip("The programmer boxes plugged in; click one to read and write through it");
  registry.devices = devices;
  // The ledger's line is the program's own, not one of the window's controls: it sits under
  // the log and leaves the device list its whole height.
  auto* logColumn = new QWidget;
  auto* logLines = new QVBoxLayout(logColumn);
  logLines->setContentsMargins(0, 0, 0, 0);
  logLines->setSpacing(2);
  registry.ledgerLine = new LedgerStatusLine;
  registry.ledgerLine->setFont(compactFont());
  logLines->addWidget(memo, 1);
  logLines->addWidget(registry.ledgerLine);
  bottom->addWidget(logColumn);
  bottom->addWidget(devices);
  bottom->setStretchFactor(0, 4);
  bottom->setStretchFactor(1, 1);

  auto* split = new QSplitter(Qt::Vertical);
  split->setObjectName("bottomSplitter");
  split->addWidget(pages);
  split->addWidget(bottom);
  // The pages keep their natural height; the status log takes what is left.
  split->setStretchFactor(0, 0);
  split->setStretchFactor(1, 1);
  split->setCollapsible(0, false);
  split->setCollapsible(1, false);
  layout->addWidget(split);
  registry.split = split;
  return central;
}

bool buildWindowPage(WindowRegistry& registry, FormModel& form, WidgetEvents& events,
                     const ActOnModel& act, const std::string& name) {
  auto* scroll = static_cast<QScrollArea*>(registry.pages.at(name));
  if (scroll->widget() != nullptr) return false;
  WindowBuilder b(registry, form, events, act);
  scroll->setWidget(b.page(name));
  return true;
}

}  // namespace capcode::ui
