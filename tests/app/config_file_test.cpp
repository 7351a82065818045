// Configuration files through the window: File > Open and File > Save.

#include "core/config_file.hpp"

#include <sys/resource.h>
#include <sys/stat.h>

#include <csignal>
#include <filesystem>
#include <fstream>

#include "core/file_io.hpp"
#include "support/started_window.hpp"
#include "support/temp_folder.hpp"

namespace capcode {
namespace {

using testing::Lines;
namespace fs = std::filesystem;

using test::fileBytes;
using test::writeBytes;

class ConfigFiles : public testing::StartedWindowTest {
 protected:
  void SetUp() override {
    dir = ::testing::TempDir() + "capcode_files_" +
          ::testing::UnitTest::GetInstance()->current_test_info()->name();
    fs::remove_all(dir);
    fs::create_directories(dir);
  }
  void TearDown() override { fs::remove_all(dir); }

  void save(const std::string& path) { command("Save1", path); }
  void open(const std::string& path) { command("Open1", path); }
  void command(const std::string& item, const std::string& path) {
    feedback.answer = path;
    click(item);
    EXPECT_EQ(feedback.lastDialog.filter, ".eep|*.eep|.bin|*.bin|*.*|*.*");
    EXPECT_EQ(feedback.lastDialog.defaultExtension, "eep");
  }
  // Every control value, to compare the settings before and after.
  std::vector<std::string> settings() {
    std::vector<std::string> values;
    for (const Control* c : form.controls()) {
      values.push_back(c->name + "=" + c->text + "/" + std::to_string(c->index) + "/" +
                       (c->checked ? "1" : "0"));
    }
    return values;
  }

