#pragma once
// A production batch of `capcode write`: the configuration opened, the steps and recovery set,
// the batch checked before the first pager, then each pager recorded in the ledger before its
// transfer and completed after it, the capcodes advancing after every verified pager.

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "cli/commands.hpp"
#include "cli/pager_session.hpp"

namespace capcode {

struct WriteOptions {
  std::string file;
  int count = 1;
  std::vector<std::string> autoinc;
  bool sameCapcodes = false;
  std::string recover;
  std::string ledgerPath;
  bool noLedger = false;
  std::string station;
  bool allowReuse = false;
  bool resume = false;
  std::string batch;
  // "A2", "A3" or "B" (the default): the hardware revision whose layout the file is read with.
  std::optional<std::string> revision;
  SessionOptions session;
};

// The menu items of Help > Recover by the synthesizer they name.
const std::map<std::string, std::string>& recoveryItems();

// Runs the batch; the exit status of capcode write.
int runProductionBatch(WriteOptions& options, CommandIo& io);

}  // namespace capcode
