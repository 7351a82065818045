#pragma once
// The ledger's three back ends for a test that must hold on each: the memory ledger, a SQLite
// file in the test's folder (made with its folders), and a fresh database on the tests'
// PostgreSQL server, skipped with the reason where there is none.

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "ledger/ledger.hpp"
#include "ledger/sql_ledger.hpp"
#include "ledger/sqlite_ledger.hpp"
#include "support/postgres.hpp"
#include "support/temp_folder.hpp"

namespace capcode::test {

// The two roles an address row is recorded with.
inline constexpr auto kIndividual = AddressRole::Individual;
inline constexpr auto kShared = AddressRole::Shared;

struct LedgerBackend {
  const char* name;
  // A fresh ledger; nothing, with `why` set, when the back end is not there.
  std::function<std::unique_ptr<Ledger>(const TempFolder&, std::string& why)> open;
};

inline std::vector<LedgerBackend> ledgerBackends() {
  return {
      {"memory", [](const TempFolder&, std::string&) { return std::make_unique<MemoryLedger>(); }},
      {"sqlite",
       [](const TempFolder& folder, std::string&) {
         return openSqliteLedger(folder / "sub/ledger.sqlite3", LedgerOpen::CreateWithFolders);
       }},
      {"postgresql",
       [](const TempFolder&, std::string& why) -> std::unique_ptr<Ledger> {
         const auto server = postgresServer(why);
         if (!server) return nullptr;
         return openPostgresLedger(freshDatabase(*server));
       }},
  };
}

inline std::string ledgerBackendName(const ::testing::TestParamInfo<LedgerBackend>& info) {
  return info.param.name;
}

// A test run once on each back end (instantiate it with ledgerBackends()): `ledger` is fresh.
class LedgerBackendTest : public ::testing::TestWithParam<LedgerBackend> {
 protected:
  void SetUp() override {
    std::string why;
    ledger = GetParam().open(folder, why);
    if (!ledger) GTEST_SKIP() << why;
  }
  TempFolder folder;
  std::unique_ptr<Ledger> ledger;
};

}  // namespace capcode::test
