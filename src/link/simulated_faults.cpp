#include "link/simulated_faults.hpp"

#include <algorithm>
#include <optional>

#include "link/usb_protocol.hpp"

namespace capcode {

namespace {

std::optional<PlannedReply> replyNamed(const std::string& s) {
  if (s == "A") return PlannedReply::StatusA;
  if (s == "B") return PlannedReply::StatusB;
  if (s == "C") return PlannedReply::StatusC;
  if (s == "D") return PlannedReply::StatusD;
  if (s == "silent") return PlannedReply::Silent;
  if (s == "unplug") return PlannedReply::Unplug;
  if (s == "late") return PlannedReply::Late;
  return std::nullopt;
}

// What follows "kind:" in a fault; empty when there is no colon.
std::string restOf(const std::string& fault) {
  const std::size_t colon = fault.find(':');
  return colon == std::string::npos ? "" : fault.substr(colon + 1);
}

std::string parseReply(const std::string& fault, const std::string& given,
                       SimulatedBoxFaults& box, unsigned&) {
  const std::string kind = fault.substr(0, fault.find(':'));
  const std::string rest = restOf(fault);
  const std::uint8_t command = kind == "read"    ? kCommandReadBlock
                               : kind == "write" ? kCommandWriteBlock
                                                 : kCommandAttach;
  const std::size_t second = rest.find(':');
  unsigned long n = 0;
  if (second == std::string::npos) return "unknown fault: " + given;
  const auto reply = replyNamed(rest.substr(second + 1));
  if (!parseFaultNumber(rest.substr(0, second), n) || n == 0 || !reply)
    return "unknown fault: " + given;
  box.planned[{command, static_cast<unsigned>(n)}] = *reply;
  return {};
}

std::string parseFlip(const std::string& fault, const std::string& given, SimulatedBoxFaults& box,
                      unsigned&) {
  unsigned long n = 0;
  if (!parseFaultNumber(restOf(fault), n) || n >= 2048) return "flip needs an offset 0..2047: " + given;
  box.flippedOffsets.push_back(n);
  return {};
}

std::string parseNoChip(const std::string& fault, const std::string& given,
                        SimulatedBoxFaults& box, unsigned&) {
  if (fault != "nochip") return "unknown fault: " + given;
  box.noChip = true;
  return {};
}

std::string parseNak(const std::string& fault, const std::string& given, SimulatedBoxFaults&,
                     unsigned& nakAtByte) {
  unsigned long n = 0;
  if (!parseFaultNumber(restOf(fault), n) || n == 0) return "nak needs a byte number from 1: " + given;
  nakAtByte = static_cast<unsigned>(n);
  return {};
}

constexpr std::string_view kReplyNames[] = {"read", "write", "attach"};
constexpr std::string_view kFlipNames[] = {"flip"};
constexpr std::string_view kNoChipNames[] = {"nochip"};
constexpr std::string_view kNakNames[] = {"nak"};

const SimulatedFaultKind kKinds[] = {
    {kReplyNames, "read:N:S, write:N:S, attach:N:S", FaultPart::Box,
     "the Nth report of that command (0x14, 0x15, 0x13,\n"
     "counted from 1) gets the reply S: A, B, C or D (that status),\n"
     "silent (no reply), late (the reply comes after the time limit)\n"
     "or unplug (the box is gone from then on); needs --sim-usb",
     parseReply},
    {kFlipNames, "flip:OFFSET", FaultPart::Box,
     "the box's stored byte at OFFSET reads back inverted (--sim-usb)", parseFlip},
    {kNoChipNames, "nochip", FaultPart::Either,
     "no EEPROM: the box answers A, the port's chip never acknowledges", parseNoChip},
    {kNakNames, "nak:N", FaultPart::Port,
     "the chip does not acknowledge the Nth byte sent to it (--sim-lpt)", parseNak},
};

// The spelling column of the help, in characters.
constexpr std::size_t kSpellingColumn = 20;

std::string helpRow(const std::string& spelling, const std::string& help) {
  std::string row = "  " + spelling;
  row += row.size() < kSpellingColumn + 2 ? std::string(kSpellingColumn + 2 - row.size(), ' ')
                                          : std::string("  ");
  std::size_t from = 0;
  for (;;) {
    const std::size_t end = help.find('\n', from);
    row += help.substr(from, end - from) + "\n";
    if (end == std::string::npos) return row;
    row += std::string(kSpellingColumn + 2, ' ');
    from = end + 1;
  }
}

}  // namespace

bool parseFaultNumber(const std::string& text, unsigned long& value) {
  constexpr unsigned long kLimit = 1000000;
  if (text.empty() || text.size() > 7) return false;
  value = 0;
  for (const char c : text) {
    if (c < '0' || c > '9') return false;
    value = value * 10 + static_cast<unsigned long>(c - '0');
  }
  return value <= kLimit;
}

std::span<const SimulatedFaultKind> simulatedFaultKinds() {
  return kKinds;
}

const SimulatedFaultKind* simulatedFaultKind(const std::string& fault) {
  const std::string_view name = std::string_view(fault).substr(0, fault.find(':'));
  for (const SimulatedFaultKind& kind : kKinds) {
    if (std::find(kind.names.begin(), kind.names.end(), name) != kind.names.end()) return &kind;
  }
  return nullptr;
}

std::string simulatedFaultHelp() {
  std::string help;
  for (const SimulatedFaultKind& kind : kKinds)
    help += helpRow(kind.spelling, kind.help);
  help += helpRow("boxK:FAULT", "gives FAULT to simulated box K only (without it, every box has it)");
  help +=
      "  Numbers are decimal, 1 to 1000000; a fault that the chosen simulation cannot show is\n"
      "  refused.\n";
  return help;
}

}  // namespace capcode
