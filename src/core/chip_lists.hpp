#pragma once
// Entries of the hardware page's chip lists that rules test for by index: the synthesizer
// ("pll", the order of kRecoveryChips) and the LCD driver ("lcddrv").

namespace capcode {

inline constexpr int kPllFs8108 = 2;
inline constexpr int kPllFs8170 = 3;

inline constexpr int kLcdT6k04 = 0;
inline constexpr int kLcdSd1815 = 1;
inline constexpr int kLcdSt7567a = 2;

}  // namespace capcode
