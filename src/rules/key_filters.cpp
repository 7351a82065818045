#include "rules/key_filters.hpp"

#include <string>

#include "core/field_names.hpp"
#include "core/program_state.hpp"

namespace capcode {

namespace {

bool isDigit(char key) {
  return key >= '0' && key <= '9';
}

}  // namespace

void installKeyFilters(ProgramState& state) {
  FormModel& f = state.form;

  auto numKeyPress = [&state](char& key) {
    if (isDigit(key) || key == '\b') return;
    key = 0;
    state.log("Number 0-9 and backspace only");
    state.beep();
  };
  for (int n = 1; n <= kAddressRows; ++n)
    f.attachKeyFilter(rowControlName("address", n), numKeyPress);
  for (const char* field : {"maxprivate", "lcdholdtime", "contrast", "handprogpws", "autooffstart",
                            "autooffstop", "alerttime", "unread_alert", "f_ref"}) {
    f.attachKeyFilter(field, numKeyPress);
  }

  auto tonepatternKeyPress = [&state](char& key) {
    if (isDigit(key) || (key >= 'A' && key <= 'F') || key == '\b') return;
    key = 0;
    state.log("Number 0-9,A-F and backspace only");
    state.beep();
  };
  for (const char* field :
       {"tonepatternA", "tonepatternB", "tonepatternC", "tonepatternD", "tonepatternPon",
        "tonepatternLcell", "tonepatternUcall1", "tonepatternUcall2"}) {
    f.attachKeyFilter(field, tonepatternKeyPress);
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
