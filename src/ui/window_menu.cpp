#include "ui/window_menu.hpp"

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <algorithm>
#include <map>

#include "core/form_model.hpp"
#include "core/recovery_chips.hpp"
#include "ui/control_view.hpp"

namespace capcode::ui {

void buildWindowMenu(QMenuBar* bar, const FormModel& form, WindowRegistry& registry,
                     WidgetEvents& events, QObject* context) {
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
  for (const Control* c : form.controls()) {
    if (c->kind == ControlKind::MenuItem && !c->parent.empty()) hasChildren[c->parent] = true;
  }
  for (const Control* c : form.controls()) {
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
      QObject::connect(item, &QAction::triggered, context,
                       [&events, name = c->name] { events.clicked(name); });
    }
    registry.actions[c->name] = item;
  }
}

}  // namespace capcode::ui
