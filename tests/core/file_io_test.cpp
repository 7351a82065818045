// Saves that never lose or silently replace a file, and opens that never wait: each case as a
// person meets it on a real disk, with privileges dropped where the rule is about the user.

#include "core/file_io.hpp"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <functional>

#include "support/temp_folder.hpp"

namespace capcode {
namespace {

using test::fileBytes;
using test::TempFolder;
using Bytes = std::vector<std::uint8_t>;

const Bytes kOld(2048, 0x11);
const Bytes kNew(2048, 0x22);

// Runs `check` in a child process as an ordinary user (nobody, when the tests run as root)
// and returns what it returned: an empty text for success, else what went wrong.
std::string asOrdinaryUser(const std::function<std::string()>& check,
                           std::function<void()> limits = {}) {
  int pipeEnds[2];
  if (::pipe(pipeEnds) != 0) return "pipe failed";
  const pid_t child = ::fork();
  if (child == 0) {
    ::close(pipeEnds[0]);
    if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0)) ::_exit(3);
    if (limits) limits();
    const std::string result = check();
    if (::write(pipeEnds[1], result.data(), result.size()) < 0) ::_exit(4);
    ::_exit(0);
  }
  ::close(pipeEnds[1]);
  std::string result;
  char buffer[256];
  for (ssize_t n; (n = ::read(pipeEnds[0], buffer, sizeof buffer)) > 0;)
    result.append(buffer, n);
  ::close(pipeEnds[0]);
  int status = 0;
  ::waitpid(child, &status, 0);
  if (!WIFEXITED(status)) return "the child ended by signal " + std::to_string(WTERMSIG(status));
  if (WEXITSTATUS(status) != 0)
    return "the child failed with " + std::to_string(WEXITSTATUS(status));
  return result;
}

// A folder that nobody may enter and a file in it, for the privilege-dropped cases.
class SharedFolder {
 public:
  SharedFolder() { std::filesystem::permissions(folder.path(), std::filesystem::perms::all); }
  std::string file(const std::string& name, const Bytes& bytes, mode_t mode) {
    const std::string path = folder / name;
    test::writeBytes(path, bytes);
    ::chmod(path.c_str(), mode);
    if (::geteuid() == 0) {
      [[maybe_unused]] int rc = ::chown(path.c_str(), 65534, 65534);
    }
    return path;
  }
  TempFolder folder;
};

std::size_t entries(const std::string& folder) {
  return static_cast<std::size_t>(std::distance(std::filesystem::directory_iterator(folder),
                                                std::filesystem::directory_iterator()));
}

TEST(SafeSave, AProtectedFileIsRefusedAndStaysAsItWas) {
  SharedFolder shared;
  const std::string path = shared.file("protected.eep", kOld, 0444);
  const std::string result = asOrdinaryUser([&] {
    const std::string error = writeFileAtomically(path, kNew);
    return error.empty() ? std::string("a protected file was replaced") : std::string();
  });
  EXPECT_EQ(result, "");
  EXPECT_EQ(fileBytes(path), kOld);
}

TEST(SafeSave, AWritableFileInAFolderThatTakesNoNewFilesIsWrittenInPlace) {
  SharedFolder shared;
  const std::string path = shared.file("shared.eep", kOld, 0666);
  ::chmod(shared.folder.path().c_str(), 0555);
  const std::string result = asOrdinaryUser([&] { return writeFileAtomically(path, kNew); });
  ::chmod(shared.folder.path().c_str(), 0755);
  EXPECT_EQ(result, "");
  EXPECT_EQ(fileBytes(path), kNew);
  EXPECT_EQ(entries(shared.folder.path()), 1u);
}

TEST(SafeSave, AFileSizeLimitFailsTheSaveAndLeavesNothingBehind) {
  SharedFolder shared;
  const std::string path = shared.file("limited.eep", Bytes(100, 0x11), 0666);
  const std::string result = asOrdinaryUser(
      [&] {
        const std::string error = writeFileAtomically(path, kNew);
        return error.empty() ? std::string("saved past the limit") : std::string();
      },
      [] {
        const rlimit limit{1024, 1024};
        ::setrlimit(RLIMIT_FSIZE, &limit);
      });
  EXPECT_EQ(result, "") << "the program must survive SIGXFSZ";
  EXPECT_EQ(fileBytes(path), Bytes(100, 0x11));
  EXPECT_EQ(entries(shared.folder.path()), 1u) << "no temporary file left";
}

