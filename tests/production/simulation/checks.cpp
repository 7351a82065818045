#include "production/simulation/checks.hpp"

#include <algorithm>
#include <array>
#include <filesystem>
#include <functional>
#include <fstream>
#include <map>
#include <set>
#include <sstream>

#include "ledger/sqlite_ledger.hpp"
#include "production/batch_plan.hpp"

namespace capcode::sim {

const std::vector<std::string>& checkNames() {
  static const std::vector<std::string> names{
      "process",       "unique-pagers", "unique-ledger", "recorded",
      "truthful",      "truthful-rows", "unfinished",    "resume-order",  "resume-advice"};
  return names;
}

namespace {

// One pager as the person left it.
struct Pager {
  std::string file;
  int run = 0;
  Image bytes{};
  bool changed = false;
  std::vector<RecordedAddress> rows;     // decoded, rows the revision's image holds
  std::vector<RecordedAddress> given;    // those rows less what the factory left in them
  std::vector<std::int64_t> records;     // made while it sat in its box, oldest first
  bool complete() const { return changed && checksumValid(bytes); }
};

struct Truth {
  std::vector<Pager> pagers;
  std::map<std::int64_t, std::string> pagerOf;  // record -> pager file
  std::set<std::int64_t> deliberate;
};

// HW-A images hold rows 1-6; HW-B rows 1-8.
int rowsOn(std::uint8_t revision) { return revision == 2 ? 8 : 6; }

int runOfStation(const std::string& station) {
  const std::size_t at = station.find("-run");
  return at == std::string::npos ? 0 : std::atoi(station.c_str() + at + 4);
}

Truth readTruth(const Scenario& scenario, const ScenarioFiles& files, Workshop& workshop) {
  Truth truth;
  std::ifstream side(files.sidecar);
  std::string line;
  std::map<std::string, std::size_t> index;
  const auto fresh = workshop.capcodesOf(workshop.freshPager(), scenario.revision);
  while (std::getline(side, line)) {
    std::istringstream words(line);
    std::string kind;
    words >> kind;
    if (kind == "pager") {
      Pager p;
      words >> p.file >> p.run;
      std::ifstream in(p.file, std::ios::binary);
      in.read(reinterpret_cast<char*>(p.bytes.data()), static_cast<std::streamsize>(p.bytes.size()));
      p.changed = p.bytes != workshop.freshPager();
      if (p.changed) {
        for (const RecordedAddress& a : workshop.capcodesOf(p.bytes, scenario.revision)) {
          if (a.row <= rowsOn(scenario.revision)) p.rows.push_back(a);
        }
      }
      index[p.file] = truth.pagers.size();
      truth.pagers.push_back(std::move(p));
    } else if (kind == "record") {
      std::int64_t id = 0;
      std::string file;
      words >> id >> file;
      truth.pagerOf[id] = file;
      if (auto it = index.find(file); it != index.end())
        truth.pagers[it->second].records.push_back(id);
    } else if (kind == "deliberate") {
      std::int64_t id = 0;
      words >> id;
      truth.deliberate.insert(id);
    }
  }
  // A capcode a partly written pager still holds from the factory is not one the line gave it.
  for (Pager& p : truth.pagers) {
    p.given = p.rows;
    std::erase_if(p.given, [&](const RecordedAddress& a) {
      return std::any_of(fresh.begin(), fresh.end(), [&](const RecordedAddress& f) {
        return f.row == a.row && f.capcode == a.capcode;
      });
    });
  }
  return truth;
}

std::vector<PagerRecord> ledgerRecords(const ScenarioFiles& files) {
  if (!std::filesystem::exists(files.ledger)) return {};
  try {
    return openSqliteLedger(files.ledger, LedgerOpen::ReadOnly)->list("");
  } catch (const LedgerError&) {
    return {};
  }
}

bool individual(const RecordedAddress& a) {
  return a.enabled && a.role == AddressRole::Individual;
}

// Individual capcodes of `a` that `b` carries on any enabled row; `shared` says which of a's
// rows are not individual.
std::vector<std::int32_t> clashes(const std::vector<RecordedAddress>& a,
                                  const std::vector<RecordedAddress>& b,
                                  const std::function<bool(const RecordedAddress&)>& isIndividual) {
  std::vector<std::int32_t> found;
  for (const RecordedAddress& x : a) {
    if (!isIndividual(x)) continue;
    for (const RecordedAddress& y : b) {
      if (y.enabled && y.capcode == x.capcode) found.push_back(x.capcode);
    }
  }
  return found;
}

std::string joined(const std::vector<std::int32_t>& capcodes) {
  std::string text;
  for (const std::int32_t c : capcodes)
    text += (text.empty() ? "" : ", ") + std::to_string(c);
  return text;
}

std::string recordText(const PagerRecord& r) {
  return "record " + std::to_string(r.id) + " (" + r.station + ", " +
         std::string(resultName(r.result)) + ", " + describeCapcodes(r.addresses) +
         (r.listLine > 0 ? ", line " + std::to_string(r.listLine) : "") +
         (r.setIndex >= 0 && !r.batch.empty() ? ", set " + std::to_string(r.setIndex) : "") + ")";
}

std::string pagerName(const Pager& p) {
  return std::filesystem::path(p.file).filename().string();
}

class Checker {
 public:
  Checker(const Scenario& scenario, const ScenarioFiles& files, const Played& played,
          Workshop& workshop)
      : scenario_(scenario), files_(files), played_(played),
        truth_(readTruth(scenario, files, workshop)), records_(ledgerRecords(files)) {
    for (const PagerRecord& r : records_)
      byId_[r.id] = &r;
  }

