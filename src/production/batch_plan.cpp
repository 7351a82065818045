#include "production/batch_plan.hpp"

#include "app/window_program.hpp"
#include "core/conversions.hpp"

namespace capcode {

namespace {

constexpr int kAdvancingRows = 4;  // advanceAddresses moves rows 1-4 by their steps

// Keeps the error notices of the scratch program (the rules' refusals are kept as values on
// the program itself), for the plan's refusal.
class CollectingFeedback final : public Feedback {
 public:
  void log(std::string_view) override {}
  void beep() override {}
  void focus(std::string_view) override {}
  void message(std::string_view text) override { notices.emplace_back(text); }
  void errorNotice(std::string_view text) override { notices.emplace_back(text); }
  std::vector<std::string> notices;
};

const Control& rowControl(const FormModel& form, const char* prefix, int row,
                          const char* suffix = "") {
  return form.at(rowControlName(prefix, row, suffix));
}

bool changesFromPagerToPager(const ProgramState& state, int row) {
  if (row <= kAdvancingRows && addressStep(state.form, row) > 0) return true;
  // A step of 1-7 on the leader moves a led row to another capcode on every pager, whatever
  // its own step.
  const int leader = frameLeader(state.HardwareRevision, row);
  return leader > 0 && addressStep(state.form, leader) % 8 != 0;
}

void copyRows(const ProgramState& from, ProgramState& to) {
  for (int row = 1; row <= kAddressRows; ++row) {
    for (const char* prefix : {"address", "frame", "autoinc"}) {
      const Control& source = rowControl(from.form, prefix, row);
      Control& target = to.form.row(prefix, row);
      target.text = source.text;
      target.index = source.index;
      target.items = source.items;
      target.enabled = source.enabled;
    }
    to.form.row("addr", row, "en").checked = rowControl(from.form, "addr", row, "en").checked;
  }
  to.HardwareRevision = from.HardwareRevision;
}

}  // namespace

int frameLeader(std::uint8_t revision, int row) {
  if (revision == kHwB) return 0;
  if (row == 2) return 1;
  if (row >= 4 && row <= 6) return 3;
  return 0;
}

int addressStep(const FormModel& form, int row) {
  const Control& step = rowControl(form, "autoinc", row);
  const std::string item = step.selectedItem();
  return item.empty() ? 0 : static_cast<int>(textToInt(item));
}

std::vector<RecordedAddress> currentAddresses(const ProgramState& state) {
  std::vector<RecordedAddress> rows;
  for (int row = 1; row <= kAddressRows; ++row) {
    RecordedAddress a;
    a.row = row;
    const std::string& text = rowControl(state.form, "address", row).text;
    a.capcode = text.empty() ? 0 : textToInt(text);
    // A row the pager of this revision does not have reaches no pager, whatever its box says.
    a.enabled = rowControl(state.form, "addr", row, "en").checked &&
                row <= pagerAddressRows(state.HardwareRevision);
    a.role = changesFromPagerToPager(state, row) ? AddressRole::Individual : AddressRole::Shared;
    rows.push_back(a);
  }
  return rows;
}

bool anyRowAdvances(const FormModel& form) {
  for (int row = 1; row <= kAdvancingRows; ++row) {
    if (rowControl(form, "addr", row, "en").checked && addressStep(form, row) > 0) return true;
  }
  return false;
}

std::string describeCapcodes(const std::vector<RecordedAddress>& addresses) {
  std::string text;
  for (const RecordedAddress& a : addresses) {
    if (!a.enabled) continue;
    if (!text.empty()) text += ' ';
    text += std::to_string(a.row) + "=" + std::to_string(a.capcode);
  }
  return text.empty() ? "(no enabled row)" : text;
}

std::optional<BatchRefusal> ruleRefusal(const ProgramState& state,
                                        const std::vector<std::string>& notices, int pager) {
  if (const auto& first = state.ruleRefusals().first) {
    return BatchRefusal{pager, first->row,
                        first->message.empty() ? "a rule refused the capcodes" : first->message};
  }
  if (!notices.empty()) return BatchRefusal{pager, 0, notices.front()};
  return std::nullopt;
}

struct CapcodeSets::Scratch {
  CollectingFeedback feedback;
  WindowProgram program;
  Scratch(const ProgramState& rows, const StartupOptions& startup) : program(feedback, rows.build) {
    if (!program.event([&] { startProgram(program, startup); })) {
      const std::string why = feedback.notices.empty() ? "" : ": " + feedback.notices.back();
      throw BatchSetRefused("the program could not start" + why,
                            {1, 0, "the program could not start" + why});
    }
    copyRows(rows, program);
  }
};

CapcodeSets::CapcodeSets(const ProgramState& state, const StartupOptions& startup)
    : startup_(startup), base_(std::make_unique<Scratch>(state, startup)) {
  restart();
}

CapcodeSets::~CapcodeSets() = default;

void CapcodeSets::restart() {
  scratch_ = std::make_unique<Scratch>(base_->program, startup_);
  at_ = 0;
}

void CapcodeSets::useSteps(const std::array<int, kAddressRows + 1>& steps) {
  FormModel& form = base_->program.form;
  bool changed = false;
  for (int row = 1; row <= kAddressRows; ++row) {
    const int wanted = steps[static_cast<std::size_t>(row)];
    if (addressStep(form, row) == wanted) continue;
    form.setIndex(rowControlName("autoinc", row), wanted);
    changed = true;
  }
  if (changed) restart();
}

int CapcodeSets::step(int row) const {
  return addressStep(base_->program.form, row);
}

std::vector<RecordedAddress> CapcodeSets::set(int k) {
  if (k < at_) restart();
  WindowProgram& p = scratch_->program;
  while (at_ < k) {
    scratch_->feedback.notices.clear();
    p.clearRuleRefusals();
    p.event([&] { p.form.runHandler("advanceAddresses"); });
    ++at_;
    if (auto refusal = ruleRefusal(p, scratch_->feedback.notices, at_ + 1)) {
      at_ = k + 1;  // the scratch rows are spoilt: start again on the next request
      throw BatchSetRefused(
          "set " + std::to_string(k) + " of the batch is refused" +
              (refusal->row > 0 ? " (row " + std::to_string(refusal->row) + ")" : std::string()) +
              ": " + refusal->reason,
          *refusal);
    }
  }
  return currentAddresses(p);
}

}  // namespace capcode
