#include "rules/address_rules.hpp"

#include <gtest/gtest.h>

#include <cstdint>

namespace capcode {
namespace {

TEST(Capcode, LegalRangesHaveTwoGapsOfEight) {
  for (std::int64_t legal : {8, 2007663, 2007672, 2045055, 2045064, 2097143}) {
    EXPECT_TRUE(isLegalCapcode(legal)) << legal;
  }
  for (std::int64_t illegal : {0, 7, 2007664, 2007671, 2045056, 2045063, 2097144}) {
    EXPECT_FALSE(isLegalCapcode(illegal)) << illegal;
  }
}

}  // namespace
}  // namespace capcode
