// capcode identify against simulated pagers and SQLite ledgers: a pager from a capcode list found
// with its line and reference, changed by hand, sharing a capcode with a later pager, unknown,
// damaged or blank; and capcode ledger resolve put-aside / returned with the capcodes going back
// to the order and a resume taking them.

#include <gtest/gtest.h>

#include "ledger/sha256.hpp"
#include "support/production_fixture.hpp"

namespace capcode {
namespace {

using test::capcode;
using test::has;
using test::Outcome;

class Identify : public test::Production {
 protected:
  std::string file(const std::string& name, const std::string& text) {
    const std::string path = folder / name;
    test::writeBytes(path, std::vector<std::uint8_t>(text.begin(), text.end()));
    return path;
  }
  // A list of `count` lines for rows 1 and 2, each with a subscriber: line k + 2 gives row 1
  // 2005000 + 16 k.
  std::string list(int count) {
    std::string text = "row1,row2,subscriber\n";
    for (int k = 0; k < count; ++k) {
      text += std::to_string(2005000 + 16 * k) + "," + std::to_string(2005008 + 16 * k) + ",S" +
              std::to_string(k + 2) + "\n";
    }
    return file("list.csv", text);
  }
  Outcome identify(const std::string& image, std::vector<std::string> extra = {}) {
    std::vector<std::string> args{"identify", "--sim-usb", image, "--data-dir",
                                  kData,      "--ledger",  ledger};
    args.insert(args.end(), extra.begin(), extra.end());
    return capcode(args);
  }
  Outcome resolve(std::int64_t id, const std::string& how) {
    return capcode(
        {"ledger", "--ledger", ledger, "resolve", std::to_string(id), how, "--station", "desk-1"});
  }
  // A pager of its own: a copy of the configuration, then written from `list` line by line.
  std::string newPager(const std::string& name) {
    const std::string path = folder / name;
    std::filesystem::copy_file(config, path);
    return path;
  }
};

TEST_F(Identify, APagerFromAListIsFoundWithItsLineAndReferenceAndNothingChanges) {
  ASSERT_EQ(write({"--capcodes", list(1)}).status, 0);
  const std::vector<std::uint8_t> before = test::fileBytes(pager);
  const Outcome run = identify(pager);
  ASSERT_EQ(run.status, 0) << run.out << run.err;
  EXPECT_TRUE(has(run.out, "pager: 1=2005000 2=2005008 3=2004016 4=2004024 ")) << run.out;
  EXPECT_TRUE(has(run.out, "records, newest first:\n  record 1: ")) << run.out;
  EXPECT_TRUE(has(run.out, ", batch -, " + config +
                               ", line 2 (ref subscriber=S2), verified, "
                               "1=2005000 2=2005008 3=2004016(shared) 4=2004024(shared) "))
      << run.out;
  EXPECT_TRUE(has(run.out,
                  "this pager: record 1, config.eep line 2 (ref subscriber=S2); unchanged "
                  "since: its bytes are exactly what record 1 wrote\n"))
      << run.out;
  EXPECT_TRUE(has(run.out, "capcode ledger resolve 1 put-aside\n")) << run.out;
  EXPECT_TRUE(has(run.out, "capcode ledger resolve 1 returned\n")) << run.out;
  EXPECT_EQ(test::fileBytes(pager), before) << "identify never writes the pager";
  const auto kept = records();
  ASSERT_EQ(kept.size(), 1u);
  EXPECT_EQ(kept[0].settlement, Settlement::None);

  const Outcome json = identify(pager, {"--json"});
  ASSERT_EQ(json.status, 0) << json.err;
  EXPECT_TRUE(has(json.out, "{\"pager\":{\"read\":\"completed\",\"image_sha256\":\"" +
                                sha256Hex(before) +
                                "\",\"addresses\":[{\"row\":1,\"capcode\":2005000,"
                                "\"enabled\":true}"))
      << json.out;
  EXPECT_TRUE(has(json.out, "\n\"written\":1,\"unchanged\":true,")) << json.out;
  EXPECT_TRUE(has(json.out, "\"list_line\":2,\"reference\":\"subscriber=S2\"")) << json.out;
}

TEST_F(Identify, APagerChangedByHandNamesTheControl) {
  ASSERT_EQ(write({"--capcodes", list(1)}).status, 0);
  const Outcome edited =
      capcode({"set", pager, "--data-dir", kData, "address3=2004100", "pubbox4=Sales"});
  ASSERT_EQ(edited.status, 0) << edited.err;
  const Outcome run = identify(pager);
  EXPECT_EQ(run.status, 1) << run.out << run.err;
  EXPECT_TRUE(has(run.out,
                  "this pager: record 1, config.eep line 2 (ref subscriber=S2); changed "
                  "since record 1 wrote it:\n  row 3 (address3): 2004016 -> 2004100\n"
                  "  pubbox4: \"Fdr04Name\" -> \"Sales"))
      << run.out;
  EXPECT_FALSE(has(run.out, "BS2")) << "the settings a write keeps from the pager are not named";
  EXPECT_TRUE(has(run.out, "Its bytes differ from what record 1 wrote")) << run.out;
}

TEST_F(Identify, AChangedPagerWhoseFileChangedTooSaysWhyNoControlIsNamed) {
  ASSERT_EQ(write({"--capcodes", list(1)}).status, 0);
  ASSERT_EQ(capcode({"set", pager, "--data-dir", kData, "address3=2004100"}).status, 0);
  ASSERT_EQ(capcode({"set", config, "--data-dir", kData, "pubbox4=Sales"}).status, 0);
  const Outcome run = identify(pager);
  EXPECT_EQ(run.status, 1);
  EXPECT_TRUE(has(run.out, "changed since record 1 wrote it; its configuration file " + config +
                               " has changed since, so the controls that differ cannot be named\n"))
      << run.out;
}

TEST_F(Identify, ACapcodeProgrammedAgainOntoALaterPagerIsNamed) {
  ASSERT_EQ(write({"--capcodes", list(1)}).status, 0);
  // Another pager given row 1 of this one again, deliberately, with another row 2.
  const std::string other = newPager("other.eep");
  const std::string again = file("again.csv", "row1,row2\n2005000,2006000\n");
  const Outcome reuse = capcode({"write", config, "--sim-usb", other, "--data-dir", kData,
                                 "--ledger", ledger, "--capcodes", again, "--allow-reuse"});
  ASSERT_EQ(reuse.status, 0) << reuse.err;
  const Outcome run = identify(pager);
  EXPECT_EQ(run.status, 1) << run.out << run.err;
  EXPECT_TRUE(has(run.out, "records, newest first:\n  record 2: ")) << run.out;
  EXPECT_TRUE(has(run.out, "this pager: record 1, ")) << run.out;
  EXPECT_TRUE(has(run.out,
                  "shared: capcode 2005000 (row 1) is also on record 2 (row 1), a later "
                  "pager: verified "))
      << run.out;
  EXPECT_TRUE(has(run.out, "A later pager answers to a capcode of this one")) << run.out;
  // The later pager itself is the newest record of its capcodes: nothing later shares them.
  EXPECT_EQ(identify(other).status, 0) << identify(other).out;
}

TEST_F(Identify, UnknownDamagedBlankAndUnreadablePagers) {
  ASSERT_EQ(write({"--capcodes", list(1)}).status, 0);
  const std::string unknown = newPager("unknown.eep");
  std::vector<std::uint8_t> damaged = test::fileBytes(pager);
  damaged[2047] ^= 1;
  const std::string broken = folder / "damaged.eep";
  test::writeBytes(broken, damaged);
  const std::string blank = folder / "blank.eep";
  test::writeBytes(blank, std::vector<std::uint8_t>(2048, 0xFF));

  const struct {
    std::string image;
    std::vector<std::string> extra;
    int status;
    const char* says;
  } cases[] = {
      {unknown, {}, 4, "not in the ledger: no record wrote these capcodes or these bytes\n"},
      {broken,
       {},
       1,
       "pager: damaged (its checksum is wrong); its rows decode as 1=2005000 "
       "2=2005008 3=2004016 4=2004024 "},
      {broken, {}, 1, "changed since record 1 wrote it; its image is damaged, so the controls"},
      {blank, {}, 4, "pager: blank (every byte is 0xFF); nothing on it to recognise\n"},
      {broken, {"--json"}, 1, "{\"pager\":{\"read\":\"damaged\","},
      {blank,
       {"--json"},
       4,
       "{\"pager\":{\"read\":\"blank\",\"image_sha256\":null,\"addresses\":[]},\n"
       "\"written\":null,\"unchanged\":false,\n"
       "\"changed\":{\"named\":false,\"why\":null,\"controls\":[]},\n\"later\":[],\n"
       "\"records\":[],\n\"advice\":[\"Blank: every byte is 0xFF; nothing on it to "
       "recognise.\"]}\n"},
      {pager, {"--sim-fault", "read:1:unplug"}, 1, ""},
  };
  for (const auto& c : cases) {
    const Outcome run = identify(c.image, c.extra);
    EXPECT_EQ(run.status, c.status) << c.image << run.out << run.err;
    EXPECT_TRUE(has(run.out, c.says)) << run.out;
  }
  EXPECT_EQ(test::fileBytes(pager)[2047], damaged[2047] ^ 1) << "nothing was written";
}

TEST_F(Identify, WithSeveralBoxesTheOneToReadIsNamed) {
  ASSERT_EQ(write({"--capcodes", list(1)}).status, 0);
  const std::string unknown = newPager("unknown.eep");
  const struct {
    std::vector<std::string> device;
    int status;
    const char* says;  // on standard error
  } cases[] = {
      {{},
       2,
       "capcode identify: 2 programmer boxes are present; name the ones to use with "
       "--device PATH|SERIAL:\n  sim:usb:1  serial SIM-1"},
      {{"--device", "SIM-1"}, 0, ""},
      {{"--device", "sim:usb:2"}, 4, ""},
      {{"--device", "SIM-9"},
       2,
       "capcode identify: --device SIM-9: no programmer box has that "
       "path or serial number; present:\n"},
  };
  for (const auto& c : cases) {
    std::vector<std::string> extra{"--sim-usb", unknown};
    extra.insert(extra.end(), c.device.begin(), c.device.end());
    const Outcome run = identify(pager, extra);
    EXPECT_EQ(run.status, c.status) << run.out << run.err;
    EXPECT_TRUE(has(run.err, c.says)) << run.err;
  }
}

TEST_F(Identify, ALedgerThatCannotBeReadIsExitThree) {
  const Outcome missing = identify(pager);
  EXPECT_EQ(missing.status, 3);
  EXPECT_TRUE(has(missing.err, "capcode identify: no ledger at " + ledger)) << missing.err;
  file("ledger.sqlite3", std::string(4096, 'x'));
  const Outcome garbage = identify(pager);
  EXPECT_EQ(garbage.status, 3);
  EXPECT_TRUE(has(garbage.err, "not a database")) << garbage.err;
}

TEST_F(Identify, AReturnedPagerGivesItsLineBackAndAResumeTakesIt) {
  const std::string path = list(2);
  ASSERT_EQ(write({"--capcodes", path}, "\n").status, 0);  // lines 2 and 3, the pager holds 3
  const std::string first = newPager("first.eep");
  // The pager of line 3 came back: first put aside, then wiped and returned.
  const Outcome aside = resolve(2, "put-aside");
  ASSERT_EQ(aside.status, 0) << aside.err;
  EXPECT_TRUE(has(aside.out, "record 2: verified, put aside ")) << aside.out;
  EXPECT_TRUE(has(aside.out, "its capcodes stay held: 1=2005016 2=2005024 3=2004016(shared) "))
      << aside.out;
  EXPECT_TRUE(has(aside.out, "8=2004056(shared); no other pager gets them\n")) << aside.out;
  const Outcome refused =
      capcode({"write", config, "--sim-usb", first, "--data-dir", kData, "--ledger", ledger,
               "--capcodes", file("line3.csv", "row1,row2\n2005016,2005024\n")});
  EXPECT_EQ(refused.status, 3);
  EXPECT_TRUE(has(refused.err,
                  "capcode 2005016 of row 1 (individual) is held by a pager put "
                  "aside: ledger record 2, row 1"))
      << refused.err;
  const Outcome held = write({"--capcodes", path, "--resume"});
  EXPECT_EQ(held.status, 0);
  EXPECT_TRUE(has(held.err + held.out, "every line of " + path + " is on a verified pager"))
      << held.err << held.out;

  const Outcome returned = resolve(2, "returned");
  ASSERT_EQ(returned.status, 0) << returned.err;
  EXPECT_TRUE(has(returned.out, "its capcodes are free again: 1=2005016 2=2005024"))
      << returned.out;
  EXPECT_TRUE(has(returned.out,
                  "line 3 of its capcode list is taken again by capcode write "
                  "--capcodes LIST --resume\n"))
      << returned.out;
  const Outcome twice = resolve(2, "returned");
  EXPECT_EQ(twice.status, 3);
  EXPECT_TRUE(has(twice.err, "record 2 was returned at ")) << twice.err;

  // Read before its wipe, the pager still answers to capcodes the ledger has given back.
  const Outcome stale = identify(pager);
  EXPECT_EQ(stale.status, 1);
  EXPECT_TRUE(has(stale.out, "says this pager was returned and wiped, but it still answers"))
      << stale.out;

  const Outcome resumed = capcode({"write", config, "--sim-usb", first, "--data-dir", kData,
                                   "--ledger", ledger, "--capcodes", path, "--resume"});
  ASSERT_EQ(resumed.status, 0) << resumed.err << resumed.out;
  const auto all = records();
  ASSERT_EQ(all.size(), 3u);
  EXPECT_EQ(all[2].listLine, 3) << "the returned line goes to the next pager";
  EXPECT_EQ(all[2].result, PagerResult::Verified);
  EXPECT_EQ(all[1].result, PagerResult::Verified) << "the returned record keeps its result";
  EXPECT_EQ(all[1].settlement, Settlement::Returned);
  EXPECT_TRUE(has(all[1].settledBy, " on desk-1 (")) << all[1].settledBy;
  EXPECT_FALSE(all[1].settledAt.empty());

  // Every pager that carried row 1 of line 3, newest first, in every listing form.
  const Outcome table = capcode({"ledger", "--ledger", ledger, "--capcode", "2005016"});
  ASSERT_EQ(table.status, 0) << table.err;
  const std::size_t newer = table.out.find("\n3 ");
  const std::size_t older = table.out.find("\n2 ");
  EXPECT_TRUE(newer != std::string::npos && older != std::string::npos && newer < older)
      << table.out;
  EXPECT_FALSE(has(table.out, "\n1 ")) << table.out;
  EXPECT_TRUE(has(table.out, "  [returned ")) << table.out;
  const Outcome csv = capcode({"ledger", "--ledger", ledger, "--capcode", "2005016", "--csv"});
  EXPECT_TRUE(has(csv.out, ",returned,")) << csv.out;
  const Outcome json = capcode({"ledger", "--ledger", ledger, "--capcode", "2005016", "--json"});
  EXPECT_TRUE(has(json.out, "[\n  {\"id\":3,")) << json.out;
  EXPECT_TRUE(has(json.out, "\"settlement\":\"returned\",")) << json.out;
  EXPECT_TRUE(has(json.out, "\"keeps_capcodes\":false}")) << json.out;
}

TEST_F(Identify, ASettlementTheRecordCannotTakeIsRefused) {
  const std::string path = list(1);
  ASSERT_EQ(write({"--capcodes", path}).status, 0);
  const struct {
    std::string id;
    std::string how;
    int status;
    const char* says;
  } cases[] = {
      {"9", "returned", 3, "no record 9"},
      {"1", "lost", 2, "lost"},
      {"1", "put-aside", 0, ""},
      {"1", "put-aside", 3, "record 1 was put aside at "},
  };
  for (const auto& c : cases) {
    const Outcome run = capcode({"ledger", "--ledger", ledger, "resolve", c.id, c.how});
    EXPECT_EQ(run.status, c.status) << c.id << " " << c.how << run.err;
    EXPECT_TRUE(has(run.err, c.says)) << run.err;
  }
}

// The window's RD_From_Pager with a ledger: one log line says what the ledger knows.
TEST_F(Identify, TheWindowsReadSaysWhatTheLedgerKnows) {
  ASSERT_EQ(write({"--capcodes", list(1)}).status, 0);
  const std::string unknown = newPager("unknown.eep");
  const struct {
    std::string image;
    const char* line;
  } cases[] = {
      {pager, " on station "},
      {pager, ", config.eep line 2 (ref subscriber=S2); unchanged since\n"},
      {unknown, "log: Ledger: this pager is not in the ledger (1=2004000 2=2004008 3=2004016 "},
  };
  for (const auto& c : cases) {
    const Outcome run = capcode(
        {"script", "--sim-usb", c.image, "--data-dir", kData, "--ledger", ledger}, "read\n");
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_TRUE(has(run.out, "log: Read completed\nlog: Ledger: ")) << run.out;
    EXPECT_TRUE(has(run.out, c.line)) << run.out;
  }
}

}  // namespace
}  // namespace capcode
