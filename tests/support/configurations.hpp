#pragma once
// Configuration files in each layout for the tests of show, diff, set and write, made through
// the window's automation: saved at a revision, then opened and saved there once more, so that
// what the first open settles (the channel step, the edition's LCD driver) is settled.

#include <gtest/gtest.h>

#include <map>

#include "app/clean_decode.hpp"
#include "core/image.hpp"
#include "support/run_capcode.hpp"
#include "support/temp_folder.hpp"

namespace capcode::test {

// True when `text` is well-formed UTF-8.
inline bool validUtf8(const std::string& text) {
  for (std::size_t i = 0; i < text.size();) {
    const auto lead = static_cast<unsigned char>(text[i]);
    const std::size_t length = lead < 0x80         ? 1
                               : (lead >> 5) == 6  ? 2
                               : (lead >> 4) == 14 ? 3
                               : (lead >> 3) == 30 ? 4
                                                   : 0;
    if (length == 0 || i + length > text.size()) return false;
    if (length == 2 && lead < 0xC2) return false;  // overlong
    for (std::size_t k = 1; k < length; ++k) {
      if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80) return false;
    }
    i += length;
  }
  return true;
}

class Configurations : public ::testing::Test {
 protected:
  // The automation's clicks on the hidden revision item from HW-B, the start-up's revision.
  static std::string revisionClicks(std::uint8_t revision) {
    std::string clicks;
    for (int i = 0; i < (revision + 1) % 3; ++i)
      clicks += "click switch_model\n";
    return clicks;
  }
  // The start-up configuration saved at `revision` and settled there (one file per revision).
  std::string settled(std::uint8_t revision) {
    if (const auto it = settled_.find(revision); it != settled_.end()) return it->second;
    const std::string first = folder / ("first-" + revisionOptionName(revision) + ".eep");
    const std::string path = folder / ("settled-" + revisionOptionName(revision) + ".eep");
    const Outcome o =
        capcode({"script", "--data-dir", kData}, revisionClicks(revision) + "save " + first +
                                                     "\nopen " + first + "\nsave " + path + "\n");
    EXPECT_EQ(o.status, 0) << o.err;
    settled_[revision] = path;
    return path;
  }
  // `bytes` with their checksum set, saved as `name` in the test's folder.
  std::string withChecksum(std::vector<std::uint8_t> bytes, const std::string& name) {
    Image image{};
    std::copy(bytes.begin(), bytes.end(), image.begin());
    setChecksum(image);
    const std::string path = folder / name;
    writeBytes(path, std::vector<std::uint8_t>(image.begin(), image.end()));
    return path;
  }
  Outcome run(std::vector<std::string> args, const std::string& input = "") {
    args.insert(args.end(), {"--data-dir", kData});
    return capcode(args, input);
  }

  const std::string kData = CAPCODE_SOURCE_DATA_DIR;
  TempFolder folder;

 private:
  std::map<std::uint8_t, std::string> settled_;
};

}  // namespace capcode::test
