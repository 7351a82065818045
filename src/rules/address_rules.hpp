#pragma once
// The eight address rows: legal capcodes, frames and the frame pairs of the HW-A boards,
// duplicates, enable boxes, message types with their folder groups, and the auto-increment
// steps that advance the capcodes after each verified write.

#include <cstdint>

namespace capcode {

class ProgramState;

// Legal capcodes: 8..2007663, 2007672..2045055, 2045064..2097143.
bool isLegalCapcode(std::int64_t capcode);

// Attaches addressNChange, addressNExit, addrNenClick, msgtypeNChange, autoincKeyPress,
// autoincNExit and defines advanceAddresses.
void installAddressRules(ProgramState& state);

}  // namespace capcode
