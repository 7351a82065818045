#include "configuration/opened_configuration.hpp"

#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>

#include "core/config_file.hpp"

namespace capcode {

namespace {

ProgramOptions offline(const OpenOptions& options) {
  ProgramOptions program{startupOptionsFor(options.dataDirectory), {}};
  program.hardware.offline = true;  // files only: no programmer is looked for
  return program;
}

}  // namespace

std::string keepInTemporaryFile(const std::vector<std::uint8_t>& bytes, const char* purpose) {
  const char* dir = std::getenv("TMPDIR");
  std::string path = std::string(dir != nullptr && dir[0] != '\0' ? dir : "/tmp") + "/capcode-" +
                     purpose + "-XXXXXX";
  const int fd = ::mkostemp(path.data(), O_CLOEXEC);
  if (fd < 0) throw std::runtime_error("cannot keep a temporary copy in " + path);
  // A private copy for the moment of one command: no need to wait for the disk.
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    done += static_cast<std::size_t>(n);
  }
  const int error = done == bytes.size() ? 0 : errno;
  ::close(fd);
  if (done != bytes.size()) {
    ::unlink(path.c_str());
    throw std::runtime_error("cannot keep a temporary copy: " + std::string(std::strerror(error)));
  }
  return path;
}

OpenedConfiguration::OpenedConfiguration(const ConfigurationInput& input,
                                         const OpenOptions& options, Feedback& person)
    : feedback_(person, false), program_(std::make_unique<Program>(feedback_, offline(options))) {
  if (!program_->startUp()) throw std::runtime_error("the program could not start");
  ProgramState& s = state();
  const std::uint8_t revision = revisionNamed(options.revision.value_or("B")).value_or(kHwB);
  selectRevision(s, revision);
  const std::string file =
      input.regularFile ? input.name : (temporary_ = keepInTemporaryFile(input.bytes, "stdin"));
  feedback_.answer = file;
  s.event([&] { s.form.userClick("Open1"); });
  // File > Open leaves the file's bytes in the read buffer, accepted or not.
  bytes_ = s.PagerReadBuffer;
  const FileOpenResult result = s.lastOpen.result;
  const bool accepted = result == FileOpenResult::Opened;
  if (!accepted) {
    const std::string_view line = fileOpenRefusalLine(result);
    // An open that ended without refusing the file (an error notice) could not read it either.
    failure_ = line.empty() ? fileOpenRefusalLine(FileOpenResult::ReadError) : line;
  }
  const bool read =
      accepted || result == FileOpenResult::ChecksumError || result == FileOpenResult::WrongEdition;
  if (read) {
    revisionCheck_ = checkRevisions(bytes_, revision, program_->startup());
    if (accepted && !revisionCheck_.chosen.clean()) failure_ = revisionCheck_.refusal();
  }
  loaded_ = accepted && failure_.empty();
  // A file that was read but failed its checks may still be shown, marked as such.
  if (options.force && read && !loaded_) {
    if (!accepted) s.event([&] { takeReadBuffer(s); });
    loaded_ = true;
  }
}

OpenedConfiguration::~OpenedConfiguration() {
  if (!temporary_.empty()) ::unlink(temporary_.c_str());
}

}  // namespace capcode
