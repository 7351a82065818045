#include "cli/opened_configuration.hpp"

#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <iterator>
#include <stdexcept>

#include "core/config_file.hpp"
#include "core/file_io.hpp"

namespace capcode {

namespace {

SessionOptions offline(const OpenOptions& options) {
  SessionOptions session;
  session.dataDirectory = options.dataDirectory;
  session.hardware.offline = true;  // files only: no programmer is looked for
  return session;
}

std::string saveStandardInput(std::istream& in) {
  const std::string bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  if (in.bad()) throw std::runtime_error("cannot read standard input");
  const char* dir = std::getenv("TMPDIR");
  std::string path =
      std::string(dir != nullptr && dir[0] != '\0' ? dir : "/tmp") + "/capcode-stdin-XXXXXX";
  const int fd = ::mkstemp(path.data());
  if (fd < 0) throw std::runtime_error("cannot keep standard input in " + path);
  ::close(fd);
  if (const std::string error =
          writeFileAtomically(path, std::vector<std::uint8_t>(bytes.begin(), bytes.end()));
      !error.empty()) {
    ::unlink(path.c_str());
    throw std::runtime_error("cannot keep standard input: " + error);
  }
  return path;
}

}  // namespace

std::optional<std::uint8_t> revisionNamed(const std::string& name) {
  if (name == "A2") return kHwA2;
  if (name == "A3") return kHwA3;
  if (name == "B") return kHwB;
  return std::nullopt;
}

OpenedConfiguration::OpenedConfiguration(const std::string& path, const OpenOptions& options,
                                         std::istream& in, std::ostream& log, std::ostream& err)
    : feedback_(log, err, false),
      program_(std::make_unique<PagerSession>(feedback_, offline(options))) {
  if (!program_->startUp()) return;
  ProgramState& s = state();
  if (options.revision) {
    // The hidden revision item steps HW-A2 -> HW-A3 -> HW-B, as in the window.
    const std::uint8_t wanted = *revisionNamed(*options.revision);
    for (int step = 0; step < 3 && s.HardwareRevision != wanted; ++step)
      program_->click("switch_model");
  }
  const std::string file = path == "-" ? (temporary_ = saveStandardInput(in)) : path;
  feedback_.answer = file;
  program_->click("Open1");
  // File > Open leaves the file's bytes in the read buffer, accepted or not.
  bytes_ = s.PagerReadBuffer;
  const FileOpenResult result = s.lastOpen.result;
  if (result == FileOpenResult::Opened) {
    loaded_ = true;
    return;
  }
  const std::string_view line = fileOpenRefusalLine(result);
  // An open that ended without refusing the file (an error notice) could not read it either.
  failure_ = line.empty() ? fileOpenRefusalLine(FileOpenResult::ReadError) : line;
  // A file that was read but failed its checks may still be shown, marked as such.
  const bool read =
      result == FileOpenResult::ChecksumError || result == FileOpenResult::WrongEdition;
  if (options.force && read) {
    s.event([&] { takeReadBuffer(s); });
    loaded_ = true;
  }
}

OpenedConfiguration::~OpenedConfiguration() {
  if (!temporary_.empty()) ::unlink(temporary_.c_str());
}

}  // namespace capcode
