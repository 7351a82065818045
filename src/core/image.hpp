#pragma once
// The pager's 2048-byte 24C16 configuration EEPROM, byte for byte.
//   0x000-0x3FF  settings (layout of the first 48 bytes depends on the hardware revision)
//   0x400-0x7FE  prompt block: the pager's menu and status strings in the chosen language
//   0x7FF        checksum: all 2048 bytes add up to 0xFF modulo 256
// Multi-byte integers are little-endian.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace capcode {

inline constexpr std::size_t kImageSize = 2048;
inline constexpr std::size_t kSettingsSize = 1024;
inline constexpr std::size_t kPromptBlockOffset = 0x400;
inline constexpr std::size_t kChecksumOffset = 0x7FF;

using Image = std::array<std::uint8_t, kImageSize>;

// 0xFF minus the sum of bytes 0x000..0x7FE, modulo 256.
std::uint8_t imageChecksum(const Image& image);
void setChecksum(Image& image);
bool checksumValid(const Image& image);

// Bit-order reversal of the lowest 2, 3, 4 or 8 bits; higher bits of the argument are ignored.
std::uint8_t flip2(unsigned value);
std::uint8_t flip3(unsigned value);
std::uint8_t flip4(unsigned value);
std::uint8_t flip8(unsigned value);

// Little-endian fields.
std::uint32_t readLe(const Image& image, std::size_t offset, std::size_t width);
void writeLe(Image& image, std::size_t offset, std::size_t width, std::uint32_t value);

// The text stored at `offset`: bytes up to the first NUL, running past the field if need be,
// and at most up to the end of the image.
std::string readImageText(const Image& image, std::size_t offset);
// Stores at most `width` characters; a shorter text gets one NUL after it and the rest of the
// field keeps its old bytes.
void writeImageText(Image& image, std::size_t offset, std::size_t width, std::string_view text);

// A prompt block: a table of 16-bit offsets relative to 0x400, then the NUL-terminated strings,
// then 0xFF up to and including 0x7FF.
std::array<std::uint8_t, kImageSize - kPromptBlockOffset> buildPromptBlock(
    const std::vector<std::string>& prompts);

// The two built-in images: HW-A layout and HW-B layout.
const Image& defaultImageA();
const Image& defaultImageB();
const std::vector<std::string>& defaultPromptsA();
const std::vector<std::string>& defaultPromptsB();

}  // namespace capcode
