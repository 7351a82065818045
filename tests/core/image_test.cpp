#include "core/image.hpp"

#include <gtest/gtest.h>

#include <numeric>

namespace capcode {
namespace {

unsigned sumOf(const Image& image) {
  return std::accumulate(image.begin(), image.end(), 0u);
}

TEST(Checksum, AllBytesAddUpTo0xFF) {
  Image image{};
  image[0] = 0x12;
  image[2046] = 0xF0;
  setChecksum(image);
  EXPECT_EQ(sumOf(image) % 256, 0xFFu);
  EXPECT_TRUE(checksumValid(image));
  image[100] ^= 1;
  EXPECT_FALSE(checksumValid(image));
}

TEST(Flip, ReversesBitOrder) {
  const unsigned flip3Table[] = {0, 4, 2, 6, 1, 5, 3, 7};
  const unsigned flip4Table[] = {0, 8, 4, 12, 2, 10, 6, 14, 1, 9, 5, 13, 3, 11, 7, 15};
  for (unsigned x = 0; x < 8; ++x)
    EXPECT_EQ(flip3(x), flip3Table[x]);
  for (unsigned x = 0; x < 16; ++x)
    EXPECT_EQ(flip4(x), flip4Table[x]);
  EXPECT_EQ(flip2(1), 2);
  EXPECT_EQ(flip2(2), 1);
  for (unsigned x = 0; x < 256; ++x) {
    unsigned reversed = 0;
    for (int b = 0; b < 8; ++b)
      reversed |= ((x >> b) & 1u) << (7 - b);
    EXPECT_EQ(flip8(x), reversed) << x;
    EXPECT_EQ(flip8(flip8(x)), x);
  }
}

TEST(ImageText, StopsAtNulAndKeepsTheRestOfTheField) {
  Image image{};
  image.fill(0xAA);
  writeImageText(image, 10, 9, "NEWS");
  EXPECT_EQ(image[14], 0);
  EXPECT_EQ(image[15], 0xAA);  // after the terminator the field keeps its old bytes
  writeImageText(image, 10, 9, "ABCDEFGHIJKL");
  EXPECT_EQ(image[18], 'I');
  EXPECT_EQ(image[19], 0xAA);  // nothing written beyond the width
  image[19] = 'Z';
  image[20] = 0;
  EXPECT_EQ(readImageText(image, 10), "ABCDEFGHIZ");  // reading runs into the next field
}

TEST(DefaultImageA, ChosenBytes) {
  const Image& a = defaultImageA();
  const struct {
    std::size_t offset;
    std::uint8_t value;
  } bytes[] = {
      {0x000, 0x84}, {0x001, 0xD2}, {0x002, 0x03}, {0x00F, 0x89}, {0x012, 0x3F}, {0x013, 0xC0},
      {0x014, 0x06}, {0x01E, 0xC4}, {0x01F, 0x09}, {0x020, 0xC0}, {0x024, 0x01}, {0x030, 0xFC},
      {0x03F, 0xFC}, {0x040, 0x3A}, {0x04D, 0x55}, {0x04E, '5'},  {0x052, 0xF0}, {0x055, 0x01},
      {0x065, 0x00}, {0x066, 'M'},  {0x068, '2'},  {0x069, 0x14}, {0x06A, 'F'},  {0x141, 'e'},
      {0x142, 0x0A}, {0x15A, 0x3C}, {0x15B, 0x02}, {0x17E, 0x04}, {0x185, 0xC7}, {0x18F, 0x01},
      {0x190, 'A'},  {0x19D, 0x00}, {0x1E0, 0x20}, {0x23F, 0x7F}, {0x240, '-'},  {0x253, '-'},
      {0x254, '1'},  {0x25D, 0x00}, {0x268, 0x04}, {0x3FF, 0x00}, {0x400, 0x64}, {0x401, 0x00},
      {0x464, 'D'},  {0x626, 0x00}, {0x627, 0xFF}, {0x7FE, 0xFF}};
  for (const auto& b : bytes)
    EXPECT_EQ(a[b.offset], b.value) << std::hex << b.offset;
  EXPECT_TRUE(checksumValid(a));
}

TEST(DefaultImages, PromptBlocksHoldTheirStringsInOrder) {
  const struct {
    const Image* image;
    const std::vector<std::string>* prompts;
    std::size_t count, firstOffset, lastNul;
  } cases[] = {{&defaultImageA(), &defaultPromptsA(), 50, 0x64, 0x626},
               {&defaultImageB(), &defaultPromptsB(), 51, 0x66, 0x62B}};
  for (const auto& c : cases) {
    ASSERT_EQ(c.prompts->size(), c.count);
    const Image& image = *c.image;
    EXPECT_EQ(readLe(image, 0x400, 2), c.firstOffset);
    for (std::size_t i = 0; i < c.count; ++i) {
      const std::size_t at = 0x400 + readLe(image, 0x400 + 2 * i, 2);
      EXPECT_EQ(readImageText(image, at), (*c.prompts)[i]) << i;
    }
    EXPECT_EQ(image[c.lastNul], 0);
    for (std::size_t i = c.lastNul + 1; i < 0x7FF; ++i)
      ASSERT_EQ(image[i], 0xFF) << i;
  }
  EXPECT_EQ(defaultPromptsB()[3], "Low Cell!");
  EXPECT_EQ(defaultPromptsB()[46], "AUTOBL");
  EXPECT_EQ(defaultPromptsB()[49], "MUTE");
}

TEST(DefaultImageB, DiffersFromAOnlyWhereListed) {
  const Image& a = defaultImageA();
  const Image& b = defaultImageB();
  for (std::size_t i = 0; i < 0x400; ++i) {
    const bool listed = i < 0x30 || i == 0x56 || i == 0x57;
    if (listed) continue;
    EXPECT_EQ(a[i], b[i]) << std::hex << i;
  }
  const std::uint8_t head[] = {0x86, 0xC0, 0x4B, 0x21, 0x86, 0xC4, 0x4B, 0x21, 0x86, 0xC2,
                               0x4B, 0x21, 0x86, 0xC6, 0x4B, 0x21, 0x06, 0x01, 0x00, 0x00,
                               0x06, 0x05, 0x00, 0x00, 0x06, 0x03, 0x00, 0x00, 0x06, 0x07,
                               0x00, 0x00, 0x02, 0xCA, 0x73, 0x97, 0x00, 0x01, 0xFE, 0x00,
                               0x00, 0xC4, 0x09, 0xC0, 0x1C, 0x3D, 0x09, 0x00};
  for (std::size_t i = 0; i < sizeof head; ++i)
    EXPECT_EQ(b[i], head[i]) << i;
  EXPECT_EQ(b[0x56], 0x55);
  EXPECT_EQ(b[0x57], 0x55);
  // Image B carries image A's last byte, which is not its own checksum.
  EXPECT_EQ(b[0x7FF], a[0x7FF]);
  EXPECT_FALSE(checksumValid(b));
  EXPECT_EQ(readLe(b, 0x2B, 4), 155000000u);
  EXPECT_EQ(readLe(a, 0x20, 4), 163000000u);
}

}  // namespace
}  // namespace capcode
