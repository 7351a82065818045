// Several programmer boxes on one PC, end to end in-process: the boxes listed, a write that
// must be told which boxes to use, rounds of pagers on simulated boxes (distinct capcodes, a
// result line and a ledger record per box, one failing box), and the gain in time.

#include <gtest/gtest.h>

#include <cstdio>
#include <set>

#include "../../bench/gang_speedup.hpp"
#include "cli/device_report.hpp"
#include "core/json.hpp"
#include "ledger/sqlite_ledger.hpp"
#include "support/fake_ppdev.hpp"
#include "support/run_capcode.hpp"
#include "support/startup_configuration.hpp"
#include "support/temp_folder.hpp"

namespace capcode {
namespace {

using test::capcode;
using test::has;
using test::Outcome;

class Gang : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(test::saveStartup(config));
  }
  // `boxes` simulated boxes, each holding a copy of the configuration.
  std::vector<std::string> simulated(int boxes) {
    std::vector<std::string> args;
    for (int box = 1; box <= boxes; ++box) {
      const std::string image = folder / ("box" + std::to_string(box) + ".eep");
      std::filesystem::copy_file(config, image, std::filesystem::copy_options::overwrite_existing);
      args.insert(args.end(), {"--sim-usb", image});
    }
    return args;
  }
  Outcome write(int boxes, std::vector<std::string> extra, const std::string& input = "") {
    std::vector<std::string> args{"write",    config, "--data-dir", kData,
                                  "--ledger", ledger, "--station",  "line1"};
    for (const std::string& arg : simulated(boxes))
      args.push_back(arg);
    args.insert(args.end(), extra.begin(), extra.end());
    return capcode(args, input);
  }
  static std::vector<std::string> devices(int boxes) {
    std::vector<std::string> args;
    for (int box = 1; box <= boxes; ++box)
      args.insert(args.end(), {"--device", "SIM-" + std::to_string(box)});
    return args;
  }
  std::vector<PagerRecord> records() const {
    return openSqliteLedger(ledger, LedgerOpen::ExistingOnly)->list("");
  }

  test::TempFolder folder;
  const std::string kData = test::kSourceData, config = folder / "config.eep",
                    ledger = folder / "ledger.sqlite3";
};

// Row 1 of the batch's pager n (from 1): the configuration's 2004000 moved on by step 1.
std::string pagerLine(int box, int pager, int count) {
  return "Box " + std::to_string(box) + ": Pager " + std::to_string(pager) + " of " +
         std::to_string(count) + " verified: 1=" + std::to_string(2004000 + pager - 1) +
         " 2=2004008 3=2004016 4=2004024 ";
}

TEST_F(Gang, EachBoxTakesItsOwnCapcodesRoundByRound) {
  const struct {
    int boxes;
    int count;
    std::vector<std::string> extra;
    std::vector<std::string> prompts;  // before rounds 2, 3, ...
  } cases[] = {
      {4, 8, {}, {"Insert pagers in boxes 1-4 and press Enter (q to stop)\n"}},
      {4, 6, {}, {"Insert pagers in boxes 1-2 and press Enter (q to stop)\n"}},
      {3,
       7,
       {},
       {"Insert pagers in boxes 1-3 and press Enter (q to stop)\n",
        "Insert a pager in box 1 and press Enter (q to stop)\n"}},
      {4, 8, {"--batch", "order-7"}, {"Insert pagers in boxes 1-4 and press Enter (q to stop)\n"}},
  };
  for (const auto& c : cases) {
    std::filesystem::remove(ledger);
    std::vector<std::string> extra{"--count", std::to_string(c.count), "--autoinc", "1=1"};
    extra.insert(extra.end(), c.extra.begin(), c.extra.end());
    for (const std::string& arg : devices(c.boxes))
      extra.push_back(arg);
    const Outcome run = write(c.boxes, extra, std::string(c.prompts.size(), '\n'));
    const std::string label = std::to_string(c.boxes) + " boxes, " + std::to_string(c.count);
    ASSERT_EQ(run.status, 0) << label << "\n" << run.err;
    std::size_t at = 0;
    for (const std::string& prompt : c.prompts) {
      at = run.err.find(prompt, at);
      EXPECT_NE(at, std::string::npos) << label << ": " << prompt << run.err;
    }
    EXPECT_FALSE(has(run.err, "Insert pager ")) << "no one-box prompt in a gang";

    const auto list = records();
    ASSERT_EQ(list.size(), static_cast<std::size_t>(c.count)) << label;
    std::set<std::int32_t> rowOne;
    for (const PagerRecord& r : list) {
      EXPECT_EQ(r.result, PagerResult::Verified) << label;
      rowOne.insert(r.addresses.at(0).capcode);
      // The station names the box; the box's pagers are those of its column in the rounds.
      const int box = r.station.back() - '0';
      EXPECT_EQ(r.station, "line1/box" + std::to_string(box)) << label;
      if (c.extra.empty()) {
        EXPECT_EQ((r.addresses.at(0).capcode - 2004000) % c.boxes, box - 1) << label;
        const int pager = r.addresses.at(0).capcode - 2004000 + 1;
        EXPECT_TRUE(has(run.out, pagerLine(box, pager, c.count))) << label << "\n" << run.out;
      }
    }
    EXPECT_EQ(rowOne.size(), static_cast<std::size_t>(c.count)) << label << ": no capcode twice";
    EXPECT_EQ(*rowOne.rbegin(), 2004000 + c.count - 1) << label << ": none skipped";
  }
}

