// The production road end to end against simulated boxes and a ledger file: every path (one
// box, several boxes, a shared batch, a list) checks the whole order before the first pager,
// and --resume continues after the highest set any pager of the order holds.

#include <gtest/gtest.h>

#include "support/configurations.hpp"
#include "support/production_fixture.hpp"

namespace capcode {
namespace {

using test::capcode;
using test::has;
using test::Outcome;

class Road : public test::Production {
 protected:
  // `boxes` simulated boxes, each holding the configuration, with --device for each.
  std::vector<std::string> boxes(int count) {
    std::vector<std::string> args;
    for (int box = 1; box <= count; ++box) {
      const std::string image = folder / ("box" + std::to_string(box) + ".eep");
      std::filesystem::copy_file(config, image, std::filesystem::copy_options::overwrite_existing);
      args.insert(args.end(), {"--sim-usb", image, "--device", "SIM-" + std::to_string(box)});
    }
    return args;
  }
  Outcome gang(int count, std::vector<std::string> extra, const std::string& input = "") {
    std::vector<std::string> args{"write", config, "--data-dir", kData, "--ledger", ledger};
    for (const std::string& arg : boxes(count))
      args.push_back(arg);
    args.insert(args.end(), extra.begin(), extra.end());
    return capcode(args, input);
  }
  std::vector<std::int32_t> rowOne() {
    std::vector<std::int32_t> found;
    for (const PagerRecord& r : records()) {
      if (r.result == PagerResult::Verified) found.push_back(r.addresses.at(0).capcode);
    }
    return found;
  }
  // The configuration saved at HW-A2, as the pager holds it.
  void atHwA2() {
    const std::string first = folder / "first.eep";
    ASSERT_TRUE(test::saveStartup(config, "click switch_model\nsave " + first + "\nopen " + first + "\n"));
    std::filesystem::copy_file(config, pager, std::filesystem::copy_options::overwrite_existing);
  }
};

// A list the pager of the configuration's revision cannot take is refused before the first
// pager, naming the line, the row and the rule; nothing is written or recorded.
TEST_F(Road, AnHwA2ListIsCheckedAgainstThePagersOwnRows) {
  atHwA2();
  const std::vector<std::uint8_t> before = test::fileBytes(pager);
  const struct {
    std::string list;
    std::string says;
  } cases[] = {
      {"row1,row7\n2005000,1900000\n",
       "gives capcodes for row 7, but an HW-A2 pager has address "
       "rows 1-6 only; nothing was written"},
      {"row1,row2\n2005000,2005008\n2005016,2005025\n",
       "line 3, row 2: Address [2] frame must same as Address [1] (2005025 is in frame 1, "
       "2005016 in frame 0); nothing was written"},
  };
  for (const auto& c : cases) {
    const Outcome run = write({"--revision", "A2", "--capcodes", list(c.list)}, "\n\n");
    EXPECT_EQ(run.status, 1) << run.err;
    EXPECT_TRUE(has(run.err, c.says)) << run.err;
    EXPECT_EQ(test::fileBytes(pager), before);
    EXPECT_TRUE(records().empty());
  }
}

// Whatever the path, a set the ledger already holds stops the order before anything is written.
TEST_F(Road, ASetTheLedgerHoldsStopsEveryPathBeforeTheFirstPager) {
  // Two pagers hold row 1 = 2004005 (the configuration's set 5 with step 1, in round 2 of four
  // boxes) and 2005016 (line 3 of the shared list below).
  ASSERT_EQ(write({"--capcodes", list("row1\n2004005\n2005016\n", "held.csv")}, "\n").status, 0);
  const std::size_t held = records().size();
  const std::string shared = list(lines(3), "shared.csv");
  const struct {
    const char* what;
    std::vector<std::string> args;
    std::string says;
  } cases[] = {
      {"four boxes, round 2 held",
       {"--autoinc", "1=1", "--count", "8", "--station", "line1"},
       "capcode 2004005 of row 1 (individual) is already on a verified pager"},
      {"a shared batch's list",
       {"--capcodes", shared, "--batch", "order-9", "--station", "bench-1"},
       "line 3: capcode 2005016 of row 1 (individual) is already on a verified pager"},
  };
  for (const auto& c : cases) {
    const Outcome run = gang(4, c.args, "\n\n\n");
    EXPECT_EQ(run.status, 3) << c.what << "\n" << run.err;
    EXPECT_TRUE(has(run.err, c.says)) << c.what << "\n" << run.err;
    EXPECT_TRUE(has(run.err, "nothing was written")) << run.err;
    EXPECT_FALSE(has(run.err, "failed")) << c.what << ": no box ran\n" << run.err;
    EXPECT_EQ(records().size(), held) << c.what;
  }
}

// After a clean batch on four boxes, --resume on one box carries on after the highest set,
// whichever box recorded its pager last.
TEST_F(Road, ResumeAfterFourBoxesContinuesAfterTheHighestSet) {
  for (int run = 0; run < 3; ++run) {
    std::filesystem::remove(ledger);
    const Outcome first = gang(4, {"--autoinc", "1=1", "--count", "4"});
    ASSERT_EQ(first.status, 0) << first.err;
    const Outcome resumed = write({"--autoinc", "1=1", "--resume", "--count", "2"}, "\n");
    ASSERT_EQ(resumed.status, 0) << resumed.err;
    EXPECT_TRUE(has(resumed.err, "set 3 of this configuration's steps (4 pagers verified"))
        << resumed.err;
    EXPECT_TRUE(has(resumed.out, "Pager 1 of 2 verified: 1=2004004")) << resumed.out;
    EXPECT_TRUE(has(resumed.out, "Pager 2 of 2 verified: 1=2004005")) << resumed.out;
  }
}

// A list edited since its last run: the lines already on pagers are known by their capcodes.
TEST_F(Road, ResumeRecognisesTheLinesOfAnEditedList) {
  const std::string path = list(lines(2));
  ASSERT_EQ(write({"--capcodes", path}, "\n").status, 0);
  const struct {
    const char* what;
    std::string text;
    std::string says;
  } cases[] = {
      {"the same list with CR LF", lines(2, "\r\n"),
       "every line of " + path + " is on a verified pager; nothing to do"},
      {"a reference corrected", "row1,row2,subscriber\n2005000,2005008,Ann\n2005016,2005024,Bob\n",
       "every line of " + path + " is on a verified pager; nothing to do"},
      {"a line appended", lines(3),
       "resuming at line 4 of " + path + " (2 lines on verified pagers)"},
  };
  for (const auto& c : cases) {
    list(c.text);
    const Outcome resumed = write({"--capcodes", path, "--resume"}, "\n");
    EXPECT_EQ(resumed.status, 0) << c.what << "\n" << resumed.err;
    EXPECT_TRUE(has(resumed.err, c.says)) << c.what << "\n" << resumed.err;
    EXPECT_FALSE(has(resumed.err, "--allow-reuse")) << resumed.err;
  }
  EXPECT_EQ(rowOne(), (std::vector<std::int32_t>{2005000, 2005016, 2005032}));
}

// A line whose pager kept its capcodes without being verified (interrupted, then perhaps put
// aside) is stepped over and named; a pager returned and wiped gives its line back to the order.
TEST_F(Road, ResumeStepsOverHeldLinesAndTakesReturnedOnes) {
  const struct {
    const char* settle;  // capcode ledger resolve 2 ...; none to leave it interrupted
    std::string says;
    std::vector<std::int32_t> verified;
  } cases[] = {
      {nullptr,
       "skipped, held by pagers not verified: line 3 (interrupted, record 2)",
       {2005000, 2005032}},
      {"put-aside",
       "skipped, held by pagers not verified: line 3 (put aside, record 2)",
       {2005000, 2005032}},
      {"returned", "resuming at line 3 of ", {2005000, 2005016, 2005032}},
  };
  for (const auto& c : cases) {
    std::filesystem::remove(ledger);
    std::filesystem::copy_file(config, pager, std::filesystem::copy_options::overwrite_existing);
    const std::string path = list(lines(3));
    ASSERT_EQ(write({"--capcodes", path, "--count", "1"}).status, 0);
    ASSERT_EQ(
        write({"--capcodes", path, "--resume", "--count", "1", "--sim-fault", "write:20:C"}).status,
        1);
    if (c.settle) {
      const Outcome settled = capcode({"ledger", "--ledger", ledger, "resolve", "2", c.settle});
      ASSERT_EQ(settled.status, 0) << settled.err;
    }
    // The interrupted pager is off the line; a fresh one goes into the box.
    std::filesystem::copy_file(config, pager, std::filesystem::copy_options::overwrite_existing);
    const Outcome again = write({"--capcodes", path, "--resume"}, "\n\n");
    ASSERT_EQ(again.status, 0) << again.err;
    EXPECT_TRUE(has(again.err, c.says)) << again.err;
    EXPECT_EQ(rowOne(), c.verified) << (c.settle ? c.settle : "interrupted");
  }
}

// A shared list that runs out on four boxes ends the batch without blaming a box.
TEST_F(Road, ASharedListThatRunsOutBlamesNoBox) {
  const std::string path = list(lines(2));
  const Outcome run =
      gang(4, {"--capcodes", path, "--batch", "order-3", "--count", "4", "--station", "s"});
  EXPECT_EQ(run.status, 1) << run.err;
  EXPECT_TRUE(has(run.err, "batch order-3 has no set left; the boxes stopped in round 1"))
      << run.err;
  EXPECT_FALSE(has(run.err, "failed")) << run.err;
  EXPECT_EQ(rowOne().size(), 2u);
}

}  // namespace
}  // namespace capcode
