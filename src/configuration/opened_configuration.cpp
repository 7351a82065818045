#include "configuration/opened_configuration.hpp"

#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>

#include "core/config_file.hpp"

namespace capcode {

StartupOptions openStartup(const OpenOptions& options) {
  return startupOptionsFor(options.dataDirectory);
}

namespace {

ProgramOptions offline(const OpenOptions& options) {
  ProgramOptions program{openStartup(options), {}};
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

TemporaryCopy::~TemporaryCopy() {
  ::unlink(path_.c_str());
}

WindowOpen openInWindow(ProgramState& state, WatchingFeedback& dialogs, const std::string& path) {
  dialogs.answer = path;
  state.event([&] { state.form.userClick("Open1"); });
  dialogs.answer.reset();
  WindowOpen open{state.lastOpen.result, {}};
  if (!open.accepted()) {
    const std::string_view line = fileOpenRefusalLine(open.result);
    open.refusal = line.empty() ? fileOpenRefusalLine(FileOpenResult::ReadError) : line;
  }
  return open;
}

OpenedConfiguration::OpenedConfiguration(const ConfigurationInput& input,
                                         const OpenOptions& options, Feedback& person)
    : OpenedConfiguration(input, options, person, nullptr) {}

OpenedConfiguration::OpenedConfiguration(const ConfigurationInput& input,
                                         const OpenOptions& options, Feedback& person,
                                         ScratchProgram& scratch)
    : OpenedConfiguration(input, options, person, &scratch) {}

OpenedConfiguration::OpenedConfiguration(const ConfigurationInput& input,
                                         const OpenOptions& options, Feedback& person,
                                         ScratchProgram* shared)
    : feedback_(person, false), program_(std::make_unique<Program>(feedback_, offline(options))) {
  if (!program_->startUp()) throw std::runtime_error("the program could not start");
  if (shared == nullptr) {
    ownScratch_ = std::make_unique<ScratchProgram>(program_->startup());
    shared = ownScratch_.get();
  }
  scratch_ = shared;
  ProgramState& s = state();
  revision_ = revisionNamed(options.revision.value_or("B")).value_or(kHwB);
  selectRevision(s, revision_);
  if (!input.regularFile) temporary_.emplace(input.bytes, "stdin");
  const WindowOpen open = openInWindow(s, feedback_, temporary_ ? temporary_->path() : input.name);
  // File > Open leaves the file's bytes in the read buffer, accepted or not.
  bytes_ = s.PagerReadBuffer;
  failure_ = open.refusal;
  if (open.read()) {
    revisionCheck_ = checkRevisions(*scratch_, bytes_, revision_);
    if (open.accepted() && !revisionCheck_.chosen.clean()) failure_ = revisionCheck_.refusal();
  }
  loaded_ = open.accepted() && failure_.empty();
  // A file that was read but failed its checks may still be shown, marked as such.
  if (options.force && open.read() && !loaded_) {
    if (!open.accepted()) s.event([&] { takeReadBuffer(s); });
    loaded_ = true;
  }
}

OpenedConfiguration::~OpenedConfiguration() = default;

}  // namespace capcode
