#pragma once
// The record of a pager written at the bench: one individual capcode in row 1, from the
// configuration "cfg".

#include <cstdint>

#include "ledger/ledger.hpp"

namespace capcode::test {

inline PagerRecord benchPager(std::int32_t capcode) {
  PagerRecord record;
  record.host = record.station = "bench";
  record.configPath = "/tmp/cfg.eep";
  record.configSha256 = record.imageSha256 = "cfg";
  record.addresses = {{1, capcode, true, AddressRole::Individual}};
  return record;
}

}  // namespace capcode::test
