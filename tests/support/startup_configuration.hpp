#pragma once
// The configuration the program starts with (the shipped data folder), saved as File > Save
// writes it, through `capcode script`: the one way the command-line tests make an order's file.

#include <gtest/gtest.h>

#include <string>

#include "support/run_capcode.hpp"

namespace capcode::test {

inline const std::string kSourceData = CAPCODE_SOURCE_DATA_DIR;

// The start-up configuration, after the automation's `steps` (lines such as "click addr8en\n"),
// saved at `path`. Fails the test and returns false when the script does not end with status 0.
inline bool saveStartup(const std::string& path, const std::string& steps = "") {
  const Outcome saved = capcode({"script", "--data-dir", kSourceData}, steps + "save " + path + "\n");
  EXPECT_EQ(saved.status, 0) << saved.err;
  return saved.status == 0;
}

}  // namespace capcode::test
