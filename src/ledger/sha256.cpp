#include "ledger/sha256.hpp"

#include <openssl/evp.h>

#include <stdexcept>

#include "core/file_io.hpp"

namespace capcode {

std::string sha256Hex(std::span<const std::uint8_t> bytes) {
  unsigned char digest[EVP_MAX_MD_SIZE];
  unsigned int length = 0;
  if (EVP_Digest(bytes.data(), bytes.size(), digest, &length, EVP_sha256(), nullptr) != 1) {
    throw std::runtime_error("SHA-256 is not available");
  }
  static const char kHex[] = "0123456789abcdef";
  std::string hex;
  hex.reserve(2 * length);
  for (unsigned int i = 0; i < length; ++i) {
    hex += kHex[digest[i] >> 4];
    hex += kHex[digest[i] & 0x0F];
  }
  return hex;
}

std::optional<std::string> sha256OfFile(const std::string& path) {
  constexpr std::size_t kLimit = 16u << 20;
  const auto bytes = readFilePrefix(path, kLimit);
  if (!bytes) return std::nullopt;
  return sha256Hex(*bytes);
}

}  // namespace capcode
