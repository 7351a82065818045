// show, diff and set as a technician who keeps configurations in git and scripts meets them:
// values cut or adjusted, files read at the wrong revision, pipes, endless streams, texts that
// are not ASCII, filters, usage errors and refused saves. Each case runs on the three layouts
// where it applies.

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <sstream>
#include <thread>

#include "app/clean_decode.hpp"
#include "configuration/configuration_input.hpp"
#include "support/configurations.hpp"
#include "support/table_rows.hpp"

namespace capcode {
namespace {

using test::fileBytes;
using test::has;
using test::Outcome;

class ConfigurationFaults : public test::Configurations,
                            public ::testing::WithParamInterface<std::uint8_t> {
 protected:
  std::uint8_t revision() const { return GetParam(); }
  std::string option() const { return revisionOptionName(revision()); }
  // `capcode set FILE ARGS... --revision R -o OUT`.
  Outcome set(const std::string& file, std::vector<std::string> args, const std::string& out) {
    args.insert(args.begin(), {"set", file});
    args.insert(args.end(), {"--revision", option(), "-o", out});
    return run(args);
  }
};

INSTANTIATE_TEST_SUITE_P(Layouts, ConfigurationFaults, ::testing::Values(kHwA2, kHwA3, kHwB),
                         [](const auto& info) { return revisionOptionName(info.param); });

// Fault 1: a value longer than its field is refused, naming the control, its limit and the
// value; the file is untouched.
TEST_P(ConfigurationFaults, AValueLongerThanItsFieldIsRefusedNotCut) {
  const std::string file = settled(revision());
  const std::string out = folder / "out.eep";
  const test::TextAndText cases[] = {
      {"address1=12345678", "address1 takes at most 7 characters, not 8: 12345678"},
      {"handprogpws=12345", "handprogpws takes at most 4 characters, not 5: 12345"},
      {"pubboxlength0=100", "pubboxlength0 takes at most 2 characters, not 3: 100"},
      {"hellomsg1=123456789012345678901", "hellomsg1 takes at most 20 characters, not 21"},
      {"tonepatternA=FFFC0", "tonepatternA takes at most 4 characters, not 5: FFFC0"},
      {"frequency=163.000001", "frequency takes at most 9 characters, not 10: 163.000001"},
  };
  for (const auto& [assignment, says] : cases) {
    const Outcome o = set(file, {assignment}, out);
    EXPECT_EQ(o.status, 1) << assignment;
    EXPECT_TRUE(has(o.err, says)) << o.err;
    EXPECT_TRUE(fileBytes(out).empty()) << assignment;
  }
}

// Fault 2: values the file cannot keep, and values the window adjusts on purpose.
TEST_P(ConfigurationFaults, SetReadsTheResultBackAndRefusesWhatTheFileDoesNotKeep) {
  const std::string file = settled(revision());
  const std::string out = folder / "out.eep";
  const bool hwA = revision() != kHwB;
  struct Case {
    const char* assignment;
    const char* says;
  };
  std::vector<Case> cases = {
      {"autoinc1=3", "autoinc1 is not stored in the image"},
      {"autoinc5=8", "autoinc5 is not stored in the image"},
      {"contrast_enable=on", "contrast_enable is not stored in the image"},
      {"frame1=3", "frame1 is read-only in the window"},
      {"maxprivate=61", "maxprivate: the window adjusts \"61\" to \"60\""},
      {"frequency=163.001", "frequency: the window adjusts \"163.001\" to \"163.00000\""},
      {"tonepatternA=A0", "tonepatternA: the window adjusts \"A0\" to \"A0CC\""},
  };
  if (hwA) cases.push_back({"unread_alert=5", "unread_alert: asked \"5\", stored \"0\""});
  for (const Case& c : cases) {
    const Outcome o = set(file, {c.assignment}, out);
    EXPECT_EQ(o.status, 1) << c.assignment;
    EXPECT_TRUE(has(o.err, c.says)) << c.assignment << "\n" << o.err;
    EXPECT_TRUE(fileBytes(out).empty()) << c.assignment;
  }
  // --adjust takes the adjusted values and says so on standard error.
  const Outcome adjusted = set(file, {"maxprivate=61", "tonepatternA=A0", "--adjust"}, out);
  ASSERT_EQ(adjusted.status, 0) << adjusted.err;
  EXPECT_TRUE(has(adjusted.err, "maxprivate: the window adjusts \"61\" to \"60\""));
  EXPECT_TRUE(has(adjusted.err, "tonepatternA: the window adjusts \"A0\" to \"A0CC\""));
  EXPECT_EQ(fileBytes(out)[0x15A], 60);
  EXPECT_EQ(fileBytes(out)[0x030], 0xCC);
  // A value the control already holds changes nothing, whatever the control.
  EXPECT_EQ(set(file, {"autoinc1=0", "frame1=0"}, out).status, 0);
}

// Fault 3: each layout decodes cleanly only at its own revisions; the others are named.
TEST_P(ConfigurationFaults, AFileIsReadOnlyAtARevisionItDecodesCleanlyAt) {
  const std::string file = settled(revision());
  for (std::uint8_t other : {kHwA2, kHwA3, kHwB}) {
    const bool sameLayout = (other == kHwB) == (revision() == kHwB);
    const Outcome o = run({"show", file, "--revision", revisionOptionName(other)});
    EXPECT_EQ(o.status, sameLayout ? 0 : 1) << o.err;
    if (sameLayout) continue;
    EXPECT_TRUE(has(o.err, "does not decode cleanly at " + revisionCaption(other))) << o.err;
    EXPECT_TRUE(has(o.err, "--revision " + option())) << o.err;
    EXPECT_TRUE(o.out.empty());
    const Outcome edit =
        run({"set", file, "maxprivate=30", "--revision", revisionOptionName(other)});
    EXPECT_EQ(edit.status, 1);
    EXPECT_EQ(fileBytes(file), fileBytes(settled(revision()))) << "untouched";
    EXPECT_EQ(run({"diff", file, file, "--revision", revisionOptionName(other)}).status, 2);
  }
}

TEST_P(ConfigurationFaults, SetChangesOnlyTheBytesTheEditsCarry) {
  const std::string file = settled(revision());
  const std::string out = folder / "out.eep";
  const struct {
    std::vector<std::string> edits;
    std::vector<std::size_t> changed;  // besides the checksum
  } cases[] = {
      {{"maxprivate=30"}, {0x15A}},
      {{"alerttime=9"}, {0x268}},
      {{"hellomsg2=HELLO"}, {0x254, 0x255, 0x256, 0x257, 0x258, 0x259, 0x25A, 0x25B, 0x25C}},
  };
  for (const auto& c : cases) {
    const Outcome o = set(file, c.edits, out);
    ASSERT_EQ(o.status, 0) << o.err;
    const auto before = fileBytes(file);
    const auto after = fileBytes(out);
    std::vector<std::size_t> changed;
    for (std::size_t i = 0; i + 1 < after.size(); ++i) {
      if (before[i] != after[i]) changed.push_back(i);
    }
    EXPECT_EQ(changed, c.changed) << c.edits.front();
  }
  // A byte that opening the file rewrites although no edit carries it keeps the file's value.
  std::vector<std::uint8_t> bytes = fileBytes(file);
  bytes[0x066] = 'X';  // the model code, which the edition rule rewrites on every open
  const std::string foreign = withChecksum(bytes, "foreign.eep");
  const Outcome o = set(foreign, {"maxprivate=30"}, out);
  ASSERT_EQ(o.status, 0) << o.err;
  EXPECT_TRUE(has(o.err, "byte 0x066 (model code) kept as the file holds them")) << o.err;
  const std::vector<std::uint8_t> after = fileBytes(out);
  for (std::size_t i = 0; i + 1 < after.size(); ++i)
    EXPECT_EQ(after[i], i == 0x15A ? 30 : bytes[i]) << i;
  // A file saved straight after the revision was switched, never opened at it: neither the
  // edition's LCD driver fix nor the channel step the open works out again is saved.
  const std::string unsettled = folder / "unsettled.eep";
  ASSERT_EQ(run({"script"}, revisionClicks(revision()) + "save " + unsettled + "\n").status, 0);
  ASSERT_EQ(set(unsettled, {"maxprivate=30"}, out).status, 0);
  const std::vector<std::uint8_t> before = fileBytes(unsettled);
  const std::vector<std::uint8_t> edited = fileBytes(out);
  for (std::size_t i = 0; i + 1 < edited.size(); ++i)
    EXPECT_EQ(edited[i], i == 0x15A ? 30 : before[i]) << i;
}

// Faults 4 and 5: pipes and other streams, never a folder, never more than 2049 bytes.
TEST_P(ConfigurationFaults, StreamsAreReadWithABound) {
  const std::string file = settled(revision());
  const std::vector<std::uint8_t> bytes = fileBytes(file);
  const std::string fifo = folder / "pipe";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  std::thread writer([&] {
    const int fd = ::open(fifo.c_str(), O_WRONLY);
    if (fd < 0) return;
    (void)!::write(fd, bytes.data(), bytes.size());
    ::close(fd);
  });
  const Outcome piped = run({"diff", fifo, file, "--revision", option()});
  writer.join();
  EXPECT_EQ(piped.status, 0) << piped.err;

  const std::string big(3000, '\0');
  const struct {
    std::vector<std::string> args;
    std::string input;
    int status;
    const char* says;
  } cases[] = {
      {{"show", "-"}, big, 1, "-: more than 2048 bytes"},
      {{"show", "/dev/zero"}, "", 1, "/dev/zero: more than 2048 bytes"},
      {{"show", folder.path()}, "", 1, "Is a directory"},
      {{"diff", "-", file}, big, 2, "-: more than 2048 bytes"},
      {{"set", "-", "maxprivate=30", "-o", "-"}, big, 1, "-: more than 2048 bytes"},
      {{"show", folder / "missing.eep"}, "", 1, "No such file or directory"},
  };
  for (const auto& c : cases) {
    std::vector<std::string> args = c.args;
    args.insert(args.end(), {"--revision", option()});
    const auto start = std::chrono::steady_clock::now();
    const Outcome o = run(args, c.input);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
    EXPECT_EQ(o.status, c.status) << c.args[1];
    EXPECT_TRUE(has(o.err, c.says)) << o.err;
    EXPECT_TRUE(o.out.empty()) << c.args[1];
  }
}

// Fault 6: texts are UTF-8 on the way out and in; control characters escaped; round trip.
TEST_P(ConfigurationFaults, TextsAreLatin1AsUtf8WithControlCharactersEscaped) {
  const std::string file = settled(revision());
  const std::string out = folder / "out.eep";
  ASSERT_EQ(set(file, {"hellomsg1=Café", R"(hellomsg2="A\u001B[31mB\u009B\u0085")"}, out).status,
            0);
  const std::vector<std::uint8_t> saved = fileBytes(out);
  EXPECT_EQ(std::vector<std::uint8_t>(saved.begin() + 0x240, saved.begin() + 0x245),
            (std::vector<std::uint8_t>{'C', 'a', 'f', 0xE9, ' '}));
  EXPECT_EQ(std::vector<std::uint8_t>(saved.begin() + 0x254, saved.begin() + 0x25C),
            (std::vector<std::uint8_t>{'A', 0x1B, '[', '3', '1', 'm', 'B', 0x9B}));
  const Outcome shown = run({"show", out, "--revision", option()});
  EXPECT_TRUE(test::validUtf8(shown.out));
  EXPECT_TRUE(has(shown.out, "hellomsg1 (hellomsg1): \"Café                \""));
  EXPECT_TRUE(has(shown.out, R"(hellomsg2 (hellomsg2): "A\u001B[31mB\u009B\u0085)")) << shown.out;
  for (char raw : {'\x1B', '\x9B', '\x85'})
    EXPECT_FALSE(has(shown.out, std::string(1, raw)));
  const Outcome diff = run({"diff", file, out, "--revision", option()});
  EXPECT_TRUE(test::validUtf8(diff.out));
  EXPECT_TRUE(has(diff.out, R"(\u001B)")) << diff.out;
  EXPECT_FALSE(has(diff.out, "\x1B"));
  // What show prints, set takes back unchanged.
  const std::string again = folder / "again.eep";
  ASSERT_EQ(set(out,
                {"hellomsg1=\"Café                \"",
                 R"(hellomsg2="A\u001B[31mB\u009B\u0085           ")"},
                again)
                .status,
            0);
  EXPECT_EQ(fileBytes(again), saved);
  // A character with no byte in the pager's set, and a value that is not UTF-8.
  const Outcome euro = set(file, {"hellomsg1=5 €"}, out);
  EXPECT_EQ(euro.status, 1);
  EXPECT_TRUE(has(euro.err, "hellomsg1: the value has the character € (U+20AC)")) << euro.err;
  EXPECT_EQ(set(file, {"hellomsg1=Caf\xE9"}, out).status, 1);
}

// Fault 7: a filter from standard input to standard output.
TEST_P(ConfigurationFaults, SetWorksAsAFilter) {
  const std::string file = settled(revision());
  const std::vector<std::uint8_t> bytes = fileBytes(file);
  const std::string input(bytes.begin(), bytes.end());
  const Outcome o = run({"set", "-", "maxprivate=30", "-o", "-", "--revision", option()}, input);
  ASSERT_EQ(o.status, 0) << o.err;
  ASSERT_EQ(o.out.size(), 2048u);
  EXPECT_EQ(static_cast<std::uint8_t>(o.out[0x15A]), 30);
  EXPECT_TRUE(has(o.err, "File loaded")) << "the status log goes to standard error";
  const Outcome refused =
      run({"set", "-", "address1=12345678", "-o", "-", "--revision", option()}, input);
  EXPECT_EQ(refused.status, 1);
  EXPECT_TRUE(refused.out.empty());
  EXPECT_EQ(run({"set", "-", "maxprivate=30", "--revision", option()}, input).status, 2);
}

// Fault 10: a refused save says the system's reason.
TEST_P(ConfigurationFaults, ARefusedSaveSaysWhy) {
  const std::string file = settled(revision());
  const struct {
    std::string target;
    const char* says;
  } cases[] = {
      {folder / "no-such-folder/out.eep", "No such file or directory"},
      {folder.path(), "not a regular file"},
  };
  for (const auto& c : cases) {
    const Outcome o = set(file, {"maxprivate=30"}, c.target);
    EXPECT_EQ(o.status, 1);
    EXPECT_TRUE(has(o.err, "cannot save " + c.target + ": ")) << o.err;
    EXPECT_TRUE(has(o.err, c.says)) << o.err;
  }
}

// Fault 8: usage errors name the mistake and the nearest right spelling.
TEST(UsageErrors, NameTheUnknownOptionOrCommandAndTheNearestOne) {
  const struct {
    std::vector<std::string> args;
    const char* says;
  } cases[] = {
      {{"--verison"}, "capcode: unknown option --verison; did you mean --version?"},
      {{"shwo", "a.eep"}, "capcode: unknown command shwo; did you mean show?"},
      {{"show", "--jsno", "a.eep"}, "capcode show: unknown option --jsno; did you mean --json?"},
      {{"set", "a.eep", "--revison", "A2", "x=1"},
       "capcode set: unknown option --revison; did you mean --revision?"},
      {{"ledger", "resolv", "1", "verified"},
       "capcode ledger: unknown command resolv; did you mean resolve?"},
      {{"write", "a.eep", "--autoinc=1=1", "--cuont", "2"},
       "capcode write: unknown option --cuont; did you mean --count?"},
      {{"frobnicate"}, "capcode: unknown command frobnicate (capcode --help lists them)"},
  };
  for (const auto& c : cases) {
    const Outcome o = test::capcode(c.args);
    EXPECT_EQ(o.status, 2) << c.says;
    EXPECT_TRUE(has(o.err, c.says)) << o.err;
    EXPECT_FALSE(has(o.err, "A subcommand is required")) << o.err;
  }
}

}  // namespace
}  // namespace capcode
