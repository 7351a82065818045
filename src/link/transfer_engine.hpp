#pragma once
// Moves one whole EEPROM image between a buffer and the pager, through the USB programmer when
// one is attached and otherwise through the parallel-port link, and answers with one result:
//   0 write not acknowledged, 1 written but the read-back differs, 2 written and verified,
//   3 read completed, 255 failure.

#include <array>
#include <cstdint>
#include <string_view>

#include "link/eeprom_geometry.hpp"
#include "link/hid_device.hpp"
#include "link/usb_protocol.hpp"

namespace capcode {

class ProgramState;
struct ProgrammerLinks;

inline constexpr std::uint8_t kWriteNotAcknowledged = 0;
inline constexpr std::uint8_t kVerifyMismatch = 1;
inline constexpr std::uint8_t kVerifyOk = 2;
inline constexpr std::uint8_t kReadOk = 3;
inline constexpr std::uint8_t kTransferFailed = 255;

// How long the host waits for the programmer's reply to a report. The box answers within a few
// milliseconds; a box that does not answer at all must not hang the window.
inline constexpr int kReplyTimeoutMillis = 2000;
// At most this many stale replies are dropped before a sequence (the box queues few).
inline constexpr int kMaxStaleReplies = 64;

enum class ExchangeResult { Ok, WriteFailed, ReadFailed, TimedOut };

enum class TransferDirection { Read, Write };

// How far the last transfer got with the pager; true as soon as it happened, so an error that
// ends the transfer half-way (even an exception) leaves what was true at that moment.
struct TransferProgress {
  // USB: a write-block report was sent (whatever its reply); parallel port: a data byte of the
  // write was acknowledged. The pager may hold part of the new image.
  bool writeReachedPager = false;
  bool verifyRan = false;  // the verify pass after the write started
};

class TransferEngine {
 public:
  TransferEngine(ProgramState& state, ProgrammerLinks& links) : state_(state), links_(links) {}

  // `buffer` holds at least `chip.size` bytes; a write verifies what it wrote. `select` is the
  // chip's select bits (0-7). Blocks until done; drives the progress dialog; shows the box's
  // error replies.
  std::uint8_t transferEeprom(const EepromGeometry& chip, std::uint8_t select,
                              TransferDirection direction, std::uint8_t* buffer);

  // One report out and its reply in, through the shared report buffers.
  ExchangeResult exchange(HidDevice& device);
  // Reads and drops every input report already waiting (late replies), without waiting.
  void discardPendingReplies(HidDevice& device);
  // The attach report: command 0x13 and its CRC over whatever the output buffer holds.
  ExchangeResult sendAttach(HidDevice& device);

  // The last transfer's progress (reset when a transfer starts).
  TransferProgress progress() const;

  int replyTimeoutMillis = kReplyTimeoutMillis;
  const std::array<std::uint8_t, kReportBufferSize>& outputReport() const { return out_; }

 private:
  std::uint8_t parallelPort(bool read, std::uint8_t select, std::uint8_t* buffer,
                            std::uint32_t size);
  std::uint8_t usb(bool read, std::uint8_t selector, std::uint8_t* buffer, std::uint32_t size);
  // Reads the chip block by block; false after an error (already reported).
  bool usbReadLoop(HidDevice& device, std::uint8_t selector, std::uint8_t* buffer,
                   std::uint32_t size);
  bool checkExchange(HidDevice& device, ExchangeResult result);
  // The head of a block report: report ID, command, chip selector, address (big-endian).
  void prepareBlock(std::uint8_t command, std::uint8_t selector, std::uint32_t address);
  void startVerify();

  ProgramState& state_;
  ProgrammerLinks& links_;
  // Fixed buffers: a transfer allocates nothing per block.
  std::array<std::uint8_t, kReportBufferSize> out_{};
  std::array<std::uint8_t, kReportBufferSize> in_{};
  std::array<std::uint8_t, 32768> verify_{};
  bool usbWriteSent_ = false;
  bool lptWriteStarted_ = false;  // the link's acknowledge count belongs to this transfer
  bool verifyRan_ = false;
};

}  // namespace capcode
