#pragma once
// A configuration saved from the default image, a simulated pager holding it and a ledger file
// of its own, for tests that run `capcode write` in-process.

#include <gtest/gtest.h>

#include <filesystem>

#include "ledger/sqlite_ledger.hpp"
#include "support/run_capcode.hpp"
#include "support/temp_folder.hpp"

namespace capcode::test {

class Production : public ::testing::Test {
 protected:
  void SetUp() override {
    const Outcome saved = capcode({"script", "--data-dir", kData}, "save " + config + "\n");
    ASSERT_EQ(saved.status, 0) << saved.err;
    std::filesystem::copy_file(config, pager);
  }

  Outcome write(std::vector<std::string> extra, const std::string& input = "") {
    std::vector<std::string> args{"write",      config, "--sim-usb", pager,
                                  "--data-dir", kData,  "--ledger",  ledger};
    args.insert(args.end(), extra.begin(), extra.end());
    return capcode(args, input);
  }
  std::vector<PagerRecord> records() {
    return openSqliteLedger(ledger, LedgerOpen::ExistingOnly)->list("");
  }

  const std::string kData = CAPCODE_SOURCE_DATA_DIR;
  TempFolder folder;
  const std::string config = folder / "config.eep";
  const std::string pager = folder / "pager.eep";
  const std::string ledger = folder / "ledger.sqlite3";
};

}  // namespace capcode::test