  std::vector<Violation> run() {
    processes();
    uniquePagers();
    uniqueLedger();
    recorded();
    truthful();
    unfinished();
    resumes();
    return std::move(found_);
  }

 private:
  const PagerRecord* record(std::int64_t id) const {
    const auto it = byId_.find(id);
    return it == byId_.end() ? nullptr : it->second;
  }

  void add(const std::string& check, const std::string& text) { found_.push_back({check, text}); }

  bool deliberate(const Pager& p) const {
    return std::any_of(p.records.begin(), p.records.end(),
                       [&](std::int64_t id) { return truth_.deliberate.count(id) != 0; });
  }

  void processes() {
    for (std::size_t r = 0; r < played_.ends.size(); ++r) {
      const RunEnd& end = played_.ends[r];
      if (end.crashed || end.hung)
        add("process", "run " + std::to_string(r + 1) + " " + end.how());
      std::ifstream log(files_.runLog(static_cast<int>(r + 1)));
      std::string line;
      while (std::getline(log, line)) {
        if (line.rfind("escaped: ", 0) == 0)
          add("process", "run " + std::to_string(r + 1) + ": an exception " + line);
      }
    }
  }

  // A capcode in a pager's bytes is individual unless the order shares it.
  void uniquePagers() {
    const auto& pagers = truth_.pagers;
    // A shared row keeps one capcode on every pager (the configuration's, as the rules put it
    // in its frame).
    std::array<bool, 9> sharedRows{};
    for (int row = 1; row <= 8; ++row) {
      const bool recordedShared =
          !records_.empty() && std::all_of(records_.begin(), records_.end(), [&](const auto& r) {
            return std::any_of(r.addresses.begin(), r.addresses.end(), [&](const auto& a) {
              return a.row == row && a.role == AddressRole::Shared;
            });
          });
      sharedRows[static_cast<std::size_t>(row)] = scenario_.sharedRow(row, recordedShared);
    }
    const auto onPagerIndividual = [&](const RecordedAddress& a) {
      return a.enabled && !sharedRows[static_cast<std::size_t>(a.row)];
    };
    for (std::size_t i = 0; i < pagers.size(); ++i) {
      for (std::size_t j = 0; j < pagers.size(); ++j) {
        // A half-written pager fails its own checksum: it reads as garbage, answers to nothing
        // reliably and is not handed out (its record keeps its capcodes).
        if (i == j || !pagers[i].complete() || !pagers[j].complete()) continue;
        if (deliberate(pagers[i]) || deliberate(pagers[j])) continue;
        const auto both = clashes(pagers[i].given, pagers[j].given, onPagerIndividual);
        if (!both.empty() &&
            (i < j || clashes(pagers[j].given, pagers[i].given, onPagerIndividual).empty())) {
          add("unique-pagers", "the individual capcode(s) " + joined(both) + " of pager " +
                                   pagerName(pagers[i]) + " are also on pager " +
                                   pagerName(pagers[j]));
        }
      }
    }
  }

  void uniqueLedger() {
    for (std::size_t i = 0; i < records_.size(); ++i) {
      for (std::size_t j = i + 1; j < records_.size(); ++j) {
        const PagerRecord& a = records_[i];
        const PagerRecord& b = records_[j];
        if (!holdsCapcodes(a.result) || !holdsCapcodes(b.result)) continue;
        if (truth_.deliberate.count(b.id) != 0) continue;
        auto both = clashes(a.addresses, b.addresses, individual);
        const auto other = clashes(b.addresses, a.addresses, individual);
        both.insert(both.end(), other.begin(), other.end());
        if (both.empty()) continue;
        add("unique-ledger", recordText(b) + " holds " + joined(both) + ", which " +
                                 recordText(a) + " holds already");
      }
    }
  }

  void recorded() {
    for (const Pager& p : truth_.pagers) {
      if (!p.changed) continue;
      const bool kept = std::any_of(p.records.begin(), p.records.end(), [&](std::int64_t id) {
        const PagerRecord* r = record(id);
        return r != nullptr && holdsCapcodes(r->result);
      });
      if (!kept) {
        std::string held;
        for (const std::int64_t id : p.records) {
          if (const PagerRecord* r = record(id)) held += " " + recordText(*r);
        }
        add("recorded", "pager " + pagerName(p) + " was written (" + describeCapcodes(p.rows) +
                            ") and no record keeps its capcodes" +
                            (held.empty() ? std::string(": it has no record") : ":" + held));
      }
    }
  }

