// The model shown on the window's widgets: see control_view.hpp.

#include "ui/control_view.hpp"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QSignalBlocker>
#include <QSlider>
#include <QTabWidget>

#include "core/form_model.hpp"
#include "ui/bound_widgets.hpp"

namespace capcode::ui {

namespace {

// Shows or hides a widget only when that changes: every refresh passes over several hundred
// widgets, and one told to show that is not hidden is still marked, notified and laid out again.
void showAs(QWidget* widget, bool visible) {
  const bool hidden = widget->testAttribute(Qt::WA_WState_ExplicitShowHide) && widget->isHidden();
  if (hidden == visible) widget->setVisible(visible);
}

// DevListBox as the model lists it: its rows and the box in use.
void showDeviceList(const Control& list, QListWidget* devices) {
  QStringList rows;
  for (const std::string& item : list.items)
    rows << fromBytes(item);
  QStringList shown;
  for (int i = 0; i < devices->count(); ++i)
    shown << devices->item(i)->text();
  const QSignalBlocker blocker(devices);
  if (shown != rows) {
    devices->clear();
    devices->addItems(rows);
  }
  if (devices->currentRow() != list.index) devices->setCurrentRow(list.index);
  for (int i = 0; i < devices->count(); ++i) {
    // The list is narrow: the whole row in its tooltip.
    devices->item(i)->setToolTip(devices->item(i)->text());
    QFont font = devices->item(i)->font();
    if (font.bold() == (i == list.index)) continue;
    font.setBold(i == list.index);
    devices->item(i)->setFont(font);
  }
}

}  // namespace

QString fromBytes(const std::string& bytes) {
  return QString::fromLatin1(bytes.data(), static_cast<int>(bytes.size()));
}

void ControlView::show(const FormModel& form, const WindowRegistry& registry) {
  for (const Control* control : form.controls()) {
    // Only the controls made so far: a page made later is refreshed when it is made.
    if (const auto w = registry.widgets.find(control->name); w != registry.widgets.end()) {
      showControl(*control, w->second);
    }
    if (const auto item = registry.actions.find(control->name); item != registry.actions.end()) {
      QAction* a = item->second;
      a->setText(fromBytes(control->caption));
      if (a->isCheckable()) a->setChecked(control->checked);
      a->setEnabled(control->enabled);
      a->setVisible(control->visible);
    }
    if (const auto tab = registry.pages.find(control->name); tab != registry.pages.end()) {
      // Only real changes: touching a tab's state can move the current page under the person.
      const int index = registry.tabs->indexOf(tab->second);
      if (registry.tabs->isTabVisible(index) != control->visible)
        registry.tabs->setTabVisible(index, control->visible);
      if (registry.tabs->isTabEnabled(index) != control->enabled)
        registry.tabs->setTabEnabled(index, control->enabled);
      if (registry.tabs->tabText(index) != fromBytes(control->caption))
        registry.tabs->setTabText(index, fromBytes(control->caption));
    }
  }
  for (const auto& [label, control] : registry.followers)
    showAs(label, form.at(control).visible);
  showDeviceList(form.at("DevListBox"), registry.devices);
}

void ControlView::showControl(const Control& c, QWidget* w) {
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

}  // namespace capcode::ui
