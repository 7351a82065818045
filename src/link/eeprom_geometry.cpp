#include "link/eeprom_geometry.hpp"

namespace capcode {

namespace {

constexpr EepromGeometry kTable[] = {
    {2, 256, 1, 0x10},    {4, 512, 16, 0x20},   {8, 1024, 16, 0x30},    {16, 2048, 16, 0x40},
    {32, 4096, 32, 0x50}, {64, 8192, 32, 0x60}, {128, 16384, 64, 0x70}, {256, 32768, 64, 0x80},
};

}  // namespace

std::optional<EepromGeometry> eepromGeometry(int typeCode) {
  for (const auto& row : kTable) {
    if (row.typeCode == typeCode) return row;
  }
  return std::nullopt;
}

const EepromGeometry& pagerEeprom() {
  static const EepromGeometry chip = *eepromGeometry(kPagerEepromType);
  return chip;
}

int addressPhaseBytes(const EepromGeometry& g, std::uint8_t sel, std::uint16_t address,
                      std::uint8_t out[3]) {
  const auto low = static_cast<std::uint8_t>(address & 0xFF);
  const auto high = static_cast<std::uint8_t>(address >> 8);
  switch (g.typeCode) {
    case 2:
      out[0] = 0xA0 | ((sel << 1) & 0x0E);
      break;
    case 4:
      out[0] = static_cast<std::uint8_t>(0xA0 | ((sel << 1) & 0x0C) | (high << 1));
      break;
    case 8:
      out[0] = static_cast<std::uint8_t>(0xA0 | ((sel << 1) & 0x08) | (high << 1));
      break;
    // The 24C16 has no select pins: address bits 10-8 ride in the control byte.
    case 16:
      out[0] = static_cast<std::uint8_t>(0xA0 | (high << 1));
      break;
    default: {
      const std::uint8_t mask = g.typeCode == 32    ? 0x0F
                                : g.typeCode == 64  ? 0x1F
                                : g.typeCode == 128 ? 0x3F
                                                    : 0x7F;
      out[0] = static_cast<std::uint8_t>(0xA0 | ((sel << 1) & 0x0E));
      out[1] = high & mask;
      out[2] = low;
      return 3;
    }
  }
  out[1] = low;
  return 2;
}

}  // namespace capcode
