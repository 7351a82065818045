#pragma once
// The USB programmer's report protocol. Output reports (host to box) and input reports (box to
// host) are 64 bytes after a one-byte report ID (65 as the device declares them); multi-byte
// values are big-endian.
//   output: [0] report ID 0  [1] command  [2] chip selector  [3] address high  [4] address low
//           [5..36] 32 data bytes  [37..L-2] zero  [L-1] CRC-8/MAXIM over [1..L-2]
//   input:  [0] report ID  [1] status ('A'..'D' errors, anything else success)  [2] unused
//           [3..34] 32 data bytes of a read block

#include <cstddef>
#include <cstdint>
#include <optional>

namespace capcode {

inline constexpr std::uint8_t kCommandAttach = 0x13;
inline constexpr std::uint8_t kCommandReadBlock = 0x14;
inline constexpr std::uint8_t kCommandWriteBlock = 0x15;
inline constexpr std::size_t kBlockBytes = 32;
inline constexpr std::size_t kDeclaredReportLength = 65;  // report ID included
inline constexpr std::size_t kReportBufferSize = 256;     // room for any declared length

// CRC-8/MAXIM: reflected polynomial 0x8C, initial value 0, no final inversion ("abc" -> 0x42).
std::uint8_t crc8Update(std::uint8_t crc, std::uint8_t byte);
std::uint8_t crc8(const std::uint8_t* data, std::size_t length);

// Puts the CRC of report[1 .. length-2] into report[length-1].
void sealReport(std::uint8_t* report, std::size_t length);

// The message box text for an error status, or nothing for a success status.
std::optional<const char*> statusMessage(std::uint8_t status);

}  // namespace capcode
