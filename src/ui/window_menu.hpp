#pragma once
// The window's menu bar, made from the model's menu items: an item with sub-items becomes a
// menu, the options that carry a tick mark are checkable, and File's Open, Save and Exit also
// take the desktop's standard keys.

#include "ui/bound_widgets.hpp"
#include "ui/window_registry.hpp"

class QMenuBar;
class QObject;

namespace capcode {
class FormModel;
}

namespace capcode::ui {

// Makes every menu item of `form` into `bar` and `registry.actions`; a chosen item goes to
// `events.clicked`, for as long as `context` lives. `events` outlives the menu.
void buildWindowMenu(QMenuBar* bar, const FormModel& form, WindowRegistry& registry,
                     WidgetEvents& events, QObject* context);

}  // namespace capcode::ui
