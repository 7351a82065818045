#include "rules/address_rules.hpp"

#include <memory>
#include <string>

#include "core/conversions.hpp"
#include "core/program_state.hpp"

namespace capcode {

bool isLegalCapcode(std::int64_t c) {
  return (c >= 8 && c <= 2007663) || (c >= 2007672 && c <= 2045055) ||
         (c >= 2045064 && c <= 2097143);
}

namespace {

constexpr std::size_t kCapcodeDigits = 7;

class AddressRules {
 public:
  explicit AddressRules(ProgramState& state) : state_(state), form_(state.form) {}

  void install() {
    for (int n = 1; n <= kAddressRows; ++n) {
      form_.attach(ControlEvent::Change, name("address", n), [this, n] { change(n); });
      form_.attach(ControlEvent::Exit, name("address", n), [this, n] { exit(n); });
      form_.attach(ControlEvent::Click, name("addr", n, "en"), [this, n] { enableClick(n); });
      form_.attachKeyFilter(name("autoinc", n), [this, n](char& key) { autoincKeyPress(n, key); });
      form_.attach(ControlEvent::Exit, name("autoinc", n), [this, n] { autoincExit(n); });
      if (n <= 6) {
        form_.attach(ControlEvent::Change, name("msgtype", n), [this, n] { messageTypeChange(n); });
      }
    }
    form_.defineHandler("advanceAddresses", [this] { advance(); });
  }

 private:
  static std::string name(const char* prefix, int row, const char* suffix = "") {
    return rowControlName(prefix, row, suffix);
  }
  // Frame pairs exist only on the HW-A boards, whose image keeps one frame per pair.
  bool paired() const { return state_.HardwareRevision != kHwB; }
  std::int32_t capcode(int row) const { return textToInt(form_.text(name("address", row))); }
  int comparedRows() const { return paired() ? 6 : 8; }
  static int leaderOf(int row) { return row == 2 ? 1 : 3; }
  static bool isLed(int row) { return row == 2 || row == 4 || row == 5 || row == 6; }

  void change(int n) {
    const std::string& text = form_.text(name("address", n));
    if (text.empty()) {
      form_.setText(name("frame", n), " ");
      return;
    }
    const std::int32_t c = capcode(n);
    if (isLegalCapcode(c)) {
      const int frame = c % 8;
      form_.setText(name("frame", n), std::string(1, static_cast<char>('0' + frame)));
      if (n == 1 && paired()) {
        align(2, frame);
        form_.runHandler("address2Exit");
      } else if (n == 3 && paired()) {
        for (int m = 4; m <= 6; ++m) {
          align(m, frame);
          form_.runHandler(name("address", m, "Exit"));
        }
      }
      return;
    }
    // Seven characters or more: a pasted or assigned over-long capcode is reported too, never
    // encoded as some other capcode.
    if (text.size() >= kCapcodeDigits) {
      const std::string line =
          "Address [" + std::to_string(n) +
          "] range out, should be within 8-2007663; 2007672-2045055; 2045064-2097143";
      state_.beep();
      state_.log(line);
      state_.focus(name("address", n));
      refused(RuleRefusalReason::CapcodeOutOfRange, "address", n, line);
    }
  }

  // Moves a led row within its block of eight onto its leader's frame.
  void align(int row, int frame) {
    const std::int32_t c = capcode(row);
    form_.setText(name("address", row), std::to_string(c - c % 8 + frame));
  }

