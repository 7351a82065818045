#include "rules/key_filters.hpp"

#include <string>

#include "core/field_names.hpp"
#include "core/program_state.hpp"

namespace capcode {

namespace {

bool isDigit(char key) {
  return key >= '0' && key <= '9';
}

bool isHexDigit(char key) {
  return isDigit(key) || (key >= 'A' && key <= 'F');
}

// Drops a key `accepted` does not take, with the line and the beep, and records the refusal.
KeyFilter refusingFilter(ProgramState& state, std::string field, int row, bool (*accepted)(char),
                         RuleRefusalReason reason, const char* line) {
  return [&state, field = std::move(field), row, accepted, reason, line](char& key) {
    if (accepted(key) || key == '\b') return;
    key = 0;
    state.log(line);
    state.beep();
    state.recordRuleRefusal({reason, field, row, line});
  };
}

}  // namespace

void installKeyFilters(ProgramState& state) {
  FormModel& f = state.form;

  constexpr const char* kDigitsOnly = "Number 0-9 and backspace only";
  const auto numKeyPress = [&state](const std::string& field, int row) {
    return refusingFilter(state, field, row, isDigit, RuleRefusalReason::DigitKey, kDigitsOnly);
  };
  for (int n = 1; n <= kAddressRows; ++n)
    f.attachKeyFilter(rowControlName("address", n), numKeyPress(rowControlName("address", n), n));
  for (const char* field : {"maxprivate", "lcdholdtime", "contrast", "handprogpws", "autooffstart",
                            "autooffstop", "alerttime", "unread_alert", "f_ref"}) {
    f.attachKeyFilter(field, numKeyPress(field, 0));
  }

  for (const char* field :
       {"tonepatternA", "tonepatternB", "tonepatternC", "tonepatternD", "tonepatternPon",
        "tonepatternLcell", "tonepatternUcall1", "tonepatternUcall2"}) {
    f.attachKeyFilter(field,
                      refusingFilter(state, field, 0, isHexDigit, RuleRefusalReason::HexDigitKey,
                                     "Number 0-9,A-F and backspace only"));
  }

  auto noKeyPress = [](char& key) { key = 0; };
  for (int n = 1; n <= kAddressRows; ++n) {
    f.attachKeyFilter(rowControlName("msgtype", n), noKeyPress);
    for (int tone = 0; tone < kFunctionTones; ++tone) {
      f.attachKeyFilter(rowControlName("addr", n, std::string("format") + toneLetter(tone)),
                        noKeyPress);
    }
  }
  for (const char* list : {"numset",           "polarity",        "vibratetype", "urgentcalltype",
                           "repeatcallreject", "repeatcallcheck", "rangetime",   "rangeindicator",
                           "pubboxmode",       "lowcalldelay",    "language",    "dateformat",
                           "baudrate",         "alerttype",       "alertmode",   "zoom",
                           "backlight",        "pager_model",     "BS2",         "BS3",
                           "errcorrect",       "data_format",     "pll"}) {
    f.attachKeyFilter(list, noKeyPress);
  }
}

}  // namespace capcode
