#pragma once
// The synthesizer (PLL) chips a pager can carry, by PLL type: the hardware page's "pll" list
// and the Help > Recover menu, whose item for a chip programs a pager as carrying it without
// reading the pager's own settings first. One table for the window, its menu and tick marks,
// and the command line's --recover.

#include <array>
#include <string>
#include <string_view>

namespace capcode {

struct RecoveryChip {
  const char* name;      // "KS8809": the chip, as the pll list and the menu show it
  const char* menuItem;  // "KS88091": its item under Help > Recover
};

// Entry i is PLL type i, in menu order.
inline constexpr std::array<RecoveryChip, 4> kRecoveryChips = {
    {{"KS8809", "KS88091"}, {"SM5170", "SM51701"}, {"FS8108", "FS81081"}, {"FS8170", "FS81701"}}};

// The chip of that name, or nullptr.
inline const RecoveryChip* recoveryChip(std::string_view name) {
  for (const RecoveryChip& chip : kRecoveryChips) {
    if (name == chip.name) return &chip;
  }
  return nullptr;
}

// The chips' names for a message: "KS8809, SM5170, FS8108, FS8170".
inline std::string recoveryChipNames() {
  std::string names;
  for (const RecoveryChip& chip : kRecoveryChips)
    names += (names.empty() ? "" : ", ") + std::string(chip.name);
  return names;
}

}  // namespace capcode
