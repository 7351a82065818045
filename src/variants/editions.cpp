#include "variants/editions.hpp"

#include <algorithm>
#include <string>
#include <vector>

#include "core/chip_lists.hpp"
#include "core/image_map.hpp"
#include "core/program_state.hpp"

namespace capcode {

namespace {

constexpr int kHebraic = 13;

// Controls that only the factory may change.
const char* const kFactoryControls[] = {
    "pll",           "backlight",  "f_ref",      "bs2_option", "clko",    "filter_strength",
    "filter_enable", "errcorrect", "error_rate", "fullbat",    "halfbat", "lowbat",
    "gonebat",       "Vref",       "contrast"};

void showAll(FormModel& form, std::initializer_list<const char*> names, bool shown) {
  for (const char* name : names)
    form.setVisible(name, shown);
}

// Normal, Norvik and Dalvo pagers have fixed alerts: set them, then hide their controls.
void fixAlertControls(FormModel& form) {
  form.setVisible("L_cannedmsg", false);
  form.setIndex("alerttype", 3);
  showAll(form, {"L_alerttype", "alerttype"}, false);
  form.setIndex("vibratetype", 0);
  showAll(form, {"L_vibratetype", "vibratetype"}, false);
  form.setChecked("outrange", false);
  form.setVisible("outrange", false);
  form.setChecked("lowbatspecalert", false);
  form.setVisible("lowbatspecalert", false);
  form.setChecked("toneonlymsg", false);
  form.setVisible("toneonlymsg", false);
  form.setChecked("pageoff", true);
  form.setVisible("pageoff", false);
  form.setChecked("quietsound", false);
  form.setVisible("quietsound", false);
}

void showAlertControls(FormModel& form) {
  showAll(form,
          {"L_cannedmsg", "L_alerttype", "alerttype", "L_vibratetype", "vibratetype", "outrange",
           "lowbatspecalert", "toneonlymsg", "pageoff", "quietsound"},
          true);
}

void setModelCode(ProgramState& state) {
  const char kCode[kModelCodeSize + 1] = "M61";
  std::copy(kCode, kCode + kModelCodeSize, state.ConfigImage.begin() + kModelCodeOffset);
}

void customerChange(ProgramState& state) {
  FormModel& form = state.form;
  const int edition = form.index("customer");
  const bool factory = state.build.factoryEdition != 0;
  if (edition == kBeeper) {
    const char* const text = "Not yet support in this version!!!";
    state.beep();
    state.message(text);
    state.recordRuleRefusal({RuleRefusalReason::EditionUnsupported, "customer", 0, text});
    return;
  }
  if (edition != kVanta && edition != kNormal && edition != kNorvik && edition != kDalvo) return;

  const bool vanta = edition == kVanta;
  if (vanta) form.setEnabled("pager_model", false);
  form.setIndex("pager_model", 2);  // KVRM61
  setModelCode(state);
  if (vanta) {
    form.setEnabled("backlight", false);
    form.setEnabled("Vref", false);
    form.setVisible("repeatmsg", false);
    form.deleteItem("language", kHebraic);
    showAlertControls(form);
  } else {
    fixAlertControls(form);
  }
  showAll(form, {"L_pll", "pll", "Recover1"}, true);
  form.setVisible("Debug1", vanta ? factory : true);
  if (vanta) {
    const int pll = form.index("pll");
    if ((pll == kPllFs8108 || pll == kPllFs8170) && form.index("lcddrv") == kLcdT6k04) {
      form.setIndex("lcddrv", kLcdSt7567a);
      form.runHandler("lcddrvChange");
    }
  }
  if (!factory) {
    static const char* const kCaptions[] = {"M61V10 Capcode Programmer Customer Version",
                                            "M61 Capcode Programmer - Normal Version", nullptr,
                                            "M61 Capcode Programmer - Norvik Version",
                                            "M61 Capcode Programmer - Normal Version"};
    form.setCaption("Form1", kCaptions[edition]);
  }
  if (!vanta) form.setEnabled("pager_model", false);
}

// One column per revision; rows applied in this order.
void applyRevision(ProgramState& state, int revision) {
  FormModel& form = state.form;
  const bool hwB = revision == kHwB;
  static const char* const kCaptions[] = {"&HW-A2", "&HW-A3", "&HW-B"};
  static const char* const kContrast[] = {"50", "25", "40"};
  form.setCaption("switch_model", kCaptions[revision]);
  form.setText("contrast", kContrast[revision]);
  for (int row = 7; row <= 8; ++row) {
    for (const auto& [prefix, suffix] : {std::pair{"addr", "en"},
                                         {"address", ""},
                                         {"frame", ""},
                                         {"autoinc", ""},
                                         {"msgtype", ""}}) {
      form.setVisible(rowControlName(prefix, row, suffix), hwB);
    }
    for (int tone = 0; tone < kFunctionTones; ++tone) {
      const std::string letter(1, toneLetter(tone));
      form.setVisible(rowControlName("addr", row, "format" + letter), hwB);
      form.setVisible(rowControlName("urgent", row, letter), hwB);
    }
  }
  form.setIndex("decoder", hwB ? 1 : 0);
  showAll(form, {"pll_enable", "BS2", "BS3", "data_format", "L_data_format"}, !hwB);
  showAll(
      form,
      {"bs1_8212", "bs3_8212", "error_rate", "L_err_rate", "bs2_option", "end_of_msg", "clko",
       "L_clko", "filter_strength", "L_fstrength", "filter_enable", "L_errcorrect", "errcorrect"},
      hwB);
  form.setIndex("lcddrv", revision == kHwA2   ? kLcdT6k04
                          : revision == kHwA3 ? kLcdSd1815
                                              : kLcdSt7567a);
  showAll(form, {"lcddrv_opa", "L_lcddrv_opa"}, revision != kHwA2);
  if (hwB) form.runHandler("lcddrvChange");
  showAll(form, {"lcd_fosc", "L_lcd_fosc", "lcd_tc", "L_lcd_tc", "lcd_bias", "L_lcd_bias"},
          revision != kHwA2);
  form.setVisible("bat_detect", !hwB);
  form.setVisible("mpu_clock_speed", hwB);
}

void switch_modelClick(ProgramState& state) {
  if (state.HardwareRevision <= kHwB) {
    state.HardwareRevision = static_cast<std::uint8_t>((state.HardwareRevision + 1) % 3);
    applyRevision(state, state.HardwareRevision);
  }
  state.form.runHandler("languageChange");
}

}  // namespace

void applyEditionSetUp(ProgramState& state) {
  FormModel& form = state.form;
  const bool factory = state.build.factoryEdition == 1;
  showAll(form, {"hardware", "L_customer", "customer"}, factory);
  for (const char* control : kFactoryControls)
    form.setEnabled(control, factory);
  form.setVisible("contrast_enable", !factory);

  form.setIndex("customer", state.build.buildCustomer);
  form.runHandler("customerChange");
  if (state.build.buildCustomer == 0) form.setText("unread_alert", "0");
  form.runHandler("pager_modelChange");
  if (state.build.buildLanguageLock == 1) {
    form.setIndex("language", kHebraic);
    form.setEnabled("language", false);
  } else {
    for (int item = kHebraic; item >= 3; --item)
      form.deleteItem("language", item);
  }
}

void installEditionRules(ProgramState& state) {
  state.form.attach(ControlEvent::Change, "customer", [&state] { customerChange(state); });
  state.form.attach(ControlEvent::Click, "switch_model", [&state] { switch_modelClick(state); });
}

}  // namespace capcode
