#include "rf/hardware_settings.hpp"

#include <string>
#include <vector>

#include "core/chip_lists.hpp"
#include "core/program_state.hpp"
#include "core/recovery_chips.hpp"

namespace capcode {

namespace {

void recoveryClick(FormModel& form, int chip) {
  Control& item = form.at(kRecoveryChips[chip].menuItem);
  if (item.checked) {
    item.checked = false;
    form.at("Recover1").checked = false;
    return;
  }
  for (int other = 0; other < static_cast<int>(kRecoveryChips.size()); ++other)
    form.at(kRecoveryChips[other].menuItem).checked = other == chip;
  form.at("Recover1").checked = true;
  form.setIndex("pll", chip);
  if (chip == kPllFs8108) form.setIndex("lcddrv_opa", form.index("lcddrv") == kLcdSt7567a ? 2 : 3);
  if (chip == kPllFs8170) form.setIndex("lcddrv_opa", 3);
}

void lcddrvChange(FormModel& form) {
  const bool st7567a = form.index("lcddrv") == kLcdSt7567a;
  // The ST7567A takes its amplifier setting as a voltage ratio; the others as a step 0-7.
  static const std::vector<std::string> kRatios = {"3.0", "3.5", "4.0", "4.5",
                                                   "5.0", "5.5", "6.0", "6.5"};
  static const std::vector<std::string> kSteps = {"0", "1", "2", "3", "4", "5", "6", "7"};
  form.setItems("lcddrv_opa", {});
  form.setItems("lcddrv_opa", st7567a ? kRatios : kSteps);
  form.setIndex("lcddrv_opa", st7567a ? 2 : 3);
  for (const char* control :
       {"L_lcd_fosc", "L_lcd_tc", "L_lcd_bias", "lcd_fosc", "lcd_tc", "lcd_bias"}) {
    form.setVisible(control, !st7567a);
  }
}

void selectPort(ProgramState& state, bool second) {
  state.LptPortBase = second ? 0x278 : 0x378;
  state.form.at("LPT11").checked = !second;
  state.form.at("LPT21").checked = second;
}

}  // namespace

void installHardwareSettingRules(ProgramState& state) {
  FormModel& form = state.form;
  for (int chip = 0; chip < static_cast<int>(kRecoveryChips.size()); ++chip) {
    form.attach(ControlEvent::Click, kRecoveryChips[chip].menuItem,
                [&form, chip] { recoveryClick(form, chip); });
  }
  form.attach(ControlEvent::Click, "Debug1", [&form] {
    Control& debug = form.at("Debug1");
    debug.checked = !debug.checked;
  });
  form.attach(ControlEvent::Change, "lcddrv", [&form] { lcddrvChange(form); });
  form.attach(ControlEvent::Click, "LPT11", [&state] { selectPort(state, false); });
  form.attach(ControlEvent::Click, "LPT21", [&state] { selectPort(state, true); });
}

}  // namespace capcode
