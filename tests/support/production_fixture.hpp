#pragma once
// A configuration saved from the default image, a simulated pager holding it and a ledger file
// of its own, for tests that run `capcode write` in-process.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "ledger/sqlite_ledger.hpp"
#include "support/run_capcode.hpp"
#include "support/startup_configuration.hpp"
#include "support/temp_folder.hpp"

namespace capcode::test {

class Production : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(saveStartup(config));
    std::filesystem::copy_file(config, pager);
  }

  Outcome write(std::vector<std::string> extra, const std::string& input = "") {
    std::vector<std::string> args{"write",      config, "--sim-usb", pager,
                                  "--data-dir", kData,  "--ledger",  ledger};
    args.insert(args.end(), extra.begin(), extra.end());
    return capcode(args, input);
  }
  // `text` written as a capcode list in the test's folder; its path.
  std::string list(const std::string& text, const std::string& name = "list.csv") {
    const std::string path = folder / name;
    writeBytes(path, std::vector<std::uint8_t>(text.begin(), text.end()));
    return path;
  }
  // A list's text naming rows 1 and 2 and a subscriber, with `count` lines after the header:
  // row 1 2005000 + 16 k, row 2 eight above it; lines end with `eol`.
  static std::string lines(int count, const std::string& eol = "\n") {
    std::string text = "row1,row2,subscriber" + eol;
    for (int k = 0; k < count; ++k) {
      text += std::to_string(2005000 + 16 * k) + "," + std::to_string(2005008 + 16 * k) + ",S" +
              std::to_string(k + 2) + eol;
    }
    return text;
  }
  // A batch refused before its first pager: `status`, `reason` on stderr, no write begun and
  // the pager still holding `pagerBefore`.
  void expectRefusedBeforeAnyPager(const Outcome& run, int status, const std::string& reason,
                                   const std::vector<std::uint8_t>& pagerBefore) {
    EXPECT_EQ(run.status, status);
    EXPECT_TRUE(has(run.err, reason)) << run.err;
    EXPECT_FALSE(has(run.out, "Write to Pager...")) << run.out;
    EXPECT_EQ(fileBytes(pager), pagerBefore);
  }
  std::vector<PagerRecord> records() {
    return openSqliteLedger(ledger, LedgerOpen::ExistingOnly)->list("");
  }

  const std::string kData = kSourceData;
  TempFolder folder;
  const std::string config = folder / "config.eep";
  const std::string pager = folder / "pager.eep";
  const std::string ledger = folder / "ledger.sqlite3";
};

}  // namespace capcode::test
