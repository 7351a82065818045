#pragma once
// SHA-256 digests as lower-case hex, the form `sha256sum` prints, for the ledger's record of
// which configuration and which image reached a pager.

#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace capcode {

std::string sha256Hex(std::span<const std::uint8_t> bytes);

// The digest of a whole regular file (at most 16 MiB); nothing when it cannot be read.
std::optional<std::string> sha256OfFile(const std::string& path);

}  // namespace capcode