TEST(SafeSave, LinksStayLinks) {
  TempFolder folder;
  const std::string target = folder / "target.eep";
  test::writeBytes(target, kOld);
  const std::string hard = folder / "hard.eep";
  ASSERT_EQ(::link(target.c_str(), hard.c_str()), 0);
  const std::string soft = folder / "soft.eep";
  ASSERT_EQ(::symlink("target.eep", soft.c_str()), 0);
  const std::string dangling = folder / "dangling.eep";
  ASSERT_EQ(::symlink("later.eep", dangling.c_str()), 0);

  struct stat before {};
  ::stat(target.c_str(), &before);
  ASSERT_EQ(writeFileAtomically(hard, kNew), "");
  EXPECT_EQ(fileBytes(target), kNew) << "both names of a hard-linked file see the save";
  struct stat after {};
  ::stat(target.c_str(), &after);
  EXPECT_EQ(after.st_ino, before.st_ino);
  EXPECT_EQ(after.st_nlink, 2u);

  ASSERT_EQ(writeFileAtomically(soft, kOld), "");
  EXPECT_TRUE(std::filesystem::is_symlink(soft));
  EXPECT_EQ(fileBytes(target), kOld);

  ASSERT_EQ(writeFileAtomically(dangling, kNew), "");
  EXPECT_TRUE(std::filesystem::is_symlink(dangling));
  EXPECT_EQ(fileBytes(folder / "later.eep"), kNew);

  const std::string loop = folder / "loop.eep";
  ASSERT_EQ(::symlink("loop.eep", loop.c_str()), 0);
  EXPECT_NE(writeFileAtomically(loop, kNew), "");
}

TEST(SafeSave, TheOwnerAndModeOfTheOldFileAreKept) {
  if (::geteuid() != 0) GTEST_SKIP() << "only root saves over another user's file";
  TempFolder folder;
  const std::string path = folder / "owned.eep";
  test::writeBytes(path, kOld);
  ASSERT_EQ(::chown(path.c_str(), 65534, 65534), 0);
  ASSERT_EQ(::chmod(path.c_str(), 0640), 0);
  ASSERT_EQ(writeFileAtomically(path, kNew), "");
  struct stat info {};
  ::stat(path.c_str(), &info);
  EXPECT_EQ(info.st_uid, 65534u);
  EXPECT_EQ(info.st_gid, 65534u);
  EXPECT_EQ(info.st_mode & 07777, 0640u);
  EXPECT_EQ(fileBytes(path), kNew);
}

TEST(SafeSave, ALongLegalNameSaves) {
  TempFolder folder;
  for (const std::size_t length : {248u, 255u}) {
    const std::string path = folder / (std::string(length - 4, 'n') + ".eep");
    EXPECT_EQ(writeFileAtomically(path, kNew), "") << length;
    EXPECT_EQ(fileBytes(path), kNew);
  }
}

TEST(NonBlockingOpen, OnlyRegularFilesAreRead) {
  TempFolder folder;
  const std::string fifo = folder / "pipe.eep";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  // Each of these would block or read forever if opened as a file.
  for (const std::string& path : {fifo, folder.path(), std::string("/dev/zero")}) {
    EXPECT_FALSE(readFilePrefix(path, 2048)) << path;
  }
  EXPECT_NE(writeFileAtomically(fifo, kNew), "");
  const std::string plain = folder / "plain.eep";
  test::writeBytes(plain, kOld);
  EXPECT_EQ(readFilePrefix(plain, 10), Bytes(10, 0x11));
}

// A file is read whole up to the limit, whatever its size against the buffer's growth; the limit
// cuts it exactly.
TEST(NonBlockingOpen, AFileIsReadWholeUpToTheLimit) {
  TempFolder folder;
  const struct {
    std::size_t size;
    std::size_t limit;
  } cases[] = {{0, 2048},      {2048, 2048},      {2048, 16u << 20}, {4095, 4096},
               {4096, 4096},   {4097, 16u << 20}, {70000, 16u << 20}, {70000, 8193}};
  for (const auto& c : cases) {
    Bytes bytes(c.size);
    for (std::size_t i = 0; i < bytes.size(); ++i)
      bytes[i] = static_cast<std::uint8_t>(i * 7 + i / 256);
    const std::string path = folder / ("f" + std::to_string(c.size) + ".bin");
    test::writeBytes(path, bytes);
    const auto read = readFilePrefix(path, c.limit);
    ASSERT_TRUE(read) << c.size;
    EXPECT_EQ(*read, Bytes(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(
                                                            std::min(c.size, c.limit))))
        << c.size << " under " << c.limit;
  }
}

}  // namespace
}  // namespace capcode