// A capcode list shared by the boxes of each round: every line on one pager, none twice,
// planned or through a shared batch, with the list's line recorded for each.
TEST_F(Gang, TheBoxesShareACapcodeList) {
  const std::string list = folder / "order.csv";
  {
    std::FILE* file = std::fopen(list.c_str(), "w");
    ASSERT_NE(file, nullptr);
    std::fputs("row1,subscriber\n", file);
    for (int line = 2; line <= 7; ++line)
      std::fprintf(file, "%d,S%d\n", 2006000 + 8 * line, line);
    std::fclose(file);
  }
  const std::vector<std::string> shared[] = {{}, {"--batch", "order-9"}};
  for (const auto& extra : shared) {
    std::filesystem::remove(ledger);
    std::vector<std::string> args{"--capcodes", list};
    args.insert(args.end(), extra.begin(), extra.end());
    for (const std::string& arg : devices(4))
      args.push_back(arg);
    const Outcome run = write(4, args, "\n");
    const std::string label = extra.empty() ? "planned" : "shared";
    ASSERT_EQ(run.status, 0) << label << "\n" << run.err;
    EXPECT_TRUE(has(run.err, "Insert pagers in boxes 1-2 and press Enter")) << label << run.err;
    std::set<int> lines;
    for (const PagerRecord& r : records()) {
      EXPECT_EQ(r.result, PagerResult::Verified) << label;
      EXPECT_EQ(r.addresses.at(0).capcode, 2006000 + 8 * r.listLine) << label;
      EXPECT_EQ(r.reference, "subscriber=S" + std::to_string(r.listLine)) << label;
      lines.insert(r.listLine);
    }
    EXPECT_EQ(lines, (std::set<int>{2, 3, 4, 5, 6, 7})) << label << ": every line once";
  }
}

TEST_F(Gang, AFailingBoxLeavesTheOthersVerifiedAndStopsAfterItsRound) {
  const Outcome run = write(
      4,
      [] {
        std::vector<std::string> extra{"--count", "8",           "--autoinc",
                                       "1=1",     "--sim-fault", "box2:write:1:C"};
        for (const std::string& arg : devices(4))
          extra.push_back(arg);
        return extra;
      }(),
      "\n");
  EXPECT_EQ(run.status, 1) << run.err;
  EXPECT_TRUE(has(
      run.err, "capcode write: box 2 (sim:usb:2, SIM-2) failed; the batch stopped after round 1\n"))
      << run.err;
  EXPECT_FALSE(has(run.err, "Insert pagers")) << "no second round";
  for (const int box : {1, 3, 4})
    EXPECT_TRUE(has(run.out, pagerLine(box, box, 8))) << run.out;
  EXPECT_TRUE(has(run.out, "Box 2: Pager 2 of 8 interrupted: 1=2004001")) << run.out;
  const auto list = records();
  ASSERT_EQ(list.size(), 4u);
  for (const PagerRecord& r : list) {
    const bool second = r.station == "line1/box2";
    EXPECT_EQ(r.result == PagerResult::Verified, !second) << r.station;
  }
}

TEST_F(Gang, QAtTheRoundPromptStopsBeforeThatRound) {
  std::vector<std::string> extra{"--count", "4", "--autoinc", "1=1"};
  for (const std::string& arg : devices(2))
    extra.push_back(arg);
  const Outcome run = write(2, extra, "q\n");
  EXPECT_EQ(run.status, 1) << run.err;
  EXPECT_TRUE(
      has(run.err,
          "Insert pagers in boxes 1-2 and press Enter (q to stop)\n\nStopped before round 2.\n"))
      << run.err;
  EXPECT_FALSE(has(run.err, "failed;")) << "a stop is no box's failure";
  EXPECT_EQ(records().size(), 2u);
}

