// capcode write --capcodes end to end against the simulated programmer box: a list whose every
// line is checked before the first pager, the line and reference each pager's record keeps,
// --resume, and every way a list is refused with nothing written.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "ledger/sha256.hpp"
#include "support/production_fixture.hpp"

namespace capcode {
namespace {

using test::capcode;
using test::has;
using test::Outcome;

class CapcodeListWrites : public test::Production {
 protected:
  std::vector<int> listLines() {
    std::vector<int> found;
    for (const PagerRecord& r : records())
      found.push_back(r.listLine);
    return found;
  }
};

TEST_F(CapcodeListWrites, EveryLineIsOnePagerRecordedWithItsLineAndReference) {
  const std::string path = list(
      "row2,subscriber,order,row1\r\n2005008,\"Smith, Ann\",PO-17,2005000\r\n"
      "2005024,Bob,,2005016\r\n");
  const Outcome run = write({"--capcodes", path}, "\n");
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_TRUE(has(run.out, "Pager 1 of 2 verified: 1=2005000 2=2005008 3=2004016")) << run.out;
  EXPECT_TRUE(has(run.out, "Pager 2 of 2 verified: 1=2005016 2=2005024 3=2004016")) << run.out;
  EXPECT_TRUE(has(run.err, "pager 2 of 2 takes line 3 of " + path)) << run.err;

  const auto list = records();
  ASSERT_EQ(list.size(), 2u);
  const std::string digest = sha256Hex(test::fileBytes(path));
  EXPECT_EQ(list[0].listLine, 2);
  EXPECT_EQ(list[1].listLine, 3);
  EXPECT_EQ(list[0].reference, "subscriber=Smith, Ann; order=PO-17");
  EXPECT_EQ(list[1].reference, "subscriber=Bob");
  for (const PagerRecord& r : list) {
    EXPECT_EQ(r.listSha256, digest);
    EXPECT_EQ(r.result, PagerResult::Verified);
    EXPECT_EQ(r.addresses[0].role, AddressRole::Individual);
    EXPECT_EQ(r.addresses[1].role, AddressRole::Individual);
    EXPECT_EQ(r.addresses[2].role, AddressRole::Shared);
    EXPECT_EQ(r.addresses[2].capcode, 2004016) << "a row the list does not name keeps its capcode";
  }
  EXPECT_EQ(sha256Hex(test::fileBytes(pager)), list[1].imageSha256) << "the pager holds line 3";

  const Outcome table = capcode({"ledger", "--ledger", ledger});
  EXPECT_TRUE(has(table.out, "LINE  CAPCODES")) << table.out;
  EXPECT_TRUE(has(table.out, "3     1=2005016 2=2005024 3=2004016(shared)")) << table.out;
  EXPECT_TRUE(has(table.out, "  subscriber=Bob\n")) << table.out;
  const Outcome csv = capcode({"ledger", "--ledger", ledger, "--csv"});
  EXPECT_TRUE(has(csv.out, ",list_sha256,list_line,reference,settlement,settled_at,settled_by\r\n"))
      << csv.out;
  EXPECT_TRUE(has(csv.out, "," + digest + ",2,\"subscriber=Smith, Ann; order=PO-17\",,,\r\n"))
      << csv.out;
}

TEST_F(CapcodeListWrites, ABadSeventhLineStopsTheBatchBeforeThePager) {
  std::string text = lines(8);
  // Line 7 gives row 1 the capcode row 3 keeps on every pager.
  text.replace(text.find("2005080,"), 7, "2004016");
  const std::vector<std::uint8_t> before = test::fileBytes(pager);
  const Outcome run = write({"--capcodes", list(text)}, "\n\n\n\n\n\n\n");
  EXPECT_EQ(run.status, 1);
  EXPECT_TRUE(has(run.err,
                  "list.csv: line 7, row 1: Same capcode address not allowed ; nothing "
                  "was written"))
      << run.err;
  EXPECT_FALSE(has(run.out, "Pager 1")) << run.out;
  EXPECT_EQ(test::fileBytes(pager), before);
  EXPECT_TRUE(records().empty());
}

TEST_F(CapcodeListWrites, AStationOfASharedListChecksEveryLineNotOnlyItsOwn) {
  std::string text = lines(6);
  text.replace(text.find("2005064,"), 7, "9999999");  // line 6
  const Outcome run = write({"--capcodes", list(text), "--batch", "order-17", "--count", "1"});
  EXPECT_EQ(run.status, 1);
  EXPECT_TRUE(has(run.err, "list.csv: line 6, row 1: Address [1] range out")) << run.err;
  EXPECT_TRUE(records().empty());
}

struct ListFault {
  const char* name;
  std::string text;
  int status;
  std::string said;  // after "capcode write: "
};

void PrintTo(const ListFault& fault, std::ostream* out) {
  *out << fault.name;
}

class RefusedList : public CapcodeListWrites, public ::testing::WithParamInterface<ListFault> {};

TEST_P(RefusedList, IsRefusedWithItsLineAndRowBeforeAnythingIsWritten) {
  const std::vector<std::uint8_t> before = test::fileBytes(pager);
  const std::string path = list(GetParam().text);
  const Outcome run = write({"--capcodes", path}, "\n\n\n");
  EXPECT_EQ(run.status, GetParam().status);
  EXPECT_TRUE(has(run.err, "capcode write: " + path + ": " + GetParam().said)) << run.err;
  EXPECT_FALSE(has(run.out, "Pager 1")) << run.out;
  EXPECT_EQ(test::fileBytes(pager), before);
  EXPECT_TRUE(records().empty());
}

const std::string kNotDone = "; nothing was written\n";

INSTANTIATE_TEST_SUITE_P(
    Faults, RefusedList,
    ::testing::Values(
        // clang-format off
        ListFault{"Empty", "", 1, "the list is empty: its first line must name the rows"},
        ListFault{"NoHeader", "2005000,2005008\n2005016,2005024\n", 1, "line 1: no header: the first line must name the columns (row1..row8, and any reference columns)" + kNotDone},
        ListFault{"NoRow", "subscriber\nAnn\n", 1, "line 1: the header names no row (row1..row8)" + kNotDone},
        ListFault{"RowNine", "row1,row9\n2005000,2005008\n", 1, "line 1: unknown column \"row9\": the rows are row1..row8" + kNotDone},
        ListFault{"RowZero", "row0\n2005000\n", 1, "line 1: unknown column \"row0\""},
        ListFault{"TwiceOneRow", "row1,ref,ROW1\n2005000,a,2005008\n", 1, "line 1: column \"ROW1\" appears twice in the header (columns 1 and 3)"},
        ListFault{"NamelessColumn", "row1,,ref\n2005000,x,y\n", 1, "line 1: column 2 of the header has no name"},
        ListFault{"HeaderOnly", "row1\n", 1, "the list has no pager after its header"},
        ListFault{"NotADigit", "row1\n2005000\n20O5016\n", 1, "line 3, row 1: \"20O5016\" is not a capcode (digits only)" + kNotDone},
        ListFault{"NoCapcode", "row1,row2\n2005000,\n", 1, "line 2, row 2: no capcode"},
        ListFault{"TooLong", "row1\n12345678901\n", 1, "line 2, row 1: 12345678901 is not a capcode (too long)"},
        ListFault{"BlankLine", "row1\n2005000\n\n2005016\n", 1, "line 3: a blank line; every line after the header is one pager"},
        ListFault{"FieldsMissing", "row1,row2\n2005000\n", 1, "line 2: 1 field; the header has 2"},
        ListFault{"UnclosedQuote", "row1,ref\n2005000,\"Ann\n2005016,Bob\n", 1, "line 2: a quoted field is not closed (a line break inside quotes is not allowed)"},
        ListFault{"StrayQuote", "row1,ref\n2005000,Ann \"A\"\n", 1, "line 2: a quote inside unquoted field 2 (quote the whole field and double the quote)"},
        ListFault{"TextAfterQuote", "row1,ref\n2005000,\"Ann\"x\n", 1, "line 2: text after the closing quote of field 2"},
        ListFault{"Latin1", "row1,ref\n2005000,Jos\xE9\n", 1, "line 2: not UTF-8 text (byte 0xE9); save the list as UTF-8"},
        ListFault{"Utf16", std::string("\xFF\xFEr\0o\0w\0001\0\n\0", 12), 1, "line 1: not UTF-8 text (byte 0xFF)"},
        ListFault{"TwoLinesOneCapcode", "row1,row2\n2005000,2005008\n2005016,2005024\n2005032,2005000\n", 1, "line 4, row 2: capcode 2005000 is also on line 2 (row 1)" + kNotDone},
        ListFault{"OutOfRange", "row1\n2005000\n9999999\n", 1, "line 3, row 1: Address [1] range out, should be within 8-2007663; 2007672-2045055; 2045064-2097143" + kNotDone}  // clang-format on
        ),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(CapcodeListWrites, AListThatIsNotARegularFileIsRefusedWithoutWaiting) {
  const std::string fifo = folder / "fifo.csv";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  const struct {
    std::string path;
    const char* why;
  } cases[] = {{fifo, "not a regular file"},
               {folder.path(), "not a regular file"},
               {folder / "absent.csv", "No such file or directory"}};
  for (const auto& c : cases) {
    const Outcome run = write({"--capcodes", c.path});
    EXPECT_EQ(run.status, 1) << c.path;
    EXPECT_TRUE(has(run.err, c.path + ": cannot be read (" + c.why + "); nothing was written"))
        << run.err;
  }
  EXPECT_TRUE(records().empty());
}

TEST_F(CapcodeListWrites, ARowTheConfigurationLeavesOffIsRefused) {
  ASSERT_TRUE(test::saveStartup(config, "click addr8en\n"));
  const std::string path = list("row8\n2005000\n");
  const Outcome run = write({"--capcodes", path});
  EXPECT_EQ(run.status, 1);
  EXPECT_TRUE(has(run.err, path + ": gives capcodes for row 8, which is not enabled in " + config +
                               "; nothing was written"))
      << run.err;
  EXPECT_TRUE(records().empty());
}

TEST_F(CapcodeListWrites, AutoincAndCountBeyondTheListAreUsageErrors) {
  const std::string path = list(lines(3));
  const Outcome named = write({"--capcodes", path, "--autoinc", "1=1"});
  EXPECT_EQ(named.status, 2);
  EXPECT_TRUE(has(named.err, "--autoinc 1=1: " + path +
                                 " gives row 1's capcodes; --autoinc and --capcodes cannot both "
                                 "set them"))
      << named.err;
  const Outcome other = write({"--capcodes", path, "--autoinc", "3=1"});
  EXPECT_EQ(other.status, 2);
  EXPECT_TRUE(has(other.err,
                  "--autoinc 3=1: with --capcodes, a row the list does not name keeps "
                  "the configuration's capcode on every pager"))
      << other.err;
  const Outcome count = write({"--capcodes", path, "--count", "4"});
  EXPECT_EQ(count.status, 2);
  EXPECT_TRUE(has(count.err, "--count 4: " + path + " has only 3 pagers")) << count.err;
  EXPECT_TRUE(records().empty());
}

TEST_F(CapcodeListWrites, ALineAnEarlierPagerHoldsIsRefusedByTheLedger) {
  ASSERT_EQ(write({"--capcodes", list(lines(1), "first.csv")}).status, 0);
  const std::vector<std::uint8_t> before = test::fileBytes(pager);
  const std::string second = list("row1\n2006000\n2006016\n2005000\n", "second.csv");
  const Outcome run = write({"--capcodes", second}, "\n\n");
  EXPECT_EQ(run.status, 3);
  EXPECT_TRUE(has(run.err, second + ": line 4: capcode 2005000 of row 1 (individual) is already "
                                    "on a verified pager: ledger record 1, row 1 (individual)"))
      << run.err;
  EXPECT_EQ(test::fileBytes(pager), before);
  EXPECT_EQ(records().size(), 1u);
}

TEST_F(CapcodeListWrites, ResumeContinuesAtTheFirstLineNotVerified) {
  const std::string path = list(lines(5));
  ASSERT_EQ(write({"--capcodes", path, "--count", "2"}, "\n").status, 0);
  const Outcome resumed = write({"--capcodes", path, "--resume"}, "\n\n");
  ASSERT_EQ(resumed.status, 0) << resumed.err;
  EXPECT_TRUE(has(resumed.err, "resuming at line 4 of " + path + " (2 lines on verified pagers)"))
      << resumed.err;
  EXPECT_TRUE(has(resumed.out, "Pager 1 of 3 verified: 1=2005032 2=2005040")) << resumed.out;
  EXPECT_EQ(listLines(), (std::vector<int>{2, 3, 4, 5, 6}));
  const Outcome done = write({"--capcodes", path, "--resume"});
  EXPECT_EQ(done.status, 0);
  EXPECT_TRUE(has(done.err, "every line of " + path + " is on a verified pager; nothing to do"));
  EXPECT_EQ(records().size(), 5u);
}

// Counts are in the right number: one pager left, one line on a verified pager.
TEST_F(CapcodeListWrites, CountsOfOneAreSingular) {
  const std::string one = list(lines(1), "one.csv");
  const Outcome count = write({"--capcodes", one, "--count", "2"});
  EXPECT_EQ(count.status, 2);
  EXPECT_TRUE(has(count.err, "--count 2: " + one + " has only 1 pager\n")) << count.err;

  const std::string path = list(lines(3));
  ASSERT_EQ(write({"--capcodes", path, "--count", "1"}).status, 0);
  const Outcome resumed = write({"--capcodes", path, "--resume", "--count", "1"});
  ASSERT_EQ(resumed.status, 0) << resumed.err;
  EXPECT_TRUE(has(resumed.err, "resuming at line 3 of " + path + " (1 line on verified pagers)"))
      << resumed.err;
}

// A reference or a station with control characters (an ESC from an operator's file) reaches
// the ledger exactly; the table shows them escaped, the CSV keeps them.
TEST_F(CapcodeListWrites, TheLedgerTableNeverPrintsAControlCharacterRaw) {
  const std::string path = list("row1,note\n2005000,\"red\x1B[31m; \xC2\x9B\"\n");
  ASSERT_EQ(write({"--capcodes", path, "--station", "bench\x07"}).status, 0);
  ASSERT_EQ(records().size(), 1u);
  EXPECT_EQ(records()[0].reference, "note=red\x1B[31m\\; \xC2\x9B");
  const Outcome table = capcode({"ledger", "--ledger", ledger});
  ASSERT_EQ(table.status, 0) << table.err;
  EXPECT_TRUE(has(table.out, "  note=red\\x1B[31m\\; \\u009B\n")) << table.out;
  EXPECT_TRUE(has(table.out, "bench\\x07 ")) << table.out;
  EXPECT_FALSE(has(table.out, "\x1B")) << "no raw ESC";
  EXPECT_FALSE(has(table.out, "\x07"));
  EXPECT_FALSE(has(table.out, "\xC2\x9B"));
  const Outcome csv = capcode({"ledger", "--ledger", ledger, "--csv"});
  EXPECT_TRUE(has(csv.out, ",bench\x07,")) << csv.out;
  EXPECT_TRUE(has(csv.out, ",2,note=red\x1B[31m\\; \xC2\x9B,,,\r\n")) << csv.out;
}

}  // namespace
}  // namespace capcode
