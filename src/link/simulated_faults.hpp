#pragma once
// The faults a simulated programmer can be given on purpose (--sim-fault), as one table: each
// kind's spelling, the simulated part it hits and its help. The parser, the check that a
// fault has a part to show it, and the help footer all walk it.

#include <span>
#include <string>
#include <string_view>

#include "link/simulated_programmer.hpp"

namespace capcode {

// The simulated part that shows a fault.
enum class FaultPart {
  Box,     // a simulated box (--sim-usb)
  Port,    // the simulated parallel port's chip (--sim-lpt)
  Either,  // whichever there is: both when both are simulated
};

struct SimulatedFaultKind {
  std::span<const std::string_view> names;  // "read", "write", "attach": before the first ':'
  const char* spelling;                     // "read:N:S, write:N:S, attach:N:S"
  FaultPart hits;
  const char* help;  // its help lines after the spelling column, joined by '\n'
  // Reads `fault` (without its box prefix) into the planned faults; an error text naming
  // `given` (as the person gave it), or empty.
  std::string (*parse)(const std::string& fault, const std::string& given, SimulatedBoxFaults& box,
                       unsigned& nakAtByte);
};

std::span<const SimulatedFaultKind> simulatedFaultKinds();
// The kind of a fault without its box prefix ("nak:3"); none for an unknown one.
const SimulatedFaultKind* simulatedFaultKind(const std::string& fault);
// Decimal digits only, at most a million: no sign, no blank, no wrap-around.
bool parseFaultNumber(const std::string& text, unsigned long& value);
// "  read:N:S, write:N:S, attach:N:S  the Nth report ..." and the notes after the kinds.
std::string simulatedFaultHelp();

}  // namespace capcode
