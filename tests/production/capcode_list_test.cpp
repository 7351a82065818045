// The capcode list as it is read, and the sets it gives: what a list may look like and still be
// taken (a byte-order mark, CR LF, quoted reference columns, rows named in any case) and what
// each pager's set holds.

#include "production/capcode_list.hpp"

#include <gtest/gtest.h>

#include "production/batch_plan.hpp"
#include "production/list_sets.hpp"
#include "support/table_rows.hpp"

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

// What each header name stands for: a row (1-8), a reference column (0), or a refusal (-1).
// Each case: the header line (its last column the name looked at), the row, the refusal.
TEST(CapcodeListRead, AHeaderNameIsARowAReferenceOrRefused) {
  const test::TextNumberAndText cases[] = {
      {"ref,row2", 2, ""},
      {"ref,row2 ", 2, ""},
      {"ref, row2", 2, ""},
      {"ref,\t row2\t", 2, ""},
      {"ref,Row 2", 2, ""},
      {"ref,ROW  2", 2, ""},
      {"ref,\"row2 \"", 2, ""},
      {"ref,\" Row 8\"", 8, ""},
      {"ref,rows", 0, ""},
      {"ref,Rowena", 0, ""},
      {"ref,subscriber", 0, ""},
      {"ref,row9", -1, "unknown column \"row9\": the rows are row1..row8"},
      {"ref,row01", -1, "unknown column \"row01\": the rows are row1..row8"},
      {"ref,row 0", -1, "unknown column \"row 0\": the rows are row1..row8"},
      {"ref,row", -1, "unknown column \"row\": the rows are row1..row8"},
      {"ref,row_2", -1, "unknown column \"row_2\": the rows are row1..row8"},
      {"ref,row 2a", -1, "unknown column \"row 2a\": the rows are row1..row8"},
      {"ref,row\x1B", -1, "unknown column \"row\\x1B\": the rows are row1..row8"},
      {"ref,  ", -1, "column 3 of the header has no name"},
      {"row2,Row 2", -1, "column \"Row 2\" appears twice in the header (columns 2 and 3)"},
  };
  for (const auto& [header, row, refusal] : cases) {
    // Row 1 always, so that a reference column still leaves a usable list.
    const ListRead read =
        parseCapcodeList(std::string("row1,") + header + "\n2005000,PO-1,2005008\n");
    if (row < 0) {
      ASSERT_FALSE(read.list) << header;
      EXPECT_EQ(read.problem.line, 1) << header;
      EXPECT_EQ(read.problem.reason, refusal) << header;
      continue;
    }
    ASSERT_TRUE(read.list) << header << ": " << read.problem.reason;
    const CapcodeListLine& line = read.list->lines.at(0);
    if (row > 0) {
      EXPECT_TRUE(read.list->named[static_cast<std::size_t>(row)]) << header;
      EXPECT_EQ(line.capcodes[static_cast<std::size_t>(row)], 2005008) << header;
      EXPECT_EQ(line.reference, "ref=PO-1") << header;
    } else {
      const std::string name = std::string(header).substr(4);
      EXPECT_EQ(line.reference, "ref=PO-1; " + name + "=2005008") << header;
    }
  }
}

TEST(CapcodeListRead, SpacesAroundValuesAreNotPartOfThem) {
  const ListRead read = parseCapcodeList("row1, row2, note\n2005000, 2005008 , Ann Smith \n");
  ASSERT_TRUE(read.list) << read.problem.reason;
  EXPECT_EQ(read.list->lines[0].capcodes[1], 2005000);
  EXPECT_EQ(read.list->lines[0].capcodes[2], 2005008);
  EXPECT_EQ(read.list->lines[0].reference, "note=Ann Smith");
}

TEST(CapcodeListRead, AFieldCountIsInTheRightNumber) {
  const test::TextAndText cases[] = {
      {"row1,ref\n2005000\n", "1 field; the header has 2"},
      {"row1\n2005000,a,b\n", "3 fields; the header has 1"},
  };
  for (const auto& [text, reason] : cases) {
    const ListRead read = parseCapcodeList(text);
    ASSERT_FALSE(read.list) << text;
    EXPECT_EQ(read.problem.reason, reason);
  }
}

// The joined reference splits back into the columns it was made of, whatever they hold.
TEST(CapcodeListRead, AReferenceSplitsBackIntoItsColumns) {
  const struct {
    const char* list;
    const char* reference;
    std::vector<std::pair<std::string, std::string>> columns;
  } cases[] = {
      {"row1,a,b\n2005000,x,y\n", "a=x; b=y", {{"a", "x"}, {"b", "y"}}},
      {"row1,a,b\n2005000,\"x; b=y\",z\n", "a=x\\; b=y; b=z", {{"a", "x; b=y"}, {"b", "z"}}},
      {"row1,a\n2005000,C:\\dir\\\n", "a=C:\\\\dir\\\\", {{"a", "C:\\dir\\"}}},
      {"row1,k=v,b\n2005000,1=2,;\n", "k\\=v=1=2; b=\\;", {{"k=v", "1=2"}, {"b", ";"}}},
      {"row1,a\n2005000,\n", "", {}},
  };
  for (const auto& c : cases) {
    const ListRead read = parseCapcodeList(c.list);
    ASSERT_TRUE(read.list) << c.list << ": " << read.problem.reason;
    EXPECT_EQ(read.list->lines[0].reference, c.reference) << c.list;
    EXPECT_EQ(referenceColumns(read.list->lines[0].reference), c.columns) << c.list;
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
