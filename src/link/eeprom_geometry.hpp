#pragma once
// The 24Cxx serial EEPROM family by type code: total size, page-write size, the selector byte
// of the USB programmer, and the shape of the address phase on the two-wire bus.

#include <cstdint>
#include <optional>
#include <string_view>

namespace capcode {

struct EepromGeometry {
  int typeCode;
  std::uint32_t size;      // bytes
  std::uint32_t pageSize;  // bytes per page write
  std::uint8_t usbSelector;
};

inline constexpr int kPagerEepromType = 16;  // the 24C16 of every pager of the family

// The row for a type code; nothing for an unknown code.
std::optional<EepromGeometry> eepromGeometry(int typeCode);

// The pager's own chip, the 24C16.
const EepromGeometry& pagerEeprom();

// The bytes of the address phase after START, each followed by an acknowledge check: the
// control byte, then one or two address bytes. Returns the number of bytes (2 or 3).
int addressPhaseBytes(const EepromGeometry& geometry, std::uint8_t select, std::uint16_t address,
                      std::uint8_t out[3]);

}  // namespace capcode
