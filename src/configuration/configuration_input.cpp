#include "configuration/configuration_input.hpp"

#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace capcode {

namespace {

constexpr std::size_t kReadLimit = kConfigurationBytes + 1;

std::string tooLong(const std::string& name) {
  return name + ": more than " + std::to_string(kConfigurationBytes) +
         " bytes: a configuration file is 2048 bytes";
}

// Reads up to kReadLimit bytes, waiting at most `limits.silence` for each arrival.
bool readBounded(int fd, const std::string& name, const InputLimits& limits,
                 std::vector<std::uint8_t>& bytes, std::string& error) {
  bytes.resize(kReadLimit);
  std::size_t got = 0;
  while (got < kReadLimit) {
    pollfd ready{fd, POLLIN, 0};
    const int waited = ::poll(&ready, 1, static_cast<int>(limits.silence.count()));
    if (waited < 0 && errno == EINTR) continue;
    if (waited < 0) {
      error = name + ": " + std::strerror(errno);
      return false;
    }
    if (waited == 0) {
      error = name + ": nothing arrived for " + std::to_string(limits.silence.count() / 1000) +
              " s; given up";
      return false;
    }
    const ssize_t n = ::read(fd, bytes.data() + got, kReadLimit - got);
    if (n < 0 && (errno == EINTR || errno == EAGAIN)) continue;
    if (n < 0) {
      error = name + ": " + std::strerror(errno);
      return false;
    }
    if (n == 0) break;
    got += static_cast<std::size_t>(n);
  }
  bytes.resize(got);
  return true;
}

std::optional<ConfigurationInput> fromStream(const std::string& name, std::istream& in,
                                             std::string& error) {
  ConfigurationInput input{name, std::vector<std::uint8_t>(kReadLimit), false};
  in.read(reinterpret_cast<char*>(input.bytes.data()), static_cast<std::streamsize>(kReadLimit));
  if (in.bad()) {
    error = name + ": cannot read standard input";
    return std::nullopt;
  }
  input.bytes.resize(static_cast<std::size_t>(in.gcount()));
  return input;
}

}  // namespace

std::optional<ConfigurationInput> readConfigurationInput(const std::string& name, std::istream& in,
                                                         int inFd, const InputLimits& limits,
                                                         std::string& error) {
  std::optional<ConfigurationInput> input;
  if (name == "-" && inFd < 0) {
    input = fromStream(name, in, error);
  } else {
    // Opened without waiting (a FIFO with no writer yet would hold open() forever), then read
    // with a time limit.
    const int fd =
        name == "-" ? inFd : ::open(name.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) {
      error = name + ": " + std::strerror(errno);
      return std::nullopt;
    }
    struct stat info {};
    if (::fstat(fd, &info) != 0 || S_ISDIR(info.st_mode)) {
      error = name + ": " + std::strerror(S_ISDIR(info.st_mode) ? EISDIR : errno);
      if (fd != inFd) ::close(fd);
      return std::nullopt;
    }
    input = ConfigurationInput{name, {}, S_ISREG(info.st_mode) && name != "-"};
    const bool ok = readBounded(fd, name, limits, input->bytes, error);
    if (fd != inFd) ::close(fd);
    if (!ok) return std::nullopt;
  }
  if (input && input->bytes.size() > kConfigurationBytes) {
    error = tooLong(name);
    return std::nullopt;
  }
  return input;
}

}  // namespace capcode
