// The capcode list as it is read, and the sets it gives: what a list may look like and still be
// taken (a byte-order mark, CR LF, quoted reference columns, rows named in any case) and what
// each pager's set holds.

#include "production/capcode_list.hpp"

#include <gtest/gtest.h>

#include "production/batch_plan.hpp"
#include "production/list_sets.hpp"

namespace capcode {
namespace {

TEST(CapcodeListRead, TakesWhatSpreadsheetsWrite) {
  const ListRead read = parseCapcodeList(
      "\xEF\xBB\xBF"
      "Order,ROW3,Row1,note\r\n"
      "\"PO \"\"7\"\"\",2004016,2005000,Jos\xC3\xA9\r\n"
      "PO-8,2004024,2005008,\r\n");
  ASSERT_TRUE(read.list) << read.problem.reason;
  const CapcodeList& list = *read.list;
  EXPECT_TRUE(list.named[1]);
  EXPECT_TRUE(list.named[3]);
  EXPECT_FALSE(list.named[2]);
  ASSERT_EQ(list.lines.size(), 2u);
  EXPECT_EQ(list.lines[0].line, 2);
  EXPECT_EQ(list.lines[0].capcodes[1], 2005000);
  EXPECT_EQ(list.lines[0].capcodes[3], 2004016);
  EXPECT_EQ(list.lines[0].reference, "Order=PO \"7\"; note=Jos\xC3\xA9");
  EXPECT_EQ(list.lines[1].line, 3);
  EXPECT_EQ(list.lines[1].reference, "Order=PO-8") << "an empty column is left out";
}

TEST(CapcodeListRead, ALastLineWithoutItsEndIsALine) {
  const ListRead read = parseCapcodeList("row2\n2005000\n2005008");
  ASSERT_TRUE(read.list);
  EXPECT_EQ(read.list->lines.size(), 2u);
  const ListRead twoEnds = parseCapcodeList("row2\n2005000\n\n");
  ASSERT_FALSE(twoEnds.list);
  EXPECT_EQ(twoEnds.problem.line, 3);
}

TEST(CapcodeListRead, AnOverlongOrTruncatedSequenceIsNotUtf8) {
  for (const char* text :
       {"row1,ref\n2005000,\xC0\xAF\n", "row1,ref\n2005000,\xE2\x82\n",
        "row1,ref\n2005000,\xED\xA0\x80\n", "row1,ref\n2005000,\xF4\x90\x80\x80\n"}) {
    const ListRead read = parseCapcodeList(text);
    ASSERT_FALSE(read.list) << text;
    EXPECT_EQ(read.problem.line, 2);
    EXPECT_NE(read.problem.reason.find("not UTF-8 text"), std::string::npos);
  }
}

TEST(ListSets, SetKIsLineKPlusTwoOverTheConfigurationsRows) {
  auto read = parseCapcodeList("ref,row2\nA,2005000\nB,2005008\n");
  ASSERT_TRUE(read.list);
  read.list->sha256 = "digest";
  read.list->path = "order.csv";
  std::vector<RecordedAddress> rows;
  for (int row = 1; row <= kAddressRows; ++row)
    rows.push_back({row, 2004000 + 8 * (row - 1), row != 7, AddressRole::Individual});
  ListSets sets(rows, std::make_shared<const CapcodeList>(*read.list));
  EXPECT_EQ(sets.size(), 2);
  const auto set = sets.set(1);
  ASSERT_EQ(set.size(), 8u);
  EXPECT_EQ(set[1], (RecordedAddress{2, 2005008, true, AddressRole::Individual}));
  EXPECT_EQ(set[0], (RecordedAddress{1, 2004000, true, AddressRole::Shared}));
  EXPECT_EQ(set[6], (RecordedAddress{7, 2004048, false, AddressRole::Shared}));
  const SetOrigin origin = sets.origin(1);
  EXPECT_EQ(origin.listSha256, "digest");
  EXPECT_EQ(origin.listLine, 3);
  EXPECT_EQ(origin.reference, "ref=B");
  EXPECT_EQ(sets.origin(2).listLine, 0);
  try {
    sets.set(2);
    ADD_FAILURE() << "a third set from two lines";
  } catch (const BatchSetRefused& e) {
    EXPECT_STREQ(e.what(), "every line of order.csv is taken (2 pagers)");
  }
}

}  // namespace
}  // namespace capcode
