#pragma once
// Where the pagers of a batch take their capcodes from, set by set: set k is pager k's when
// one station programs the batch alone, or the set a shared batch hands out as its k-th. The
// sets come from the configuration's rows advanced by their steps (CapcodeSets) or from the
// lines of a capcode list (ListSets); a batch, a shared batch or several boxes take them the
// same way.

#include <string>
#include <vector>

#include "ledger/ledger.hpp"

namespace capcode {

// What the ledger keeps with a pager about where its set came from: for a list, its digest,
// the line (the header is line 1) and the line's reference columns; empty for stepped sets.
struct SetOrigin {
  std::string listSha256;
  int listLine = 0;
  std::string reference;
};

class CapcodeSource {
 public:
  virtual ~CapcodeSource() = default;
  // Set k (0-based): rows 1-8 with their capcodes, enable boxes and roles. Throws
  // BatchSetRefused (batch_plan.hpp) when there is no set k or the address rules refuse it.
  virtual std::vector<RecordedAddress> set(int k) = 0;
  // Where set k came from; empty when it has none to record.
  virtual SetOrigin origin(int k) const {
    (void)k;
    return {};
  }
};

}  // namespace capcode
