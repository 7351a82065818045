#pragma once
// What a production batch is asked to do: the configuration, how many pagers, the rows'
// steps, recovery, the ledger and the shared batch.

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/program.hpp"
#include "production/production_options.hpp"
#include "core/form_model.hpp"

namespace capcode {

struct CapcodeList;

// The auto-increment step given for row N (index N, 1-8), 0-8; unset rows keep the file's.
using RowSteps = std::array<std::optional<int>, kAddressRows + 1>;

// One box's share of a batch programmed on several boxes at once, a round at a time: in round
// r (from 1) box b (index from 0) programs the batch's pager (r-1)*boxes + b + 1, which takes
// capcode set (r-1)*boxes + b. A batch on one box is box 0 of 1.
struct BatchShare {
  int box = 0;
  int boxes = 1;
  int total = 0;  // pagers in the whole batch, with several boxes
  // The set index of this box's pager `pager` (1-based), and that pager's number in the batch.
  int setIndex(int pager) const { return (pager - 1) * boxes + box; }
  int batchPager(int pager) const { return setIndex(pager) + 1; }
  // Pagers in the whole batch, given this box's own `count` (a lone box has them all).
  int batchSize(int count) const { return boxes == 1 ? count : total; }
  // How many of the batch's pagers fall to this box.
  int pagers() const { return total > box ? (total - box + boxes - 1) / boxes : 0; }
};

struct BatchOptions {
  std::string file;         // the configuration file
  int count = 1;            // pagers in a row
  bool countGiven = false;  // with a capcode list, count is otherwise the list's pagers
  std::string capcodeList;  // a capcode list file: one pager's capcodes a line; none when empty
  // That list as read once for all the boxes of a round, so every box takes its lines from the
  // same bytes; read by the batch itself when empty.
  std::shared_ptr<const CapcodeList> readList;
  RowSteps steps;
  bool sameCapcodes = false;             // every pager may get the same capcodes
  std::string recoverChip;               // "FS8108": Help > Recover with that chip; empty for none
  std::string recoverItem;               // the menu item of that chip ("FS81081")
  std::optional<std::uint8_t> revision;  // open the file at this hardware revision
  // The ledger, the station and a shared batch; with noLedger the batch keeps no record (it
  // still refuses its own repeats).
  ProductionOptions production;
  bool allowReuse = false;  // program capcodes a verified pager holds (a returned pager)
  bool resume = false;      // continue after the last verified pager of this file
  ProgramOptions program;   // start-up and hardware
  // With several boxes: this box's share; `count` is then its own pagers (share.pagers()).
  BatchShare share;
  // Check the whole order (rules, the sets against each other, the ledger, --resume) and stop
  // before the first pager; the sets found are the plan.
  bool planOnly = false;
  // The whole batch's plan as a plan-only run found it: the set each batch pager takes, in
  // order. A box of several takes its share of it and leaves the ledger check of the whole to
  // that run (the other boxes record their pagers meanwhile). Empty: the run plans itself.
  std::shared_ptr<const std::vector<int>> plannedSets;
};

// How a batch ended.
enum class BatchEnd {
  Done,    // every pager verified
  Failed,  // a pager or the configuration failed; the batch stopped there
  Usage,   // the options cannot be used with this configuration
  Ledger,  // the ledger refused a pager or cannot record
  // A shared batch had no set left for the next pager (every line of its list taken): nothing
  // failed, the order is done as far as this station goes.
  NoSetLeft,
};

}  // namespace capcode
