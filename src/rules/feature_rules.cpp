#include "rules/feature_rules.hpp"

#include <string>
#include <vector>

#include "core/conversions.hpp"
#include "core/program_state.hpp"

namespace capcode {

namespace {

// Replaces a value above `limit` by the limit; an empty text is left alone.
void clamp(FormModel& form, const std::string& field, std::int32_t limit) {
  const std::string& text = form.text(field);
  if (text.empty()) return;
  if (textToInt(text) > limit) form.setText(field, std::to_string(limit));
}

void switchEditable(FormModel& form, const std::string& box,
                    const std::vector<std::string>& fields) {
  const bool on = form.checked(box);
  for (const auto& field : fields)
    form.setEnabled(field, on);
}

void alerttimeChange(FormModel& form) {
  if (form.text("alerttime").empty()) return;
  clamp(form, "alerttime", 255);
  // The remind interval must not be shorter than the alert itself.
  const std::int32_t seconds = textToInt(form.text("alerttime"));
  const std::int32_t remind = textToInt(form.text("unread_alert"));
  if (seconds / 60.0 > remind && remind != 0) {
    form.setText("unread_alert", std::to_string(seconds / 60 + 1));
  }
}

void contrastExit(FormModel& form) {
  if (textToInt(form.text("contrast")) >= 64) form.setText("contrast", "63");
  if (textToInt(form.text("contrast")) <= 7) form.setText("contrast", "08");
}

void vibratetypeChange(FormModel& form) {
  const bool special = form.index("vibratetype") == 3;  // "Vanta special vibrate"
  if (special) {
    form.setText("alerttime", "12");
    form.setIndex("alerttype", 1);  // "Vibrate"
    form.setIndex("alertmode", 1);  // "ABCD Tone"
  }
  for (const char* field : {"alerttime", "alerttype", "alertmode"})
    form.setEnabled(field, !special);
}

void alerttypeChange(FormModel& form) {
  const int type = form.index("alerttype");
  if (type == 0) form.setIndex("vibratetype", 0);  // a tone alert vibrates continuously
  form.setEnabled("vibratetype", type != 0);
  const bool vibrates = type == 1 || type == 2;
  if (vibrates) form.setIndex("alertmode", 1);
  form.setEnabled("alertmode", !vibrates);
}

void repeatcallcheckChange(FormModel& form) {
  if (form.index("repeatcallcheck") == 2) {  // "Disable"
    form.setIndex("repeatcallreject", 0);
    form.setEnabled("repeatcallreject", false);
    form.setChecked("repeatmsg", false);
  } else {
    form.setEnabled("repeatcallreject", true);
    form.setChecked("repeatmsg", true);
  }
}

void repeatmsgClick(FormModel& form) {
  if (form.checked("repeatmsg")) {
    form.setEnabled("repeatcallcheck", true);
    return;
  }
  form.setIndex("repeatcallcheck", 2);
  form.setIndex("repeatcallreject", 0);
  form.setEnabled("repeatcallreject", false);
}

// Message status and time display both decide whether messages can be time-stamped.
void stampSourceClick(FormModel& form, const char* box) {
  if (form.checked(box)) {
    form.setEnabled("datetime", true);
  } else {
    form.setChecked("datetime", false);
    form.setEnabled("datetime", false);
  }
}

}  // namespace

void installFeatureRules(ProgramState& state) {
  FormModel& f = state.form;
  const std::pair<const char*, std::int32_t> clamps[] = {{"lcdholdtime", 255},
                                                         {"maxprivate", 60},
                                                         {"autooffstart", 24},
                                                         {"autooffstop", 24},
                                                         {"unread_alert", 60}};
  for (const auto& [field, limit] : clamps) {
    f.attach(ControlEvent::Change, field,
             [&f, name = std::string(field), limit = limit] { clamp(f, name, limit); });
  }
  f.attach(ControlEvent::Change, "alerttime", [&f] { alerttimeChange(f); });
  f.attach(ControlEvent::Exit, "contrast", [&f] { contrastExit(f); });
  f.attach(ControlEvent::Change, "vibratetype", [&f] { vibratetypeChange(f); });
  f.attach(ControlEvent::Change, "alerttype", [&f] { alerttypeChange(f); });
  f.attach(ControlEvent::Change, "repeatcallcheck", [&f] { repeatcallcheckChange(f); });
  f.attach(ControlEvent::Click, "repeatmsg", [&f] { repeatmsgClick(f); });
  f.attach(ControlEvent::Click, "msgstatus", [&f] { stampSourceClick(f, "msgstatus"); });
  f.attach(ControlEvent::Click, "timedisplay", [&f] { stampSourceClick(f, "timedisplay"); });
  f.attach(ControlEvent::Click, "timeprefix",
           [&f] { f.setChecked("msgstatusprefix", f.checked("timeprefix")); });
  f.attach(ControlEvent::Click, "msgstatusprefix",
           [&f] { f.setChecked("timeprefix", f.checked("msgstatusprefix")); });

  const std::pair<const char*, std::vector<std::string>> switches[] = {
      {"handprog", {"handprogpws"}},
      {"autooff", {"autooffstop", "autooffstart"}},
      {"toneonlymsg", {"cannedmsgA", "cannedmsgB", "cannedmsgC", "cannedmsgD"}},
      {"alarm", {"alarmhour", "alarmminute"}},
      {"contrast_enable", {"contrast"}}};
  for (const auto& [box, fields] : switches) {
    f.attach(ControlEvent::Click, box,
             [&f, name = std::string(box), fields = fields] { switchEditable(f, name, fields); });
  }
}

}  // namespace capcode
