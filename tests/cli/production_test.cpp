// capcode read, write and ledger end to end against the simulated programmer box, in-process
// with injected streams: exit statuses, the lines printed, the ledger and the pager's bytes.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <set>
#include <sstream>
#include <thread>

#include "cli/commands.hpp"
#include "core/image.hpp"
#include "ledger/sqlite_ledger.hpp"
#include "support/production_fixture.hpp"
#include "support/run_capcode.hpp"
#include "support/startup_configuration.hpp"
#include "support/temp_folder.hpp"

extern char** environ;

namespace capcode {
namespace {

using test::capcode;
using test::fileBytes;
using test::has;
using test::Outcome;
using test::TempFolder;

int countOf(const std::string& text, const std::string& part) {
  int n = 0;
  for (auto at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
    ++n;
  return n;
}

using test::Production;

TEST_F(Production, ABatchOfFiveAdvancesAndRecordsFiveDistinctPagers) {
  const Outcome run = write({"--count", "5", "--autoinc", "1=1", "--autoinc", "2=1"}, "\n\n\n\n");
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(countOf(run.out, "Verify OK !\n"), 5);
  EXPECT_TRUE(has(run.out, "Pager 1 of 5 verified: 1=2004000 2=2004008 3=2004016"));
  EXPECT_TRUE(has(run.out, "Pager 5 of 5 verified: 1=2004004 2=2004012 3=2004016"));
  EXPECT_EQ(countOf(run.err, "Insert pager "), 4);
  EXPECT_TRUE(has(run.err, "Insert pager 2 of 5 and press Enter (q to stop)\n"));

  const auto list = records();
  ASSERT_EQ(list.size(), 5u);
  std::set<std::int32_t> individual;
  for (const PagerRecord& r : list) {
    EXPECT_EQ(r.result, PagerResult::Verified);
    EXPECT_EQ(r.configPath, config);
    EXPECT_EQ(r.imageSha256.size(), 64u);
    ASSERT_EQ(r.addresses.size(), 8u);
    EXPECT_EQ(r.addresses[0].role, AddressRole::Individual);
    EXPECT_EQ(r.addresses[2].role, AddressRole::Shared);
    EXPECT_EQ(r.addresses[2].capcode, 2004016);
    individual.insert(r.addresses[0].capcode);
    individual.insert(r.addresses[1].capcode);
  }
  EXPECT_EQ(individual.size(), 10u);

  const Outcome listed = capcode({"ledger", "--ledger", ledger});
  EXPECT_EQ(listed.status, 0);
  EXPECT_EQ(countOf(listed.out, " verified "), 5);
  const Outcome csv = capcode({"ledger", "--ledger", ledger, "--csv"});
  EXPECT_EQ(countOf(csv.out, "\r\n"), 6) << "a header and five pagers";
  EXPECT_TRUE(has(csv.out, ",verified," + config + ","));
}

TEST_F(Production, SameCapcodesOnEveryPagerNeedsToBeAskedFor) {
  const auto before = fileBytes(pager);
  const Outcome run = write({"--count", "3"}, "\n\n");
  expectRefusedBeforeAnyPager(run, 2,
                              "every pager would get the same capcodes; give --autoinc ROW=STEP, "
                              "or --same-capcodes if that is what you want",
                              before);

  const Outcome shared = write({"--count", "2", "--same-capcodes"}, "\n");
  EXPECT_EQ(shared.status, 0) << shared.err;
  EXPECT_EQ(countOf(shared.out, " verified: 1=2004000 2=2004008"), 2);
}

TEST_F(Production, AFaultAtPagerThreeStopsTheBatchAndIsRecorded) {
  // 64 write reports a pager: the 129th is pager 3's first.
  const Outcome run =
      write({"--count", "5", "--autoinc", "1=1", "--sim-fault", "write:129:C"}, "\n\n\n\n");
  EXPECT_EQ(run.status, 1);
  // Pager 3's first write report was sent: the pager may hold part of its image.
  EXPECT_TRUE(has(run.out, "Pager 3 of 5 interrupted: 1=2004002"));
  EXPECT_FALSE(has(run.out, "Pager 4 of 5"));
  EXPECT_FALSE(has(run.err, "Insert pager 4 of 5"));
  const auto list = records();
  ASSERT_EQ(list.size(), 3u);
  EXPECT_EQ(list[2].result, PagerResult::Interrupted);
  EXPECT_FALSE(list[2].finished.empty());
}

// A write that reached the pager keeps its capcodes whatever ended it; "not written" and "no
// device" only when nothing of the write was sent. The next write of the same capcodes is
// refused exactly when the faulty one keeps them.
TEST_F(Production, AWriteThatReachedThePagerKeepsItsCapcodes) {
  const struct {
    const char* link;
    const char* fault;
    const char* result;
    bool keeps;
  } cases[] = {
      {"--sim-usb", "write:40:unplug", "interrupted", true},
      {"--sim-usb", "write:1:C", "interrupted", true},
      {"--sim-usb", "write:64:silent", "interrupted", true},
      {"--sim-usb", "read:100:D", "verify failed", true},
      {"--sim-usb", "read:128:silent", "verify failed", true},
      {"--sim-usb", "read:10:D", "no device", false},
      {"--sim-lpt", "nak:1", "no device", false},
      {"--sim-lpt", "nak:4", "not written", false},
      {"--sim-lpt", "nak:6", "not written", false},
      {"--sim-lpt", "nak:7", "interrupted", true},
      {"--sim-lpt", "nak:1000", "interrupted", true},
      {"--sim-lpt", "nak:2308", "verify failed", true},
  };
  int n = 0;
  for (const auto& c : cases) {
    const std::string l = folder / ("case" + std::to_string(++n) + ".sqlite3");
    std::filesystem::copy_file(config, folder / "p.eep",
                               std::filesystem::copy_options::overwrite_existing);
    const Outcome run = capcode({"write", config, c.link, folder / "p.eep", "--sim-fault", c.fault,
                                 "--data-dir", kData, "--ledger", l, "--autoinc", "1=1"});
    EXPECT_EQ(run.status, 1) << c.fault << run.err;
    EXPECT_TRUE(has(run.out, std::string("Pager 1 of 1 ") + c.result + ": 1=2004000"))
        << c.fault << "\n"
        << run.out;
    const auto list = openSqliteLedger(l, LedgerOpen::ExistingOnly)->list("");
    ASSERT_EQ(list.size(), 1u) << c.fault;
    EXPECT_EQ(resultName(list[0].result), c.result) << c.fault;
    EXPECT_EQ(holdsCapcodes(list[0].result), c.keeps) << c.fault;
    const Outcome again = capcode({"write", config, "--sim-usb", pager, "--data-dir", kData,
                                   "--ledger", l, "--autoinc", "1=1"});
    EXPECT_EQ(again.status, c.keeps ? 3 : 0) << c.fault << again.err;
    if (c.keeps) {
      EXPECT_TRUE(has(again.err, "is already on a pager whose write ended \"" +
                                     std::string(c.result) + "\": ledger record 1"))
          << again.err;
    }
  }
}

// After a kill mid-write the record is unfinished: the refusal says so, when and where, and
// points to settling it, never to programming the capcodes again.
TEST_F(Production, AnUnfinishedRecordIsNamedAndPointsToResolve) {
  {
    auto l = openSqliteLedger(ledger);
    PagerRecord dying;
    dying.host = dying.station = "bench-7";
    dying.configPath = config;
    dying.configSha256 = "x";
    dying.started = "2026-12-09T10:01:02.345Z";
    dying.addresses = {{1, 2004000, true, AddressRole::Individual}};
    ASSERT_FALSE(l->beginAttempt(dying, false));
  }
  const auto before = fileBytes(pager);
  const Outcome run = write({"--autoinc", "1=1"});
  EXPECT_EQ(run.status, 3);
  EXPECT_TRUE(has(run.err,
                  "capcode write: pager 1 of 1: capcode 2004000 of row 1 (individual) is held by "
                  "an unfinished record: ledger record 1, row 1 (individual), unfinished since "
                  "2026-12-09T10:01:02.345Z on station bench-7; check that pager, then settle "
                  "the record with capcode ledger resolve 1 verified|not-written; nothing was "
                  "written\n"))
      << run.err;
  EXPECT_FALSE(has(run.err, "--allow-reuse"));
  EXPECT_EQ(countOf(run.err, "\n"), 1) << "one line";
  EXPECT_EQ(fileBytes(pager), before);
}

// The automation records the window's writes only when given a ledger; its questions are
// answered with answer button.
TEST_F(Production, AScriptRecordsWritesOnlyWithALedger) {
  ::setenv("XDG_DATA_HOME", folder.path().c_str(), 1);
  const std::string twice =
      "pick autoinc1 1\nleave autoinc1\nwrite\nset address1 2004000\n"
      "leave address1\nwrite\n";
  const Outcome none = capcode({"script", "--data-dir", kData, "--sim-usb", pager}, twice);
  EXPECT_EQ(none.status, 0) << none.err;
  EXPECT_EQ(countOf(none.out, "log: Verify OK !\n"), 2);
  EXPECT_FALSE(std::filesystem::exists(folder / "capcode")) << "no ledger by default";

  const Outcome run = capcode(
      {"script", "--data-dir", kData, "--sim-usb", pager, "--ledger", ledger, "--station", "s1"},
      twice + "answer button Program again\nwrite\n");
  EXPECT_EQ(run.status, 0) << run.err;
  const auto list = records();
  ASSERT_EQ(list.size(), 2u);
  EXPECT_TRUE(has(run.out,
                  "log: Ledger: capcode 2004000 of row 1 is already on a verified pager, "
                  "written " +
                      localTimeText(list[0].started) + " on station s1 (record 1)\nbeep\nask: "))
      << run.out;
  EXPECT_TRUE(has(run.out, "Program it again only for a returned pager.\nanswer: Cancel\n"));
  EXPECT_TRUE(has(run.out, "answer: Program again\nprogress: show"));
  EXPECT_EQ(countOf(run.out, "log: Verify OK !\n"), 2);
  EXPECT_EQ(list[1].result, PagerResult::Verified);
  EXPECT_EQ(list[1].addresses[0].capcode, 2004000);

  test::writeBytes(folder / "bad.sqlite3", std::vector<std::uint8_t>(4096, 'x'));
  const Outcome bad = capcode(
      {"script", "--data-dir", kData, "--sim-usb", pager, "--ledger", folder / "bad.sqlite3"},
      "write\n");
  EXPECT_EQ(bad.status, 0);
  EXPECT_TRUE(has(bad.out, "warning: The pager was not written: the ledger cannot record it"))
      << bad.out;
  EXPECT_FALSE(has(bad.out, "Write to Pager..."));
  EXPECT_EQ(capcode({"script", "--station", "x"}).status, 2) << "--station needs --ledger";
}

TEST_F(Production, ASecondBatchThatCollidesIsRefusedBeforeAnythingIsWritten) {
  ASSERT_EQ(write({"--count", "3", "--autoinc", "1=1"}, "\n\n").status, 0);
  const auto before = fileBytes(pager);
  // Starting two capcodes later: pager 1 is new, pager 2 is the first batch's pager 3.
  const std::string shifted = folder / "shifted.eep";
  ASSERT_EQ(
      capcode({"script", "--data-dir", kData},
              "open " + config + "\nset address1 2004001\nleave address1\nsave " + shifted + "\n")
          .status,
      0);
  const Outcome run = capcode({"write", shifted, "--count", "3", "--autoinc", "1=1", "--sim-usb",
                               pager, "--data-dir", kData, "--ledger", ledger},
                              "\n\n");
  expectRefusedBeforeAnyPager(run, 3,
                              "pager 1 of 3: capcode 2004001 of row 1 (individual) is already on "
                              "a verified pager: ledger record 2, row 1 (individual)",
                              before);
  EXPECT_EQ(records().size(), 3u);

  const Outcome reuse = capcode({"write", shifted, "--autoinc", "1=1", "--allow-reuse", "--sim-usb",
                                 pager, "--data-dir", kData, "--ledger", ledger});
  EXPECT_EQ(reuse.status, 0) << reuse.err;
}

TEST_F(Production, ResumeContinuesAfterTheLastVerifiedPager) {
  ASSERT_EQ(write({"--count", "2", "--autoinc", "1=1", "--autoinc", "3=2"}, "\n").status, 0);
  const Outcome run =
      write({"--count", "2", "--autoinc", "1=1", "--autoinc", "3=2", "--resume"}, "\n");
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_TRUE(has(run.err, "resuming after ledger record 2"));
  EXPECT_TRUE(has(run.out, "Pager 1 of 2 verified: 1=2004002 2=2004008 3=2004020"));
  EXPECT_TRUE(has(run.out, "Pager 2 of 2 verified: 1=2004003 2=2004008 3=2004022"));
  EXPECT_EQ(records().size(), 4u);

  const Outcome other = capcode(
      {"write", pager, "--resume", "--sim-usb", pager, "--data-dir", kData, "--ledger", ledger});
  EXPECT_EQ(other.status, 1);
  EXPECT_TRUE(has(other.err, "no verified pager written from"));
}

TEST_F(Production, RecoverProgramsABlankPager) {
  test::writeBytes(pager, std::vector<std::uint8_t>(kImageSize, 0xFF));
  const Outcome refused = write({});
  EXPECT_EQ(refused.status, 1);
  EXPECT_TRUE(has(refused.out, "Pager Read error, please check the connection.\n"));
  EXPECT_TRUE(has(refused.err, "--recover CHIP"));
  EXPECT_EQ(fileBytes(pager), std::vector<std::uint8_t>(kImageSize, 0xFF));
  ASSERT_EQ(records().size(), 1u);
  EXPECT_EQ(records()[0].result, PagerResult::NotWritten);

  const Outcome run = write({"--recover", "FS8108"});
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_TRUE(has(run.out, "Verify OK !"));
  const auto bytes = fileBytes(pager);
  ASSERT_EQ(bytes.size(), kImageSize);
  Image image;
  std::copy(bytes.begin(), bytes.end(), image.begin());
  EXPECT_TRUE(checksumValid(image));
}

TEST_F(Production, AnAdvanceTheRulesRefuseStopsTheBatchBeforeItStarts) {
  const std::string top = folder / "top.eep";
  ASSERT_EQ(capcode({"script", "--data-dir", kData},
                    "set address1 2097142\nleave address1\nsave " + top + "\n")
                .status,
            0);
  const auto before = fileBytes(pager);
  const Outcome run = capcode({"write", top, "--count", "3", "--autoinc", "1=1", "--sim-usb", pager,
                               "--data-dir", kData, "--ledger", ledger},
                              "\n\n");
  EXPECT_EQ(run.status, 1);
  EXPECT_TRUE(has(run.err,
                  "pager 3 of 3 could not be given capcodes (row 1): Address [1] range "
                  "out, should be within 8-2007663; 2007672-2045055; 2045064-2097143"));
  EXPECT_EQ(fileBytes(pager), before);

  // A step that runs into another row of the same pager.
  const Outcome clash = write({"--count", "2", "--autoinc", "1=8"}, "\n");
  EXPECT_EQ(clash.status, 1);
  EXPECT_TRUE(has(clash.err,
                  "pager 2 of 2 could not be given capcodes (row 1): Same capcode "
                  "address not allowed "));
}

TEST_F(Production, StoppingAtThePromptEndsTheBatch) {
  const Outcome run = write({"--count", "3", "--autoinc", "1=1"}, "q\n");
  EXPECT_EQ(run.status, 1);
  EXPECT_TRUE(has(run.err, "Stopped before pager 2 of 3."));
  EXPECT_EQ(records().size(), 1u);
}

TEST_F(Production, ALedgerThatCannotRecordProgramsNothing) {
  const auto before = fileBytes(pager);
  test::writeBytes(ledger, std::vector<std::uint8_t>(4096, 'x'));
  const Outcome garbage = write({});
  EXPECT_EQ(garbage.status, 3);
  EXPECT_TRUE(has(garbage.err, "no pager is programmed without its record"));
  const Outcome nowhere = capcode({"write", config, "--sim-usb", pager, "--data-dir", kData,
                                   "--ledger", "/dev/null/ledger.sqlite3"});
  EXPECT_EQ(nowhere.status, 3);
  EXPECT_EQ(fileBytes(pager), before);
}

TEST_F(Production, TheDefaultLedgerIsInTheUsersDataFolder) {
  ::setenv("XDG_DATA_HOME", folder.path().c_str(), 1);
  const Outcome run = capcode({"write", config, "--sim-usb", pager, "--data-dir", kData});
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(openSqliteLedger(folder / "capcode/ledger.sqlite3", LedgerOpen::ExistingOnly)
                ->list("")
                .size(),
            1u);
  EXPECT_EQ(
      capcode({"write", config, "--sim-usb", pager, "--data-dir", kData, "--no-ledger"}).status, 0);
}

TEST_F(Production, ConfigurationsThatCannotBeUsedAreNamed) {
  const std::string shortFile = folder / "short.eep";
  test::writeBytes(shortFile, std::vector<std::uint8_t>(100, 0));
  const struct {
    std::string file;
    const char* log;
  } cases[] = {{folder / "missing.eep", "Load file error\n"}, {shortFile, "File checksum error\n"}};
  for (const auto& c : cases) {
    const Outcome run =
        capcode({"write", c.file, "--sim-usb", pager, "--data-dir", kData, "--ledger", ledger});
    EXPECT_EQ(run.status, 1) << c.file;
    EXPECT_TRUE(has(run.out, c.log)) << run.out;
    EXPECT_TRUE(has(run.err, c.file)) << run.err;
  }
}

TEST_F(Production, ReadSavesExactlyThePagersBytesAndTheFileOpens) {
  const std::string out = folder / "out.eep";
  const Outcome run = capcode({"read", out, "--sim-usb", pager, "--data-dir", kData});
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_TRUE(has(run.out, "Read completed\nSaved to " + out + "\n"));
  EXPECT_EQ(fileBytes(out), fileBytes(pager));
  const Outcome opened = capcode({"script", "--data-dir", kData}, "open " + out + "\n");
  EXPECT_TRUE(has(opened.out, "log: File loaded\n")) << opened.out;
  EXPECT_EQ(capcode({"write", out, "--sim-usb", pager, "--data-dir", kData, "--no-ledger"}).status,
            0);

  const Outcome toStdout = capcode({"read", "-", "--sim-usb", pager, "--data-dir", kData});
  EXPECT_EQ(toStdout.status, 0);
  EXPECT_EQ(std::vector<std::uint8_t>(toStdout.out.begin(), toStdout.out.end()), fileBytes(pager));
  EXPECT_TRUE(has(toStdout.err, "Read completed"));
}

TEST_F(Production, ADamagedPagerIsSavedOnlyWhenAskedForRaw) {
  std::vector<std::uint8_t> damaged = fileBytes(pager);
  damaged[0x7FF] ^= 1;
  test::writeBytes(pager, damaged);
  const std::string out = folder / "out.eep";
  const Outcome plain = capcode({"read", out, "--sim-usb", pager, "--data-dir", kData});
  EXPECT_EQ(plain.status, 1);
  EXPECT_TRUE(has(plain.out, "Pager Read error, please check the connection.\n"));
  EXPECT_FALSE(std::filesystem::exists(out));
  const Outcome raw = capcode({"read", out, "--raw", "--sim-usb", pager, "--data-dir", kData});
  EXPECT_EQ(raw.status, 1);
  EXPECT_EQ(fileBytes(out), damaged);
  const Outcome none = capcode({"read", out + "2", "--raw", "--sim-usb", pager, "--sim-fault",
                                "nochip", "--data-dir", kData});
  EXPECT_EQ(none.status, 1);
  EXPECT_TRUE(has(none.out, "Device not exist, please check the connection.\n"));
  EXPECT_FALSE(std::filesystem::exists(out + "2"));
}

TEST_F(Production, NothingWaitsOnAFileThatIsNotAFile) {
  const std::string fifo = folder / "fifo.eep";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  const auto before = std::chrono::steady_clock::now();
  const Outcome write =
      capcode({"write", fifo, "--sim-usb", pager, "--data-dir", kData, "--no-ledger"});
  EXPECT_LT(std::chrono::steady_clock::now() - before, std::chrono::seconds(5))
      << "a write refuses a FIFO at once";
  EXPECT_EQ(write.status, 1);
  EXPECT_TRUE(has(write.out, "Load file error\n"));
  EXPECT_EQ(capcode({"read", folder / "out.eep", "--sim-usb", fifo, "--data-dir", kData}).status,
            2);
  const Outcome script = capcode({"script", fifo});
  EXPECT_EQ(script.status, 1);
  EXPECT_TRUE(has(script.err, "not a regular file"));
  EXPECT_EQ(capcode({"script", folder.path()}).status, 1) << "a folder is no command file";
  const Outcome load = capcode({"script", "--bare"}, "image load " + fifo + "\nimage save " + fifo +
                                                         "\nopen " + fifo + "\n");
  EXPECT_EQ(load.status, 2);
  EXPECT_TRUE(has(load.err, "line 1: cannot open"));
  const Outcome open = capcode({"script", "--data-dir", kData}, "open " + fifo + "\n");
  EXPECT_TRUE(has(open.out, "log: Load file error\nbeep\n")) << open.out;

  // A FIFO where the language library is looked for first, with nowhere else to look.
  const auto cwd = std::filesystem::current_path();
  std::filesystem::current_path(folder.path());
  ASSERT_EQ(::mkfifo("EngStrHWB.lib", 0600), 0);
  const Outcome startup = capcode({"script", "--data-dir", folder / "none"}, "");
  std::filesystem::current_path(cwd);
  EXPECT_EQ(startup.status, 0);
  EXPECT_TRUE(has(startup.out, "log: Language file error\n")) << startup.out;
}

TEST(CommandLine, UsageErrorsExitTwoWithAMessage) {
  const std::vector<std::vector<std::string>> cases = {
      {},
      {"frobnicate"},
      {"write"},
      {"write", "c.eep", "--count", "0"},
      {"write", "c.eep", "--count", "3x"},
      {"write", "c.eep", "--count", "99999999999"},
      {"write", "c.eep", "--autoinc", "9=1"},
      {"write", "c.eep", "--autoinc", "1=9"},
      {"write", "c.eep", "--autoinc", "1"},
      {"write", "c.eep", "--autoinc", "1=1", "--autoinc", "1=2"},
      {"write", "c.eep", "--autoinc", "5=1"},
      {"write", "c.eep", "--recover", "XY1234"},
      {"write", "c.eep", "--ledger", "l", "--no-ledger"},
      {"write", "c.eep", "--resume", "--no-ledger"},
      {"write", "c.eep", "--sim-fault", "write:0:C"},
      {"read"},
      {"read", "a", "b"},
      {"ledger", "--since", "yesterday"},
      {"script", "--decimal-mark", ";"},
      // A fault the chosen simulation cannot show would make a test that tests nothing.
      {"read", "x.eep", "--sim-lpt", "p.eep", "--sim-fault", "flip:3"},
      {"read", "x.eep", "--sim-lpt", "p.eep", "--sim-fault", "write:3:C"},
      {"read", "x.eep", "--sim-usb", "p.eep", "--sim-fault", "nak:3"},
      {"read", "x.eep", "--sim-fault", "nochip"},
      {"read", "x.eep", "--sim-usb", "p.eep", "--sim-fault", "nak:99999999999"},
  };
  for (const auto& args : cases) {
    const Outcome run = capcode(args);
    std::string joined;
    for (const auto& a : args)
      joined += a + " ";
    EXPECT_EQ(run.status, 2) << joined << run.err;
    EXPECT_FALSE(run.err.empty()) << joined;
    EXPECT_TRUE(run.out.empty()) << joined;
  }
}

TEST(CommandLine, AHugeImageRangeIsAScriptError) {
  for (const char* line : {"image 2000 9223372036854775807", "image 0 99999999999999999999999",
                           "image 9223372036854775807 2"}) {
    const Outcome run = capcode({"script", "--bare"}, std::string("get address1\n") + line + "\n");
    EXPECT_EQ(run.status, 2) << line;
    EXPECT_TRUE(has(run.err, "line 2: ")) << run.err;
  }
}

TEST(CommandLine, EveryCommandHasHelp) {
  for (const char* command : {"script", "read", "write", "ledger"}) {
    const Outcome run = capcode({command, "--help"});
    EXPECT_EQ(run.status, 0) << command;
    EXPECT_TRUE(has(run.out, std::string("Usage: capcode ") + command)) << run.out;
  }
  EXPECT_TRUE(has(capcode({"write", "--help"}).out, "3 refused by the ledger"));
  EXPECT_TRUE(has(capcode({"--help"}).out, "ledger"));
}

// The real tool, killed while the box does not answer (a box that keeps real time): the pager's
// record stays started.
TEST(ProductionProcess, AKilledWriteLeavesAStartedRecord) {
  TempFolder folder;
  const std::string data = CAPCODE_SOURCE_DATA_DIR;
  const std::string config = folder / "config.eep";
  ASSERT_TRUE(test::saveStartup(config));
  const std::string ledger = folder / "ledger.sqlite3";
  std::vector<std::string> args{CAPCODE_TOOL,
                                "write",
                                config,
                                "--sim-usb",
                                config,
                                "--data-dir",
                                data,
                                "--ledger",
                                ledger,
                                "--sim-fault",
                                "write:10:silent",
                                "--sim-report-ms",
                                "1"};
  std::vector<char*> argv;
  for (auto& a : args)
    argv.push_back(a.data());
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  pid_t child = 0;
  ASSERT_EQ(posix_spawn(&child, CAPCODE_TOOL, &actions, nullptr, argv.data(), environ), 0);
  posix_spawn_file_actions_destroy(&actions);
  std::vector<PagerRecord> list;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (list.empty() && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
    try {
      list = openSqliteLedger(ledger, LedgerOpen::ExistingOnly)->list("");
    } catch (const LedgerError&) {
    }
  }
  ::kill(child, SIGKILL);
  int status = 0;
  ::waitpid(child, &status, 0);
  ASSERT_TRUE(WIFSIGNALED(status)) << "the write ended before it was killed";
  list = openSqliteLedger(ledger, LedgerOpen::ExistingOnly)->list("");
  ASSERT_EQ(list.size(), 1u);
  EXPECT_EQ(list[0].result, PagerResult::Started);
  EXPECT_TRUE(list[0].finished.empty());
  const Outcome listed = capcode({"ledger", "--ledger", ledger});
  EXPECT_TRUE(has(listed.out, " started ")) << listed.out;
}

}  // namespace
}  // namespace capcode
