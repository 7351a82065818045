#include "production/gang_batch.hpp"

#include <algorithm>
#include <thread>

#include "production/capcode_list.hpp"
#include "production/pager_recorder.hpp"
#include "production/production_batch.hpp"
#include "production/round_gate.hpp"

namespace capcode {

namespace {

// One box's person: its lines go to the box's own console, its next pager waits at the gate.
class BoxPerson final : public ProductionOperator {
 public:
  BoxPerson(std::unique_ptr<ProductionOperator> shown, RoundGate& gate, int box)
      : shown_(std::move(shown)), gate_(gate), box_(box) {}
  Feedback& feedback() override { return shown_->feedback(); }
  bool nextPager(int pager, int) override {
    // The box's pager p is in round p.
    stoppedAtGate = !gate_.await(box_, pager);
    return !stoppedAtGate;
  }
  void pagerDone(const PagerReport& report) override { shown_->pagerDone(report); }
  void tell(std::string_view line) override { shown_->tell(line); }

  bool stoppedAtGate = false;  // the batch stopped while this box waited: not its failure

 private:
  std::unique_ptr<ProductionOperator> shown_;
  RoundGate& gate_;
  int box_;
};

// "box 2 (sim:usb:2, SIM-2)", "boxes 2 (...) and 3 (...)", "boxes 1 (...), 2 (...) and 4 (...)".
std::string namedBoxes(const std::vector<int>& numbers, const std::vector<GangBox>& boxes) {
  std::string text = numbers.size() == 1 ? "box " : "boxes ";
  for (std::size_t k = 0; k < numbers.size(); ++k) {
    if (k > 0) text += k + 1 == numbers.size() ? " and " : ", ";
    text += std::to_string(numbers[k]) + " (" +
            boxes[static_cast<std::size_t>(numbers[k] - 1)].name + ")";
  }
  return text;
}

BatchEnd worstOf(const std::vector<BatchEnd>& ends) {
  for (const BatchEnd worst : {BatchEnd::Usage, BatchEnd::Ledger, BatchEnd::Failed}) {
    if (std::find(ends.begin(), ends.end(), worst) != ends.end()) return worst;
  }
  return BatchEnd::Done;
}

// A capcode list is read once, here, and every box takes its lines from that reading. A list
// that cannot be read is left to the plan, which says why.
BatchOptions withList(BatchOptions options) {
  if (options.capcodeList.empty()) return options;
  ListRead read = readCapcodeList(options.capcodeList);
  if (read.list) options.readList = std::make_shared<const CapcodeList>(std::move(*read.list));
  return options;
}

// The person as the whole batch's plan sees them: its lines are the batch's own, said once;
// the program's notices (a configuration that will not open) go with them, its log does not.
class PlanPerson final : public ProductionOperator, private Feedback {
 public:
  explicit PlanPerson(GangOperator& gang) : gang_(gang) {}
  Feedback& feedback() override { return *this; }
  bool nextPager(int, int) override { return false; }
  void pagerDone(const PagerReport&) override {}
  void tell(std::string_view line) override { gang_.tell(line); }

 private:
  void log(std::string_view) override {}
  void beep() override {}
  void focus(std::string_view) override {}
  void message(std::string_view text) override { gang_.tell(text); }
  void errorNotice(std::string_view text) override { gang_.tell(text); }
  GangOperator& gang_;
};

}  // namespace

BatchEnd runGangBatch(const BatchOptions& given, const std::vector<GangBox>& boxes,
                      GangOperator& person) {
  BatchOptions options = withList(given);
  // The whole batch planned and checked once, before any box starts: the rules, the sets
  // against each other and against the ledger, --resume. A fault is said once; no box runs.
  BatchOptions whole = options;
  whole.share = {};
  whole.program.hardware = {};
  whole.program.hardware.offline = true;
  PlanPerson planPerson(person);
  const BatchOrder order = planProductionBatch(whole, planPerson);
  if (order.end != BatchEnd::Done) return order.end;
  options.count = options.production.batch.empty() ? static_cast<int>(order.sets.size()) : order.count;
  if (options.count < 1) return BatchEnd::Done;  // resumed with nothing left: said so
  options.countGiven = true;
  options.resume = false;  // the plan already holds the resumed sets
  options.plannedSets = std::make_shared<const std::vector<int>>(order.sets);

  const int used = std::min(static_cast<int>(boxes.size()), options.count);
  const int rounds = (options.count + used - 1) / used;
  const std::string station =
      options.production.station.empty() ? hostName() : options.production.station;
  RoundGate gate(used);
  std::vector<BatchOptions> shares(static_cast<std::size_t>(used), options);
  std::vector<std::unique_ptr<BoxPerson>> people;
  for (int box = 0; box < used; ++box) {
    BatchOptions& share = shares[static_cast<std::size_t>(box)];
    share.share = {box, used, options.count};
    share.count = share.share.pagers();
    share.program.hardware = boxes[static_cast<std::size_t>(box)].hardware;
    share.production.station = station + "/box" + std::to_string(box + 1);
    people.push_back(std::make_unique<BoxPerson>(person.box(box + 1), gate, box));
  }
  std::vector<std::thread> threads;
  for (int box = 0; box < used; ++box) {
    threads.emplace_back([&, box] {
      const auto k = static_cast<std::size_t>(box);
      gate.ended(box, runProductionBatch(shares[k], *people[k]));
    });
  }
  int round = 1;  // the last round that ran
  bool stoppedByPerson = false;
  for (; round < rounds; ++round) {
    if (!gate.gather(round + 1).empty()) break;
    const int lastBox = std::min(used, options.count - round * used);
    if (!person.nextRound(round + 1, lastBox)) {
      stoppedByPerson = true;
      break;
    }
    gate.open(round + 1);
  }
  gate.stop();  // boxes still waiting go no further
  for (std::thread& thread : threads)
    thread.join();

  std::vector<int> failed;
  std::vector<BatchEnd> ends;
  bool noSetLeft = false;
  const auto ended = gate.ends();
  for (std::size_t k = 0; k < ended.size(); ++k) {
    if (people[k]->stoppedAtGate || ended[k] == BatchEnd::Done) continue;
    if (ended[k] == BatchEnd::NoSetLeft) {
      noSetLeft = true;
      continue;
    }
    failed.push_back(static_cast<int>(k) + 1);
    ends.push_back(ended[k].value_or(BatchEnd::Failed));
  }
  if (!failed.empty()) {
    person.tell(namedBoxes(failed, boxes) + " failed; the batch stopped after round " +
                std::to_string(round));
    return worstOf(ends);
  }
  if (noSetLeft) {
    person.tell("batch " + options.production.batch + " has no set left; the boxes stopped in round " +
                std::to_string(round));
    return BatchEnd::NoSetLeft;
  }
  return stoppedByPerson ? BatchEnd::Failed : BatchEnd::Done;
}

}  // namespace capcode
