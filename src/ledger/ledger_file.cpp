#include "ledger/ledger_file.hpp"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "ledger/ledger.hpp"

namespace capcode {

namespace {

[[noreturn]] void refuse(const std::string& path, const std::string& why) {
  throw LedgerError("ledger " + path + ": " + why);
}

std::string kindOf(mode_t mode) {
  if (S_ISFIFO(mode)) return "a FIFO (named pipe)";
  if (S_ISSOCK(mode)) return "a socket";
  if (S_ISCHR(mode) || S_ISBLK(mode)) return "a device";
  return "not a regular file";
}

void makeFolders(const std::string& path, const std::string& folder) {
  for (std::size_t slash = folder.find('/', 1);; slash = folder.find('/', slash + 1)) {
    const std::string part = folder.substr(0, slash);
    if (::mkdir(part.c_str(), 0700) != 0 && errno != EEXIST)
      refuse(path, "cannot create the folder " + part + ": " + std::strerror(errno));
    if (slash == std::string::npos) return;
  }
}

}  // namespace

std::string folderOf(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

void checkLedgerFile(const std::string& path, LedgerFileUse use) {
  const std::string folder = folderOf(path);
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0) {
    const int missing = errno;
    if (missing != ENOENT || use == LedgerFileUse::Read || use == LedgerFileUse::Write)
      refuse(path, std::strerror(missing));
    if (use == LedgerFileUse::CreateFolders) makeFolders(path, folder);
    // A mistyped or unmounted folder must not start an empty ledger (every capcode free
    // again): only a folder that is there gets a new one.
    struct stat place {};
    if (::stat(folder.c_str(), &place) != 0)
      refuse(path, "the folder " + folder + " is not there (" + std::strerror(errno) +
                       "); no new ledger is started in a folder that does not exist");
    if (!S_ISDIR(place.st_mode))
      refuse(path, folder + " is not a folder (" + std::strerror(ENOTDIR) + ")");
    if (::access(folder.c_str(), W_OK | X_OK) != 0)
      refuse(path, "cannot create a file in " + folder + ": " + std::strerror(errno));
    return;
  }
  if (!S_ISREG(info.st_mode)) {
    refuse(path,
           (S_ISDIR(info.st_mode) ? std::string(std::strerror(EISDIR)) : kindOf(info.st_mode)) +
               ", not a ledger file");
  }
  if (use == LedgerFileUse::Read) {
    if (::access(path.c_str(), R_OK) != 0) refuse(path, std::strerror(errno));
    return;
  }
  if (::access(path.c_str(), R_OK | W_OK) != 0)
    refuse(path, std::string("cannot be written: ") + std::strerror(errno));
  // SQLite keeps its journal (or write-ahead log) beside the file.
  if (::access(folder.c_str(), W_OK | X_OK) != 0)
    refuse(path, "cannot write its journal in " + folder + ": " + std::strerror(errno));
}

}  // namespace capcode
