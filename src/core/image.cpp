#include "core/image.hpp"

#include <algorithm>
#include <stdexcept>

namespace capcode {

namespace {
constexpr std::uint8_t kFlip2[4] = {0, 2, 1, 3};
constexpr std::uint8_t kFlip3[8] = {0, 4, 2, 6, 1, 5, 3, 7};
constexpr std::uint8_t kFlip4[16] = {0, 8, 4, 12, 2, 10, 6, 14, 1, 9, 5, 13, 3, 11, 7, 15};
}  // namespace

std::uint8_t imageChecksum(const Image& image) {
  unsigned sum = 0;
  for (std::size_t i = 0; i < kChecksumOffset; ++i)
    sum += image[i];
  return static_cast<std::uint8_t>(0xFF - (sum & 0xFF));
}

void setChecksum(Image& image) {
  image[kChecksumOffset] = imageChecksum(image);
}

bool checksumValid(const Image& image) {
  return image[kChecksumOffset] == imageChecksum(image);
}

std::uint8_t flip2(unsigned value) {
  return kFlip2[value & 3];
}
std::uint8_t flip3(unsigned value) {
  return kFlip3[value & 7];
}
std::uint8_t flip4(unsigned value) {
  return kFlip4[value & 15];
}
std::uint8_t flip8(unsigned value) {
  return static_cast<std::uint8_t>((flip4(value & 0x0F) << 4) | flip4((value >> 4) & 0x0F));
}

std::uint32_t readLe(const Image& image, std::size_t offset, std::size_t width) {
  std::uint32_t value = 0;
  for (std::size_t i = width; i-- > 0;)
    value = (value << 8) | image.at(offset + i);
  return value;
}

void writeLe(Image& image, std::size_t offset, std::size_t width, std::uint32_t value) {
  for (std::size_t i = 0; i < width; ++i) {
    image.at(offset + i) = static_cast<std::uint8_t>(value >> (8 * i));
  }
}

std::string readImageText(const Image& image, std::size_t offset) {
  std::string text;
  for (std::size_t i = offset; i < kImageSize && image[i] != 0; ++i) {
    text += static_cast<char>(image[i]);
  }
  return text;
}

void writeImageText(Image& image, std::size_t offset, std::size_t width, std::string_view text) {
  std::size_t n = std::min(width, text.size());
  for (std::size_t i = 0; i < n; ++i)
    image.at(offset + i) = static_cast<std::uint8_t>(text[i]);
  if (n < width) image.at(offset + n) = 0;
}

std::array<std::uint8_t, kImageSize - kPromptBlockOffset> buildPromptBlock(
    const std::vector<std::string>& prompts) {
  std::array<std::uint8_t, kImageSize - kPromptBlockOffset> block{};
  block.fill(0xFF);
  std::size_t at = 2 * prompts.size();
  for (std::size_t i = 0; i < prompts.size(); ++i) {
    if (at + prompts[i].size() + 1 > block.size() - 1) {
      throw std::length_error("prompt strings do not fit the prompt block");
    }
    block[2 * i] = static_cast<std::uint8_t>(at & 0xFF);
    block[2 * i + 1] = static_cast<std::uint8_t>(at >> 8);
    for (char c : prompts[i])
      block[at++] = static_cast<std::uint8_t>(c);
    block[at++] = 0;
  }
  return block;
}

}  // namespace capcode
