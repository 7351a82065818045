#include "link/transfer_engine.hpp"

#include <algorithm>
#include <cstring>
#include <string>

#include "link/eeprom_geometry.hpp"
#include "link/programmer_links.hpp"

namespace capcode {

namespace {
constexpr std::uint32_t kAfterPowerOnMillis = 200;
const char* const kVerifyCaption = "Verify data from pager, please wait...";
}  // namespace

std::uint8_t TransferEngine::transferEeprom(const EepromGeometry& chip, std::uint8_t select,
                                            TransferDirection direction, std::uint8_t* buffer) {
  usbWriteSent_ = false;
  lptWriteStarted_ = false;
  verifyRan_ = false;
  links_.lpt.setGeometry(chip);
  const bool read = direction == TransferDirection::Read;
  if (state_.UsbMode) {
    return usb(read, static_cast<std::uint8_t>(chip.usbSelector | (select & 0x07)), buffer,
               chip.size);
  }
  return parallelPort(read, select, buffer, chip.size);
}

TransferProgress TransferEngine::progress() const {
  return {usbWriteSent_ || (lptWriteStarted_ && links_.lpt.acknowledgedDataBytes() > 0),
          verifyRan_};
}

void TransferEngine::startVerify() {
  verifyRan_ = true;
  state_.State_Form.setCaption(kVerifyCaption);
  state_.State_Form.setPosition(0);
}

std::uint8_t TransferEngine::parallelPort(bool read, std::uint8_t select, std::uint8_t* buffer,
                                          std::uint32_t size) {
  ParallelPortLink& link = links_.lpt;
  link.programmerEnable();
  link.powerOn();
  links_.clock.sleepMillis(kAfterPowerOnMillis);
  std::uint8_t result = kTransferFailed;
  if (read) {
    result = link.readAll(select, buffer) ? kReadOk : kTransferFailed;
  } else {
    lptWriteStarted_ = true;
    if (!link.writeAll(select, buffer)) {
      result = kWriteNotAcknowledged;
    } else {
      startVerify();
      result =
          link.readAll(select, verify_.data()) && std::memcmp(buffer, verify_.data(), size) == 0
              ? kVerifyOk
              : kVerifyMismatch;
    }
  }
  link.powerOff();
  link.programmerDisable();
  link.sdaLow();
  link.sclLow();
  // A port that could not be reached says why once, so the technician can fix it.
  const bool failed = links_.port.takeFailure();
  if (const std::string problem = links_.port.takeProblem(); !problem.empty()) state_.log(problem);
  return failed ? kTransferFailed : result;
}

ExchangeResult TransferEngine::exchange(HidDevice& device) {
  const std::size_t outLength = std::min(device.outputReportLength(), out_.size());
  const std::size_t inLength = std::min(device.inputReportLength(), in_.size());
  sealReport(out_.data(), outLength);
  if (!device.writeReport(out_.data(), outLength)) return ExchangeResult::WriteFailed;
  switch (device.readReport(in_.data(), inLength, replyTimeoutMillis)) {
    case HidReadResult::Ok:
      return ExchangeResult::Ok;
    case HidReadResult::TimedOut:
      return ExchangeResult::TimedOut;
    case HidReadResult::Failed:
      break;
  }
  return ExchangeResult::ReadFailed;
}

void TransferEngine::prepareBlock(std::uint8_t command, std::uint8_t selector,
                                  std::uint32_t address) {
  out_[0] = 0;  // report ID
  out_[1] = command;
  out_[2] = selector;
  out_[3] = static_cast<std::uint8_t>(address >> 8);
  out_[4] = static_cast<std::uint8_t>(address);
}

void TransferEngine::discardPendingReplies(HidDevice& device) {
  // A reply that came after its time limit would otherwise answer the next report, and the
  // whole sequence would run one report behind.
  const std::size_t inLength = std::min(device.inputReportLength(), in_.size());
  for (int stale = 0; stale < kMaxStaleReplies; ++stale) {
    if (device.readReport(in_.data(), inLength, 0) != HidReadResult::Ok) break;
  }
}

ExchangeResult TransferEngine::sendAttach(HidDevice& device) {
  discardPendingReplies(device);
  out_[0] = 0;
  out_[1] = kCommandAttach;
  return exchange(device);
}

bool TransferEngine::checkExchange(HidDevice& device, ExchangeResult result) {
  switch (result) {
    case ExchangeResult::Ok:
      break;
    case ExchangeResult::TimedOut:
      state_.message("Read Error: the programmer did not answer within " +
                     std::to_string(replyTimeoutMillis) + " ms.");
      return false;
    case ExchangeResult::WriteFailed:
    case ExchangeResult::ReadFailed: {
      const std::string why = device.errorText();
      state_.message(
          std::string(result == ExchangeResult::WriteFailed ? "Write Error: " : "Read Error: ") +
          (why.empty() ? "the programmer is not connected." : why));
      return false;
    }
  }
  if (const auto error = statusMessage(in_[1])) {
    state_.message(*error);
    return false;
  }
  return true;
}

bool TransferEngine::usbReadLoop(HidDevice& device, std::uint8_t selector, std::uint8_t* buffer,
                                 std::uint32_t size) {
  for (std::uint32_t p = 0; p < size; p += kBlockBytes) {
    prepareBlock(kCommandReadBlock, selector, p);
    std::fill_n(out_.begin() + 5, kBlockBytes, 0);
    const ExchangeResult result = exchange(device);
    state_.State_Form.stepBy(static_cast<int>(kBlockBytes));
    if (!checkExchange(device, result)) return false;
    std::copy_n(in_.begin() + 3, kBlockBytes, buffer + p);
  }
  return true;
}

std::uint8_t TransferEngine::usb(bool read, std::uint8_t selector, std::uint8_t* buffer,
                                 std::uint32_t size) {
  if (links_.programmerDevice == nullptr || !links_.programmerDevice->device)
    return kTransferFailed;
  HidDevice& device = *links_.programmerDevice->device;
  discardPendingReplies(device);
  if (read) return usbReadLoop(device, selector, buffer, size) ? kReadOk : kTransferFailed;

  for (std::uint32_t p = 0; p < size; p += kBlockBytes) {
    prepareBlock(kCommandWriteBlock, selector, p);
    std::copy_n(buffer + p, kBlockBytes, out_.begin() + 5);
    const ExchangeResult result = exchange(device);
    // A report that left the host may have been written, whether or not its reply came.
    usbWriteSent_ = usbWriteSent_ || result != ExchangeResult::WriteFailed;
    state_.State_Form.stepBy(static_cast<int>(kBlockBytes));
    if (!checkExchange(device, result)) return kTransferFailed;
  }
  startVerify();
  if (!usbReadLoop(device, selector, verify_.data(), size)) return kTransferFailed;
  return std::memcmp(buffer, verify_.data(), size) == 0 ? kVerifyOk : kVerifyMismatch;
}

}  // namespace capcode