  void truthful() {
    for (const Pager& p : truth_.pagers) {
      if (p.records.empty() || record(p.records.back()) == nullptr) continue;
      const PagerRecord& last = *record(p.records.back());
      if (last.result != PagerResult::Verified) continue;
      // The rows the revision's image holds, and those it has no room for.
      std::vector<RecordedAddress> said;
      std::vector<RecordedAddress> beyond;
      for (const RecordedAddress& a : last.addresses) {
        if (!a.enabled) continue;
        (a.row <= rowsOn(scenario_.revision) ? said : beyond)
            .push_back({a.row, a.capcode, true, AddressRole::Shared});
      }
      std::vector<RecordedAddress> held;
      for (const RecordedAddress& a : p.rows) {
        if (a.enabled) held.push_back({a.row, a.capcode, true, AddressRole::Shared});
      }
      if (said != held || !p.changed) {
        add("truthful", recordText(last) + " says verified, but pager " + pagerName(p) +
                            (p.changed ? " holds " + describeCapcodes(p.rows)
                                       : " was never written"));
      } else if (!beyond.empty()) {
        add("truthful-rows", recordText(last) + " says verified with " +
                                 describeCapcodes(beyond) + ", rows an " +
                                 revisionName(scenario_.revision) + " pager's image has no room for");
      }
    }
  }

  void unfinished() {
    for (const PagerRecord& r : records_) {
      if (r.result != PagerResult::Started) continue;
      const int run = runOfStation(r.station);
      const bool killed = run > 0 && static_cast<std::size_t>(run) <= played_.ends.size() &&
                          played_.ends[static_cast<std::size_t>(run - 1)].killed;
      if (!killed)
        add("unfinished", recordText(r) + " is left started by a run that was not killed");
    }
  }

  // The position of a record in its order: its shared set, its list line, or for steps the
  // number of steps row 1 moved from the configuration's capcode. None when it has none.
  std::optional<int> positionOf(const PagerRecord& r) const {
    if (scenario_.shared()) return r.setIndex >= 0 ? std::optional<int>(r.setIndex) : std::nullopt;
    if (scenario_.listed()) return r.listLine > 0 ? std::optional<int>(r.listLine) : std::nullopt;
    const RowSetting& first = scenario_.rows[1];
    if (!first.enabled || first.step <= 0 || r.addresses.empty()) return std::nullopt;
    const std::int32_t moved = r.addresses[0].capcode - first.capcode;
    if (moved < 0 || moved % first.step != 0) return std::nullopt;
    return moved / first.step;
  }

  void resumes() {
    for (std::size_t k = 0; k < scenario_.runs.size() && k < played_.before.size(); ++k) {
      const RunPlan& plan = scenario_.runs[k];
      if (!plan.resume) continue;
      const std::string run = "run " + std::to_string(k + 1) + " (--resume)";
      std::ifstream log(files_.runLog(static_cast<int>(k + 1)));
      std::string line;
      std::string advice;
      bool saidSkip = false;
      while (std::getline(log, line)) {
        if (line.rfind("tell", 0) != 0) continue;
        if (line.find("--allow-reuse") != std::string::npos && advice.empty()) advice = line;
        if (line.find("skip") != std::string::npos) saidSkip = true;
      }
      if (!advice.empty()) add("resume-advice", run + " advised reuse: " + advice);

      std::set<int> held;
      for (const PagerRecord& r : played_.before[k]) {
        if (!holdsCapcodes(r.result)) continue;
        if (const auto at = positionOf(r)) held.insert(*at);
      }
      std::optional<int> first;
      const PagerRecord* firstRecord = nullptr;
      for (const PagerRecord& r : records_) {
        if (runOfStation(r.station) != static_cast<int>(k + 1)) continue;
        const auto at = positionOf(r);
        if (at && (!first || *at < *first)) {
          first = at;
          firstRecord = &r;
        }
      }
      // A killed run, or one whose boxes meet faults, may leave a set untaken on its own.
      const bool undisturbed = !played_.ends[k].killed && plan.faults.empty();
      if (!first || held.empty()) continue;
      const int next = *held.rbegin() + 1;
      if (held.count(*first) != 0) {
        add("resume-order", run + " took " + std::to_string(*first) +
                                ", which a pager holds already: " + recordText(*firstRecord));
      } else if (*first > next && !saidSkip && undisturbed) {
        add("resume-order", run + " went on at " + std::to_string(*first) + ", skipping " +
                                std::to_string(next) + ".." + std::to_string(*first - 1) +
                                " without a word");
      }
    }
  }

  const Scenario& scenario_;
  const ScenarioFiles& files_;
  const Played& played_;
  Truth truth_;
  std::vector<PagerRecord> records_;
  std::map<std::int64_t, const PagerRecord*> byId_;
  std::vector<Violation> found_;
};

}  // namespace

std::vector<Violation> checkScenario(const Scenario& scenario, const ScenarioFiles& files,
                                     const Played& played, Workshop& workshop) {
  return Checker(scenario, files, played, workshop).run();
}

}  // namespace capcode::sim