TEST_F(Gang, AWriteMustBeToldWhichOfSeveralBoxesToUse) {
  const std::string two =
      "  sim:usb:1  serial SIM-1  P-2 programmer\n  sim:usb:2  serial SIM-2  P-2 programmer\n";
  const struct {
    std::vector<std::string> extra;
    std::string error;
  } cases[] = {
      {{},
       "capcode write: 2 programmer boxes are present; name the ones to use with --device "
       "PATH|SERIAL:\n" +
           two},
      {{"--device", "SIM-3"},
       "capcode write: --device SIM-3: no programmer box has that path or serial number; "
       "present:\n" +
           two},
      {{"--device", "SIM-1", "--device", "sim:usb:1"},
       "capcode write: --device sim:usb:1: box sim:usb:1 is named twice\n"},
  };
  for (const auto& c : cases) {
    const Outcome run = write(2, c.extra);
    EXPECT_EQ(run.status, 2) << c.error;
    EXPECT_EQ(run.err, c.error);
    EXPECT_FALSE(std::filesystem::exists(ledger)) << "nothing begun: " << c.error;
    EXPECT_EQ(test::fileBytes(folder / "box1.eep"), test::fileBytes(config));
  }
}

TEST_F(Gang, OneNamedBoxOfSeveralIsTheOnlyOneWritten) {
  const Outcome run = write(3, {"--device", "sim:usb:2", "--autoinc", "1=1"});
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_TRUE(has(run.out, "Pager 1 of 1 verified: 1=2004000")) << run.out;
  const auto list = records();
  ASSERT_EQ(list.size(), 1u);
  EXPECT_EQ(list[0].station, "line1") << "one box is a station as before";
}

const std::string kNotAttached =
    "the product string is none of those the program attaches (\"P-1 programmer\", \"P-2 "
    "programmer\", \"P-2+programmer\")";

TEST_F(Gang, DevicesListsTheBoxesAndPorts) {
  const struct {
    std::vector<std::string> args;
    std::string out;
  } cases[] = {
      {{"--json"},
       "{\"usb\":[{\"path\":\"sim:usb:1\",\"serial\":\"SIM-1\",\"product\":\"P-2 "
       "programmer\",\"used\":true,\"not_used_because\":\"\"},{\"path\":\"sim:usb:2\","
       "\"serial\":\"SIM-2\",\"product\":\"P-2 programmer\",\"used\":true,"
       "\"not_used_because\":\"\"}],\"parallel\":[]}\n"},
      {{"--sim-lpt", folder / "port.eep"},
       "USB programmer boxes:\n  sim:usb:1  serial SIM-1  P-2 programmer\n"
       "  sim:usb:2  serial SIM-2  P-2 programmer\nParallel ports:\n  sim:lpt  can be opened\n"},
      // Boxes the program would not attach are listed, with why, their product string as it is.
      {{"--sim-product", "P-3 programmer"},
       "USB programmer boxes:\n  sim:usb:1  serial SIM-1  P-3 programmer  not used: " +
           kNotAttached + "\n  sim:usb:2  serial SIM-2  P-3 programmer  not used: " + kNotAttached +
           "\nParallel ports: none\n"},
      {{"--sim-product", "P-2 programmer\x1B[2J"},
       "USB programmer boxes:\n  sim:usb:1  serial SIM-1  \"P-2 programmer\\u001B[2J\"  not "
       "used: " +
           kNotAttached + "\n  sim:usb:2  serial SIM-2  \"P-2 programmer\\u001B[2J\"  not used: " +
           kNotAttached + "\nParallel ports: none\n"},
      {{"--sim-product", "P-2 programmer\x1B[2J", "--json"},
       "{\"usb\":[{\"path\":\"sim:usb:1\",\"serial\":\"SIM-1\",\"product\":\"P-2 "
       "programmer\\u001B[2J\",\"used\":false,\"not_used_because\":" +
           jsonString(kNotAttached) +
           "},{\"path\":\"sim:usb:2\",\"serial\":\"SIM-2\",\"product\":\"P-2 "
           "programmer\\u001B[2J\",\"used\":false,\"not_used_because\":" +
           jsonString(kNotAttached) + "}],\"parallel\":[]}\n"},
  };
  for (const auto& c : cases) {
    std::vector<std::string> args{"devices"};
    for (const std::string& arg : simulated(2))
      args.push_back(arg);
    args.insert(args.end(), c.args.begin(), c.args.end());
    const Outcome run = capcode(args);
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, c.out);
  }
}