  void exit(int n) {
    std::int32_t capcodes[kAddressRows] = {};
    for (int row = 1; row <= kAddressRows; ++row)
      capcodes[row - 1] = capcode(row);
    bool duplicate = false;
    for (int i = 0; i < comparedRows(); ++i) {
      for (int j = i + 1; j < comparedRows(); ++j)
        duplicate |= capcodes[i] == capcodes[j];
    }
    if (duplicate && form_.checked(name("addr", n, "en"))) {
      const std::string line = "Same capcode address not allowed ";
      state_.beep();
      state_.log(line);
      state_.focus(name("address", n));
      refused(RuleRefusalReason::DuplicateCapcode, "address", n, line);
      return;
    }
    // One zero at a time, each an edit of the field: a 7-digit result that is out of range is
    // reported by the change rule as soon as it stands in the field.
    while (form_.text(name("address", n)).size() < kCapcodeDigits) {
      form_.setText(name("address", n), "0" + form_.text(name("address", n)));
    }
    if (paired() && isLed(n) && capcode(n) % 8 != capcode(leaderOf(n)) % 8) {
      const std::string line = "Address [" + std::to_string(n) + "] frame must same as Address [" +
                               std::to_string(leaderOf(n)) + "]";
      state_.log(line);
      state_.focus(name("address", n));
      state_.beep();
      refused(RuleRefusalReason::FrameMismatch, "address", n, line);
      return;
    }
    form_.runHandler(name("address", n, "Change"));
  }

  void enableClick(int n) {
    const bool on = form_.checked(name("addr", n, "en"));
    form_.setEnabled(name("address", n), on);
    form_.setEnabled(name("frame", n), on);
    form_.setEnabled(name("autoinc", n), on);
    if (n <= 6) form_.setEnabled(name("msgtype", n), on);
    for (int tone = 0; tone < kFunctionTones; ++tone) {
      const std::string letter(1, toneLetter(tone));
      form_.setEnabled(name("addr", n, ("format" + letter).c_str()), on);
      form_.setEnabled(name("urgent", n, letter.c_str()), on);
    }
    if (n <= 6) form_.runHandler(name("msgtype", n, "Change"));
  }

  // Row n owns public folders 4(n-1) .. 4(n-1)+3; a private or disabled row switches them off.
  void messageTypeChange(int n) {
    const Control& type = form_.at(name("msgtype", n));
    const bool isPublic = type.index != 0 && type.enabled;
    for (int k = 4 * (n - 1); k < 4 * n; ++k) {
      if (isPublic) {
        form_.setEnabled(folderControlName("pubboxact", k), true);
        continue;
      }
      form_.setChecked(folderControlName("pubboxact", k), false);
      form_.setEnabled(folderControlName("pubboxact", k), false);
      form_.setEnabled(folderControlName("pubbox", k), false);
      form_.setEnabled(folderControlName("pubboxlength", k), false);
    }
  }

  void autoincKeyPress(int n, char& key) {
    if ((key >= '0' && key <= '8') || key == '\b') return;
    key = 0;
    state_.beep();
    refused(RuleRefusalReason::StepKey, "autoinc", n, "");
  }

  void autoincExit(int n) {
    if (!form_.at(name("autoinc", n)).selectedItem().empty()) return;
    state_.focus(name("autoinc", n));
    refused(RuleRefusalReason::StepMissing, "autoinc", n, "");
  }

  // The refusal as a value, beside what the person was shown.
  void refused(RuleRefusalReason reason, const char* prefix, int row, std::string line) {
    state_.recordRuleRefusal({reason, name(prefix, row), row, std::move(line)});
  }

  std::int32_t step(int row) const {
    return textToInt(form_.at(name("autoinc", row)).selectedItem());
  }

  // After a verified write: rows 1-2 and 3-4 move on by their steps, led rows follow.
  void advance() {
    form_.setText("address2", std::to_string(capcode(2) + step(2)));
    form_.setText("address1", std::to_string(capcode(1) + step(1)));
    form_.runHandler("address1Exit");
    form_.runHandler("address2Exit");
    form_.setText("address4", std::to_string(capcode(4) + step(4)));
    form_.setText("address3", std::to_string(capcode(3) + step(3)));
    form_.runHandler("address3Exit");
    form_.runHandler("address4Exit");
  }

  ProgramState& state_;
  FormModel& form_;
};

}  // namespace

void installAddressRules(ProgramState& state) {
  // The rule set lives as long as the state that owns the handlers referring to it.
  auto rules = std::make_shared<AddressRules>(state);
  rules->install();
  state.keepAlive(rules);
}

}  // namespace capcode
