#pragma once
// A control as the one JSON line that `get` prints in a script transcript. The form is fixed:
// tools outside read it.

#include <string>

#include "core/control.hpp"
#include "core/form_model.hpp"

namespace capcode {

// {"name":..., then what the kind holds (text; index, item and items; checked; position),
// "enabled", "visible", and the caption, label, unit and hint when the control has them}.
std::string controlJson(const FormModel& form, const Control& control);

}  // namespace capcode
