#include "production/production_road.hpp"

#include "app/clean_decode.hpp"
#include "app/program.hpp"
#include "core/conversions.hpp"
#include "production/write_result.hpp"

namespace capcode {

namespace {

// Thrown from the write command's hook when the ledger stops the pager before its transfer:
// the command ends there and nothing reaches the pager.
struct RecordNotMade {};

std::int32_t rowCapcode(const FormModel& form, int row) {
  const std::string& text = form.text(rowControlName("address", row));
  return text.empty() ? 0 : textToInt(text);
}

// Why the rows do not hold `wanted` although no rule refused it.
std::optional<BatchRefusal> movedRow(const ProgramState& state,
                                     const std::vector<RecordedAddress>& set, int pager) {
  for (const RecordedAddress& wanted : set) {
    if (!wanted.enabled) continue;
    const std::int32_t held = rowCapcode(state.form, wanted.row);
    if (held == wanted.capcode) continue;
    const int leader = frameLeader(state.HardwareRevision, wanted.row);
    if (leader > 0) {
      for (const RecordedAddress& lead : set) {
        if (lead.row != leader || lead.capcode % 8 == wanted.capcode % 8) continue;
        return BatchRefusal{
            pager, wanted.row,
            "Address [" + std::to_string(wanted.row) + "] frame must same as Address [" +
                std::to_string(leader) + "] (" + std::to_string(wanted.capcode) + " is in frame " +
                std::to_string(wanted.capcode % 8) + ", " + std::to_string(lead.capcode) +
                " in frame " + std::to_string(lead.capcode % 8) + ")"};
      }
    }
    return BatchRefusal{pager, wanted.row,
                        "the address rules make capcode " + std::to_string(wanted.capcode) +
                            " of row " + std::to_string(wanted.row) + " into " +
                            std::to_string(held)};
  }
  return std::nullopt;
}

}  // namespace

std::string stepsText(const FormModel& form) {
  std::string steps;
  for (int row = 1; row <= kAddressRows; ++row)
    steps += (row > 1 ? "," : "") + std::to_string(addressStep(form, row));
  return steps;
}

std::optional<BatchRefusal> enterSet(ProgramState& state, const std::vector<RecordedAddress>& set,
                                     int pager) {
  FormModel& form = state.form;
  const int rows = pagerAddressRows(state.HardwareRevision);
  for (const RecordedAddress& a : set) {
    if (!a.enabled || a.row <= rows) continue;
    return BatchRefusal{pager, a.row,
                        "an " + revisionCaption(state.HardwareRevision) +
                            " pager has address rows 1-" + std::to_string(rows) + " only"};
  }
  state.clearRuleRefusals();
  state.event([&] {
    for (const RecordedAddress& a : set)
      form.setText(rowControlName("address", a.row), std::to_string(a.capcode));
    for (const RecordedAddress& a : set)
      form.runHandler(rowControlName("address", a.row, "Exit"));
  });
  if (auto refusal = ruleRefusal(state, {}, pager)) return refusal;
  return movedRow(state, set, pager);
}

RoadWrite writeOnRoad(Program& program, PagerRecorder& recorder, RecordMode mode,
                      const std::function<void()>& command,
                      const std::function<bool()>& cancelled) {
  RoadWrite done;
  ProgrammerLinks& links = program.links();
  links.beforePagerWrite = [&](const Image& image) {
    // What advanceAddresses refuses after the transfer is the write's own.
    program.state().clearRuleRefusals();
    LedgerStep step =
        mode == RecordMode::Reserved
            ? recorder.addImage(image)
            : recorder.begin(image, recorder.record().addresses, mode == RecordMode::BeginReused);
    if (step.done() && cancelled && cancelled()) {
      done.cancelled = true;
      step = LedgerStep::failed("cancelled while the ledger answered");
    }
    if (step.done()) return;
    done.stopped = std::move(step);
    throw RecordNotMade{};
  };
  try {
    command();
  } catch (const RecordNotMade&) {
  } catch (...) {
    done.error = std::current_exception();
  }
  links.beforePagerWrite = nullptr;
  if (done.stopped) {
    // Nothing reached the pager: a reserved set goes back to its batch, a record begun before
    // a cancel gives its capcodes back; a record never begun is left unmade.
    if (mode == RecordMode::Reserved || recorder.begun()) {
      done.result = PagerResult::NotWritten;
      done.completed = recorder.complete(done.result);
    }
    return done;
  }
  done.result = pagerResultOf(links.lastWrite);
  done.completed = recorder.complete(done.result);
  return done;
}

}  // namespace capcode