// capcode read names its box as write does: with several present, --device or a refusal.
TEST_F(Gang, ReadNamesItsBoxAsWriteDoes) {
  // Box 2 holds another configuration than box 1, so that its bytes tell the boxes apart.
  const std::string other = folder / "other.eep";
  ASSERT_EQ(capcode({"set", config, "address1=2004800", "-o", other, "--data-dir", kData}).status,
            0);
  const std::string boxList =
      "  sim:usb:1  serial SIM-1  P-2 programmer\n  sim:usb:2  serial SIM-2  P-2 programmer\n";
  const struct {
    int boxes;
    std::vector<std::string> devices;
    int status;
    std::string err;        // a part of standard error; empty for a read
    const char* readsFrom;  // the box image the file must equal
  } cases[] = {
      {2,
       {},
       2,
       "capcode read: 2 programmer boxes are present; name the ones to use with --device "
       "PATH|SERIAL:\n" +
           boxList,
       nullptr},
      {2, {"--device", "SIM-2"}, 0, "", "box2.eep"},
      {2, {"--device", "sim:usb:1"}, 0, "", "box1.eep"},
      {2,
       {"--device", "sim:usb:9"},
       2,
       "capcode read: --device sim:usb:9: no programmer box has that path or serial number; "
       "present:\n" +
           boxList,
       nullptr},
      {2,
       {"--device", "SIM-1", "--device", "SIM-2"},
       2,
       "capcode read: --device: one box is read at a time; give one --device\n",
       nullptr},
      {1, {}, 0, "", "box1.eep"},
  };
  for (const auto& c : cases) {
    const std::string out = folder / "read.eep";
    std::filesystem::remove(out);
    std::vector<std::string> args{"read", out, "--data-dir", kData};
    for (const std::string& arg : simulated(c.boxes))
      args.push_back(arg);
    std::filesystem::copy_file(other, folder / "box2.eep",
                               std::filesystem::copy_options::overwrite_existing);
    args.insert(args.end(), c.devices.begin(), c.devices.end());
    const Outcome run = capcode(args);
    const std::string label = c.devices.empty() ? "no --device" : c.devices.back();
    EXPECT_EQ(run.status, c.status) << label << ": " << run.err;
    if (!c.err.empty()) {
      EXPECT_TRUE(has(run.err, c.err)) << label << ": " << run.err;
    }
    if (c.readsFrom == nullptr) {
      EXPECT_FALSE(std::filesystem::exists(out)) << label << ": nothing read";
      continue;
    }
    ASSERT_TRUE(std::filesystem::exists(out)) << label;
    EXPECT_EQ(test::fileBytes(out), test::fileBytes(folder / c.readsFrom)) << label;
  }
  EXPECT_NE(test::fileBytes(config), test::fileBytes(other));
}

TEST(DeviceReport, PortsThatCannotBeOpenedSayWhyInJson) {
  test::FakePpdev system;
  system.openErrorOf["/dev/parport1"] = EACCES;
  PresentDevices present;
  present.ports = parallelPorts(system, {"/dev/parport0", "/dev/parport1"});
  EXPECT_EQ(
      deviceReport(present, true),
      "{\"usb\":[],\"parallel\":[{\"path\":\"/dev/parport0\",\"usable\":true,\"reason\":\"\"},"
      "{\"path\":\"/dev/parport1\",\"usable\":false,\"reason\":\"Permission denied: add "
      "yourself to the lp group\"}]}\n");
  EXPECT_EQ(deviceReport(present, false),
            "USB programmer boxes: none\nParallel ports:\n  /dev/parport0  can be opened\n"
            "  /dev/parport1  cannot be opened: Permission denied: add yourself to the lp group\n");
}

TEST(GangSpeed, FourBoxesProgramSixteenPagersAtLeastThreeAndAHalfTimesFaster) {
#ifdef CAPCODE_SANITIZED
  GTEST_SKIP() << "timings mean nothing under the sanitizers";
#else
  test::TempFolder folder;
  const double speedup = bench::gangSpeedup(folder.path(), CAPCODE_SOURCE_DATA_DIR);
  ASSERT_GT(speedup, 0) << "a batch failed";
  std::printf("gang_speedup: %.2f\n", speedup);
  EXPECT_GE(speedup, 3.5);
#endif
}

}  // namespace
}  // namespace capcode
