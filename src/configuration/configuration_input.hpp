#pragma once
// A configuration named on the command line of show, diff and set, read whole before it is
// opened: a regular file, or a pipe, a terminal or another stream (`<(git show HEAD:a.eep)`,
// /dev/stdin; "-" is standard input). A folder is refused. At most 2049 bytes are read: a
// configuration is 2048 bytes, so one byte more already says it is none, at once, however long
// the stream would go on. A stream that stays silent for the time limit is given up, so that
// nothing waits forever on a writer that never comes.

#include <chrono>
#include <cstdint>
#include <istream>
#include <optional>
#include <string>
#include <vector>

namespace capcode {

inline constexpr std::size_t kConfigurationBytes = 2048;

struct ConfigurationInput {
  std::string name;  // as given on the command line
  std::vector<std::uint8_t> bytes;
  bool regularFile = false;  // File > Open can read it again by its name
};

struct InputLimits {
  // The longest a stream may stay silent before the first byte or between two reads.
  std::chrono::milliseconds silence{60000};
};

// Reads `name` ("-": `in`, or the descriptor `inFd` when it is not -1, so that the time limit
// holds on a real standard input). Nothing, with `error` set to a message naming the input and
// the system's reason, when it cannot be read, is a folder, is longer than 2048 bytes or stays
// silent too long.
std::optional<ConfigurationInput> readConfigurationInput(const std::string& name, std::istream& in,
                                                         int inFd, const InputLimits& limits,
                                                         std::string& error);

}  // namespace capcode
