#include "cli/pager_changes.hpp"

#include <algorithm>
#include <array>
#include <sstream>

#include "configuration/configuration_input.hpp"
#include "configuration/configuration_text.hpp"
#include "configuration/latin1_text.hpp"
#include "configuration/opened_configuration.hpp"
#include "cli/console_feedback.hpp"
#include "core/json.hpp"
#include "ledger/sha256.hpp"

namespace capcode {

namespace {

// What a write takes from the pager it writes, not from the file (the read-back of the
// pager's own hardware settings before each write).
constexpr std::array<std::string_view, 16> kTakenFromThePager = {
    "BS2",      "BS3",       "errcorrect", "data_format", "pll_enable", "pager_model",
    "pll",      "backlight", "fullbat",    "halfbat",     "lowbat",     "gonebat",
    "bs3_8212", "bs1_8212",  "contrast",   "lcddrv_opa"};

bool isRowControl(const std::string& name) {
  const auto numbered = [&](std::string_view prefix, std::string_view suffix) {
    return name.size() == prefix.size() + 1 + suffix.size() && name.rfind(prefix, 0) == 0 &&
           name[prefix.size()] >= '1' && name[prefix.size()] <= '8' &&
           name.compare(prefix.size() + 1, suffix.size(), suffix) == 0;
  };
  return numbered("address", "") || numbered("addr", "en") || numbered("frame", "");
}

std::string rowValue(const RecordedAddress* a) {
  return a == nullptr || !a->enabled ? std::string("(not enabled)") : std::to_string(a->capcode);
}

const RecordedAddress* rowOf(const std::vector<RecordedAddress>& rows, int row) {
  const auto found = std::find_if(rows.begin(), rows.end(),
                                  [&](const RecordedAddress& a) { return a.row == row; });
  return found == rows.end() ? nullptr : &*found;
}

// As capcode diff shows a value: quoted texts show their blanks.
std::string shown(const ShownControl& c) {
  if (c.kind == "text") return jsonString(c.value);
  if (c.kind == "list" && c.index < 0) return "(none)";
  return latin1ToUtf8(c.value);
}

}  // namespace

PagerChanges changesSinceWritten(const PagerRecord& record, const ProgramState& pager,
                                 const std::vector<RecordedAddress>& rows,
                                 const std::optional<std::string>& revision,
                                 const std::optional<std::string>& dataDirectory,
                                 std::ostream& log) {
  PagerChanges changes;
  // The capcodes first: the record says what each row got.
  for (int row = 1; row <= 8; ++row) {
    const RecordedAddress* written = rowOf(record.addresses, row);
    const RecordedAddress* now = rowOf(rows, row);
    if (rowValue(written) != rowValue(now)) {
      changes.controls.push_back({"address" + std::to_string(row), "row " + std::to_string(row),
                                  rowValue(written), rowValue(now)});
    }
  }
  const std::string& path = record.configPath;
  const std::optional<std::string> digest = sha256OfFile(path);
  if (!digest) {
    changes.why = "its configuration file " + path + " cannot be read";
    return changes;
  }
  if (*digest != record.configSha256) {
    changes.why = "its configuration file " + path + " has changed since";
    return changes;
  }
  std::istringstream none;
  std::string error;
  const auto input = readConfigurationInput(path, none, -1, InputLimits{}, error);
  if (!input) {
    changes.why = "its configuration file " + path + " cannot be read: " + error;
    return changes;
  }
  OpenOptions open;
  open.revision = revision;
  open.dataDirectory = dataDirectory;
  try {
    ConsoleFeedback person(log, log, false);
    OpenedConfiguration file(*input, open, person);
    if (!file.loaded()) {
      changes.why = "its configuration file " + path + " no longer opens: " + file.failure();
      return changes;
    }
    const std::vector<ShownControl> written = shownControls(file.state());
    const std::vector<ShownControl> now = shownControls(pager);
    for (std::size_t i = 0; i < written.size() && i < now.size(); ++i) {
      const ShownControl& w = written[i];
      if (isRowControl(w.name) || std::find(kTakenFromThePager.begin(), kTakenFromThePager.end(),
                                            w.name) != kTakenFromThePager.end())
        continue;
      if (w.value != now[i].value || w.index != now[i].index)
        changes.controls.push_back({w.name, w.label, shown(w), shown(now[i])});
    }
  } catch (const std::runtime_error& e) {
    changes.why = "its configuration file " + path + " cannot be opened: " + e.what();
    return changes;
  }
  changes.named = true;
  return changes;
}

}  // namespace capcode
