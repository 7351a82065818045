#include "link/usb_protocol.hpp"

namespace capcode {

std::uint8_t crc8Update(std::uint8_t crc, std::uint8_t byte) {
  for (int i = 0; i < 8; ++i) {
    const bool mix = ((crc ^ byte) & 1) != 0;
    crc = static_cast<std::uint8_t>(crc >> 1);
    if (mix) crc ^= 0x8C;
    byte = static_cast<std::uint8_t>(byte >> 1);
  }
  return crc;
}

std::uint8_t crc8(const std::uint8_t* data, std::size_t length) {
  std::uint8_t crc = 0;
  for (std::size_t i = 0; i < length; ++i)
    crc = crc8Update(crc, data[i]);
  return crc;
}

void sealReport(std::uint8_t* report, std::size_t length) {
  report[length - 1] = crc8(report + 1, length - 2);
}

std::optional<const char*> statusMessage(std::uint8_t status) {
  switch (status) {
    case 'A':
      return "EERPOM not found!";
    case 'B':
      return "USB error!";
    case 'C':
      return "CRC error!";
    case 'D':
      return "CMD not valid!";
    default:
      return std::nullopt;
  }
}

}  // namespace capcode