  std::string dir;
};

TEST_F(ConfigFiles, SavedFileOpensAgainWithTheSameSettings) {
  const std::string path = dir + "/pager.eep";
  // The model's 21-character hello line would not survive its 20-byte field.
  form.setText("hellomsg1", "-- KVRM61 hello --");
  events();
  save(path);
  EXPECT_EQ(events(), (Lines{"log: Save data to " + path, "log: ok!"}));
  EXPECT_EQ(state.lastSave.result, FileSaveResult::Saved);
  EXPECT_EQ(state.lastSave.path, path);
  EXPECT_EQ(state.lastSave.error, "");
  EXPECT_EQ(state.CurrentFilePath, path);
  const auto bytes = fileBytes(path);
  ASSERT_EQ(bytes.size(), kImageSize);
  Image image{};
  std::copy(bytes.begin(), bytes.end(), image.begin());
  EXPECT_TRUE(checksumValid(image));
  EXPECT_EQ(readLe(image, 0, 4), 0x214BC086u);  // HW-B record of row 1, 2004000 enabled
  EXPECT_EQ(image[0x3FE], 0);                   // the Vanta edition tag

  const auto before = settings();  // as saved: the hello lines padded to 20
  EXPECT_EQ(form.text("hellomsg2"), "123456789           ");
  open(path);
  EXPECT_EQ(events(), (Lines{"log: Load data from " + path, "log: File loaded"}));
  EXPECT_EQ(state.lastOpen.result, FileOpenResult::Opened);
  EXPECT_EQ(state.lastOpen.path, path);
  EXPECT_EQ(settings(), before);
}

TEST_F(ConfigFiles, RejectedFilesChangeNothing) {
  const std::string good = dir + "/good.eep";
  save(good);
  const auto bytes = fileBytes(good);
  events();
  const auto before = settings();
  const Image imageBefore = state.ConfigImage;

  auto flipped = bytes;
  flipped[0x123] ^= 0x10;
  writeBytes(dir + "/flipped.eep", flipped);
  auto otherEdition = bytes;
  otherEdition[0x3FE] = 1;
  otherEdition[0x7FF] = static_cast<std::uint8_t>(otherEdition[0x7FF] - 1);
  writeBytes(dir + "/other.eep", otherEdition);
  writeBytes(dir + "/short.eep", std::vector<std::uint8_t>(bytes.begin(), bytes.begin() + 2047));

  const struct {
    std::string path;
    FileOpenResult result;
    const char* reason;
  } cases[] = {{dir + "/flipped.eep", FileOpenResult::ChecksumError, "log: File checksum error"},
               {dir + "/other.eep", FileOpenResult::WrongEdition, "log: File not for this model!"},
               {dir + "/short.eep", FileOpenResult::ChecksumError, "log: File checksum error"},
               {dir + "/missing.eep", FileOpenResult::ReadError, "log: Load file error"},
               {dir, FileOpenResult::ReadError, "log: Load file error"}};
  for (const auto& c : cases) {
    open(c.path);
    EXPECT_EQ(events(), (Lines{"log: Load data from " + c.path, c.reason, "beep"})) << c.path;
    EXPECT_EQ(state.lastOpen.result, c.result) << c.path;
    EXPECT_EQ("log: " + std::string(fileOpenRefusalLine(c.result)), c.reason) << c.path;
    EXPECT_EQ(settings(), before) << c.path;
    EXPECT_EQ(state.ConfigImage, imageBefore) << c.path;
  }
}

TEST_F(ConfigFiles, EveryBitFlipFailsTheChecksum) {
  const std::string path = dir + "/pager.eep";
  save(path);
  const auto bytes = fileBytes(path);
  Image image{};
  for (std::size_t i = 0; i < kImageSize; i += 97) {
    for (int b = 0; b < 8; ++b) {
      std::copy(bytes.begin(), bytes.end(), image.begin());
      image[i] ^= static_cast<std::uint8_t>(1 << b);
      ASSERT_FALSE(checksumValid(image)) << i << " " << b;
    }
  }
}

TEST_F(ConfigFiles, CancelledDialogsDoNothing) {
  const Image before = state.ConfigImage;
  feedback.answer.reset();
  click("Open1");
  click("Save1");
  EXPECT_EQ(events(), Lines{});
  EXPECT_EQ(state.lastOpen.result, FileOpenResult::Cancelled);
  EXPECT_EQ(state.lastSave.result, FileSaveResult::Cancelled);
  EXPECT_EQ(state.ConfigImage, before);
}

TEST_F(ConfigFiles, AFileOfTheOtherLayoutLoadsWithThatLayout) {
  const std::string path = dir + "/hwb.eep";
  save(path);
  form.runHandler("switch_modelClick");  // HW-A2
  events();
  open(path);
  EXPECT_EQ(events().at(1), "log: File loaded");
  EXPECT_NE(form.text("address1"), "2004000");
}

TEST_F(ConfigFiles, AnEncodingErrorStopsTheSaveBeforeAnyFile) {
  const std::string path = dir + "/never.eep";
  form.setText("maxprivate", "");
  events();
  save(path);
  EXPECT_EQ(events(),
            (Lines{"log: Save data to " + path, "error: '' is not a valid integer value"}));
  EXPECT_EQ(state.lastSave.result, FileSaveResult::Interrupted);
  EXPECT_FALSE(fs::exists(path));
}

TEST_F(ConfigFiles, AFailedSaveLeavesTheOldFileAsItWas) {
  const std::string path = dir + "/keep.eep";
  const std::vector<std::uint8_t> old(2048, 0xA5);
  writeBytes(path, old);
  // A file-size limit of 1000 bytes makes the disk "full" halfway through the image.
  rlimit saved{};
  ::getrlimit(RLIMIT_FSIZE, &saved);
  const rlimit small{1000, saved.rlim_max};
  auto previous = std::signal(SIGXFSZ, SIG_IGN);
  ::setrlimit(RLIMIT_FSIZE, &small);
  save(path);
  ::setrlimit(RLIMIT_FSIZE, &saved);
  std::signal(SIGXFSZ, previous);
  EXPECT_EQ(events(), (Lines{"log: Save data to " + path, "log: write error!", "beep"}));
  EXPECT_EQ(state.lastSave.result, FileSaveResult::WriteError);
  EXPECT_NE(state.lastSave.error.find("File too large"), std::string::npos) << state.lastSave.error;
  EXPECT_EQ(fileBytes(path), old);
  int entries = 0;
  for ([[maybe_unused]] const auto& e : fs::directory_iterator(dir))
    ++entries;
  EXPECT_EQ(entries, 1);  // no temporary file left behind
}

TEST_F(ConfigFiles, SavingOverAFolderOrADeviceReplacesNothing) {
  for (const std::string& target : {dir, std::string("/dev/null")}) {
    save(target);
    EXPECT_EQ(events(), (Lines{"log: Save data to " + target, "log: write error!", "beep"}));
    EXPECT_EQ(state.lastSave.result, FileSaveResult::WriteError);
    EXPECT_EQ(state.lastSave.error, "not a regular file") << target;
  }
  EXPECT_TRUE(fs::is_directory(dir));
  EXPECT_TRUE(fs::is_character_file("/dev/null"));
}

}  // namespace
}  // namespace capcode