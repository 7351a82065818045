#pragma once
// The window built from the arrangement table into a registry: the frame (the page tabs, the
// status log with the ledger's line, the device list) at once, each page's controls when the
// page is first shown or asked for. Nothing here names a label or a hint: they come from the
// table and the model.

#include <QFont>
#include <functional>
#include <string>

#include "ui/bound_widgets.hpp"
#include "ui/window_registry.hpp"

namespace capcode {
class FormModel;
}

namespace capcode::ui {

// The pages' font: small, since a pager has many settings.
const QFont& compactFont();

// Runs one window event through the model (MainWindow::act).
using ActOnModel = std::function<void(const std::function<void()>&)>;

// Makes the window's frame into `registry` (tabs, split, log, devices, ledgerLine, and every
// page's empty scroll area); returns the central widget, for the window to own. Connects
// nothing: the window wires the device list and the tabs.
QWidget* buildWindowFrame(WindowRegistry& registry, const FormModel& form);

// Makes the page's controls into its scroll area unless they are made; true when it made them
// (the caller refreshes). The controls send what the person does to `events`, a slider to `act`.
bool buildWindowPage(WindowRegistry& registry, FormModel& form, WidgetEvents& events,
                     const ActOnModel& act, const std::string& name);

}  // namespace capcode::ui
