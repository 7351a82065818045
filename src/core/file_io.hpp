#pragma once
// Whole-file reads and crash-safe whole-file writes.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace capcode {

// Reads at most `limit` bytes of a regular file or device. Nothing when it cannot be opened or
// read (a folder included).
std::optional<std::vector<std::uint8_t>> readFilePrefix(const std::string& path, std::size_t limit);

// Replaces the file at `path` with `bytes` so that it is either the old file or the complete new
// one, never a mixture: the bytes go to a temporary file in the same folder, which is flushed to
// the disk and renamed over the target only when every byte was written. A symbolic link is
// followed and stays a link. A target that exists but is not a regular file (a folder, a device)
// is refused. Returns an empty string on success, otherwise why it failed.
std::string writeFileAtomically(const std::string& path, const std::vector<std::uint8_t>& bytes);

}  // namespace capcode
