#include "rules/folder_rules.hpp"

#include <algorithm>
#include <string>

#include "core/conversions.hpp"
#include "core/program_state.hpp"

namespace capcode {

namespace {

constexpr std::size_t kFolderNameWidth = 9;
constexpr std::size_t kHelloWidth = 20;

void padWithBlanks(FormModel& form, const std::string& field, std::size_t width) {
  const std::string& text = form.text(field);
  if (text.size() < width) form.setText(field, text + std::string(width - text.size(), ' '));
}

void lengthKeyPress(ProgramState& state, const std::string& field, char& key) {
  if ((key >= '0' && key <= '9') || key == '\b') return;
  key = 0;
  state.beep();
  state.recordRuleRefusal({RuleRefusalReason::FolderLengthKey, field, 0, ""});
}

void lengthExit(ProgramState& state, int folder) {
  FormModel& form = state.form;
  const std::string field = folderControlName("pubboxlength", folder);
  const std::int32_t length = textToInt(form.text(field));
  if (length == 0) {
    const char* const line = "Length should large than ZERO";
    state.log(line);
    state.beep();
    state.focus(field);
    state.recordRuleRefusal({RuleRefusalReason::FolderLengthZero, field, 0, line});
    return;
  }
  const int excess = folderExcess(state);
  if (excess == 0) return;
  // The folder just left gives up the excess. When it cannot give that much (folders were
  // ticked or the reserve raised since), it keeps one message: a length of 0 or below would
  // corrupt the pager's memory map.
  const std::int32_t trimmed = std::max<std::int32_t>(1, length - excess);
  form.setText(field, std::to_string(trimmed));
  const char* const line = "Out of total length 1024, trim down the length automatic";
  state.log(line);
  state.beep();
  state.recordRuleRefusal({RuleRefusalReason::FolderLengthTrimmed, field, 0, line});
}

}  // namespace

int folderExcess(ProgramState& state) {
  FormModel& form = state.form;
  long total = 0;
  for (int k = 0; k < kFolders; ++k) {
    if (form.checked(folderControlName("pubboxact", k))) {
      total += textToInt(form.text(folderControlName("pubboxlength", k)));
    }
  }
  const long reserve = textToInt(form.text("maxprivate"));
  if (kMessageMemory - reserve >= total) return 0;
  return static_cast<int>(total + reserve - kMessageMemory);
}

void installFolderRules(ProgramState& state) {
  FormModel& form = state.form;
  for (int k = 0; k < kFolders; ++k) {
    const std::string active = folderControlName("pubboxact", k);
    const std::string folderName = folderControlName("pubbox", k);
    const std::string length = folderControlName("pubboxlength", k);
    form.attach(ControlEvent::Click, active, [&form, active, folderName, length] {
      const bool on = form.checked(active);
      form.setEnabled(folderName, on);
      form.setEnabled(length, on);
    });
    form.attachKeyFilter(length,
                         [&state, length](char& key) { lengthKeyPress(state, length, key); });
    form.attach(ControlEvent::Exit, length, [&state, k] { lengthExit(state, k); });
    form.attach(ControlEvent::Exit, folderName,
                [&form, folderName] { padWithBlanks(form, folderName, kFolderNameWidth); });
  }
  for (const char* hello : {"hellomsg1", "hellomsg2"}) {
    form.attach(ControlEvent::Exit, hello,
                [&form, field = std::string(hello)] { padWithBlanks(form, field, kHelloWidth); });
  }
}

}  // namespace capcode
