// Whether a configuration's bytes are laid out for a revision, and `capcode write` refusing one
// that is not before anything is written or recorded.

#include "app/clean_decode.hpp"

#include "app/program.hpp"
#include "core/image.hpp"
#include "support/configurations.hpp"

namespace capcode {
namespace {

using test::fileBytes;
using test::has;

class CleanDecode : public test::Configurations {
 protected:
  Image image(const std::string& path) {
    Image bytes{};
    const auto file = fileBytes(path);
    std::copy(file.begin(), file.end(), bytes.begin());
    return bytes;
  }
  DecodeCheck check(const Image& bytes, std::uint8_t revision) {
    return checkDecode(bytes, revision, startupOptionsFor(kData, '.'));
  }
};

TEST_F(CleanDecode, EachLayoutDecodesCleanlyOnlyAtItsOwnRevisions) {
  for (std::uint8_t saved : {kHwA2, kHwA3, kHwB}) {
    const Image bytes = image(settled(saved));
    for (std::uint8_t at : {kHwA2, kHwA3, kHwB}) {
      const bool sameLayout = (at == kHwB) == (saved == kHwB);
      EXPECT_EQ(check(bytes, at).clean(), sameLayout)
          << revisionCaption(saved) << " file at " << revisionCaption(at);
    }
  }
}

TEST_F(CleanDecode, OnlyTheBytesEverySaveRewritesMayDiffer) {
  struct Case {
    std::uint8_t revision;
    std::size_t offset;
    std::uint8_t value;  // xor
    bool clean;
  };
  const Case cases[] = {
      // The channel step is written from the frequency rule's step, never read back.
      {kHwB, 0x029, 0xFF, true},
      {kHwB, 0x02A, 0x01, true},
      {kHwA2, 0x01E, 0xFF, true},
      {kHwA3, 0x01F, 0x01, true},
      // A layout's constant bits: a file saved at that revision holds them.
      {kHwB, 0x020, 0x01, false},   // bits 0-6 written as 2
      {kHwB, 0x000, 0x01, false},   // a record's bits 0-6 written as 6
      {kHwB, 0x026, 0x01, false},   // the complement of 0x025
      {kHwA2, 0x013, 0x80, false},  // bit 7 written as 1
      {kHwA3, 0x012, 0x80, false},  // the enables of rows 7 and 8 do not exist there
      {kHwB, 0x3FF, 0x01, false},   // written as 0
      {kHwA2, 0x185, 0x80, false},  // an unnamed bit, written as 0
  };
  for (const Case& c : cases) {
    Image bytes = image(settled(c.revision));
    bytes[c.offset] ^= c.value;
    const DecodeCheck result = check(bytes, c.revision);
    EXPECT_EQ(result.clean(), c.clean) << revisionCaption(c.revision) << " " << c.offset;
    if (!c.clean) {
      EXPECT_EQ(result.changed, std::vector<std::size_t>{c.offset}) << c.offset;
    }
  }
  // An amplifier never set (0) is read as 3 and saved as 3.
  Image blank = image(settled(kHwB));
  blank[0x269] = 0;
  EXPECT_TRUE(check(blank, kHwB).clean());
}

TEST_F(CleanDecode, AddressRulesRefusingARowMakeItUnclean) {
  // The built-in HW-B image: four enabled rows on one capcode.
  Image bytes = defaultImageB();
  setChecksum(bytes);
  const RevisionCheck result = checkRevisions(bytes, kHwB, startupOptionsFor(kData, '.'));
  EXPECT_FALSE(result.chosen.refused.empty());
  EXPECT_TRUE(has(result.refusal(),
                  "does not decode cleanly at HW-B (the address rules refuse "
                  "address"))
      << result.refusal();
}

TEST_F(CleanDecode, TheRefusalNamesTheRevisionsThatDecodeCleanly) {
  const RevisionCheck result =
      checkRevisions(image(settled(kHwA2)), kHwB, startupOptionsFor(kData, '.'));
  EXPECT_EQ(result.cleanElsewhere, (std::vector<std::uint8_t>{kHwA2, kHwA3}));
  EXPECT_TRUE(has(result.refusal(),
                  "it decodes cleanly at HW-A2 and HW-A3: give --revision A2 or "
                  "--revision A3"))
      << result.refusal();
  const RevisionCheck clean =
      checkRevisions(image(settled(kHwB)), kHwB, startupOptionsFor(kData, '.'));
  EXPECT_TRUE(clean.refusal().empty());
  EXPECT_TRUE(clean.cleanElsewhere.empty()) << "the others are not tried";
}

// `capcode write` at the wrong revision: exit 2, the pager untouched, nothing recorded.
TEST_F(CleanDecode, WriteRefusesAFileThatDoesNotDecodeCleanlyAtItsRevision) {
  const std::string pager = folder / "pager.bin";
  test::writeBytes(pager, fileBytes(settled(kHwB)));
  const auto before = fileBytes(pager);
  const std::string ledger = folder / "ledger.sqlite3";
  const struct {
    std::uint8_t saved;
    std::vector<std::string> revision;
    const char* says;
  } cases[] = {
      {kHwA2, {}, "does not decode cleanly at HW-B"},
      {kHwA3, {"--revision", "B"}, "give --revision A2 or --revision A3"},
      {kHwB, {"--revision", "A2"}, "it decodes cleanly at HW-B: give --revision B"},
  };
  for (const auto& c : cases) {
    std::vector<std::string> args{"write", settled(c.saved), "--sim-usb",
                                  pager,   "--ledger",       ledger};
    args.insert(args.end(), c.revision.begin(), c.revision.end());
    const test::Outcome o = run(args);
    EXPECT_EQ(o.status, 2) << o.err;
    EXPECT_TRUE(has(o.err, c.says)) << o.err;
    EXPECT_TRUE(has(o.err, "nothing was written")) << o.err;
    EXPECT_EQ(fileBytes(pager), before);
    EXPECT_TRUE(fileBytes(ledger).empty()) << "no ledger opened, nothing recorded";
  }
  EXPECT_TRUE(has(run({"write", "--help"}).out, "--revision A2|A3|B"));
}

}  // namespace
}  // namespace capcode
