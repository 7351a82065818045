#pragma once
// Shows the model on the window: every control's widget, menu item and page tab takes the
// control's state, the design's labels follow their controls, and the device list shows its
// rows. Only what changed is touched: a refresh passes over several hundred widgets after every
// event.

#include <QString>
#include <map>
#include <string>
#include <vector>

#include "ui/window_registry.hpp"

namespace capcode {
class FormModel;
struct Control;
}  // namespace capcode

namespace capcode::ui {

// The model's texts are Latin-1 bytes, as the pager stores them.
QString fromBytes(const std::string& bytes);

class ControlView {
 public:
  // Shows every control of `form` on what `registry` has made so far: a page made later is
  // shown when it is made.
  void show(const FormModel& form, const WindowRegistry& registry);

 private:
  void showControl(const Control& control, QWidget* widget);

  // The items each list was last given, as the model held them.
  std::map<const QWidget*, std::vector<std::string>> shownItems_;
};

}  // namespace capcode::ui
