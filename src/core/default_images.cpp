// The two images built into the program: what a new pager of each board generation holds.

#include <cstdio>
#include <initializer_list>

#include "core/image.hpp"

namespace capcode {

namespace {

void put(Image& image, std::size_t offset, std::initializer_list<std::uint8_t> bytes) {
  for (std::uint8_t b : bytes)
    image.at(offset++) = b;
}

void putText(Image& image, std::size_t offset, std::string_view text) {
  for (char c : text)
    image.at(offset++) = static_cast<std::uint8_t>(c);
}

void putPrompts(Image& image, const std::vector<std::string>& prompts) {
  auto block = buildPromptBlock(prompts);
  for (std::size_t i = 0; i < block.size(); ++i)
    image[kPromptBlockOffset + i] = block[i];
}

Image makeDefaultImageA() {
  Image image{};  // every byte not listed below is 0x00
  put(image, 0x000,
      {0x84, 0xD2, 0x03, 0x85, 0xD2, 0x03, 0x86, 0xD2, 0x03, 0x87, 0xD2, 0x03, 0x88, 0xD2, 0x03,
       0x89});
  put(image, 0x010,
      {0xD2, 0x03, 0x3F, 0xC0, 0x06, 0x0F, 0x69, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0xC4,
       0x09});
  put(image, 0x020, {0xC0, 0x2E, 0xB7, 0x09, 0x01});
  put(image, 0x030,
      {0xFC, 0xFF, 0xFC, 0xCF, 0xC0, 0xCC, 0xCC, 0xCC, 0x00, 0xA0, 0x00, 0x80, 0xFC, 0xCF, 0xFF,
       0xFC});
  put(image, 0x040,
      {0x3A, 0x1F, 0xED, 0xFB, 0x10, 0x3E, 0x32, 0x01, 0xE4, 0x55, 0x55, 0x55, 0x55, 0x55});
  putText(image, 0x04E, "5529");
  put(image, 0x052, {0xF0, 0xFF, 0xFF, 0x01});
  putText(image, 0x066, "M42");
  put(image, 0x069, {0x14});
  for (int k = 0; k < 24; ++k) {
    char name[10];
    std::snprintf(name, sizeof name, "Fdr%02dName", k);
    putText(image, 0x06A + 9 * static_cast<std::size_t>(k), name);
    image[0x142 + static_cast<std::size_t>(k)] = 0x0A;
  }
  put(image, 0x15A, {0x3C, 0x02});
  put(image, 0x17E,
      {0x04, 0xFF, 0x00, 0x00, 0x00, 0x00, 0x02, 0xC7, 0x17, 0x06, 0x00, 0x06, 0x1E, 0x8E, 0x5A,
       0x5A, 0x49, 0x01});
  putText(image, 0x190, "A Tone Only !");
  putText(image, 0x1A4, "B Tone Only !");
  putText(image, 0x1B8, "C Tone Only !");
  putText(image, 0x1CC, "D Tone Only !");
  for (std::size_t i = 0; i < 0x60; ++i)
    image[0x1E0 + i] = static_cast<std::uint8_t>(0x20 + i);
  putText(image, 0x240, "-- KVR M61 ---------");
  putText(image, 0x254, "123456789");
  put(image, 0x268, {0x04, 0x00, 0x00});
  putPrompts(image, defaultPromptsA());
  setChecksum(image);
  return image;
}

Image makeDefaultImageB() {
  Image image = defaultImageA();
  put(image, 0x000,
      {0x86, 0xC0, 0x4B, 0x21, 0x86, 0xC4, 0x4B, 0x21, 0x86, 0xC2, 0x4B, 0x21, 0x86, 0xC6, 0x4B,
       0x21});
  put(image, 0x010,
      {0x06, 0x01, 0x00, 0x00, 0x06, 0x05, 0x00, 0x00, 0x06, 0x03, 0x00, 0x00, 0x06, 0x07, 0x00,
       0x00});
  put(image, 0x020,
      {0x02, 0xCA, 0x73, 0x97, 0x00, 0x01, 0xFE, 0x00, 0x00, 0xC4, 0x09, 0xC0, 0x1C, 0x3D, 0x09,
       0x00});
  put(image, 0x056, {0x55, 0x55});
  putPrompts(image, defaultPromptsB());
  // The last byte stays the one of image A: it is not image B's own checksum. Every save and
  // pager write recomputes it, so nothing depends on it.
  image[kChecksumOffset] = defaultImageA()[kChecksumOffset];
  return image;
}

}  // namespace

const std::vector<std::string>& defaultPromptsA() {
  static const std::vector<std::string> prompts = {"DELETE?",
                                                   "  < EMPTY >",
                                                   "[REPEAT MSG]",
                                                   "LOW BATTERY",
                                                   "NO MESSAGE",
                                                   "END OF MESSAGE",
                                                   "[O.K.]",
                                                   "   Motor testing!",
                                                   "   Lamp testing!",
                                                   "   Buzzer testing!",
                                                   " 512BPS",
                                                   "1200BPS",
                                                   "2400BPS",
                                                   "OFF",
                                                   "ON ",
                                                   "NO SERVICE",
                                                   "INVALID!",
                                                   "Baud Rate: ",
                                                   "SUN",
                                                   "MON",
                                                   "TUE",
                                                   "WED",
                                                   "THU",
                                                   "FRI",
                                                   "SAT",
                                                   "UNREAD   ",
                                                   "TONE ONLY!",
                                                   "MESSAGE FULL",
                                                   "   UNLOCK  ",
                                                   "YES      NO",
                                                   "     DELETE",
                                                   "     DELETE ALL  ",
                                                   "     LOCK  ",
                                                   "SET CONTRAST:",
                                                   "AUTO:     ",
                                                   "DISABLE",
                                                   "ENABLE",
                                                   " TO ",
                                                   "TIME",
                                                   "ALARM",
                                                   "AUTO",
                                                   "MELODY",
                                                   "CONTRAST",
                                                   "ALERT",
                                                   "MEMORY",
                                                   "POWER OFF",
                                                   "BUZZER",
                                                   "MOTOR",
                                                   "MUTE  ",
                                                   "PUBLIC"};
  return prompts;
}

const std::vector<std::string>& defaultPromptsB() {
  static const std::vector<std::string> prompts = [] {
    std::vector<std::string> list;
    for (const std::string& s : defaultPromptsA()) {
      if (s == "LOW BATTERY") {
        list.push_back("Low Cell!");
      } else if (s == "MUTE  ") {
        list.push_back("MUTE");
      } else {
        list.push_back(s);
      }
      if (s == "POWER OFF") list.push_back("AUTOBL");
    }
    return list;
  }();
  return prompts;
}

const Image& defaultImageA() {
  static const Image image = makeDefaultImageA();
  return image;
}

const Image& defaultImageB() {
  static const Image image = makeDefaultImageB();
  return image;
}

}  // namespace capcode
