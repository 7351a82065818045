#include "core/config_file.hpp"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "core/file_io.hpp"
#include "support/temp_folder.hpp"

namespace capcode {
namespace {

namespace fs = std::filesystem;
using test::fileBytes;
using test::writeBytes;

TEST(AtomicWrite, AFullDiskLeavesTheOldFile) {
  if (!fs::exists("/dev/full")) GTEST_SKIP();
  // /dev/full is no regular file: refused before anything is written.
  EXPECT_EQ(writeFileAtomically("/dev/full", std::vector<std::uint8_t>(2048)),
            "not a regular file");
}

TEST(AtomicWrite, LinksStayLinksAndPermissionsStay) {
  const std::string dir = ::testing::TempDir() + "capcode_atomic";
  fs::remove_all(dir);
  fs::create_directories(dir);
  writeBytes(dir + "/target.eep", {1, 2, 3});
  ::chmod((dir + "/target.eep").c_str(), 0640);
  fs::create_symlink("target.eep", dir + "/link.eep");
  EXPECT_EQ(writeFileAtomically(dir + "/link.eep", {9, 8}), "");
  EXPECT_TRUE(fs::is_symlink(dir + "/link.eep"));
  EXPECT_EQ(fileBytes(dir + "/target.eep"), (std::vector<std::uint8_t>{9, 8}));
  EXPECT_EQ(fs::status(dir + "/target.eep").permissions() & fs::perms::all,
            fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
  // No temporary files are left behind.
  int entries = 0;
  for ([[maybe_unused]] const auto& e : fs::directory_iterator(dir))
    ++entries;
  EXPECT_EQ(entries, 2);
  fs::remove_all(dir);
}

}  // namespace
}  // namespace capcode