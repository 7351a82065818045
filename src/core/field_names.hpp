#pragma once
// Field families that several parts of the program walk in the same order.

#include <array>

namespace capcode {

// The eight tone patterns in image order (0x030, 0x032 .. 0x03E).
inline constexpr std::array<const char*, 8> kTonePatternFields = {
    "tonepatternA",   "tonepatternB",     "tonepatternC",      "tonepatternD",
    "tonepatternPon", "tonepatternLcell", "tonepatternUcall1", "tonepatternUcall2"};

// The battery thresholds in image order (0x18B .. 0x18E).
inline constexpr std::array<const char*, 4> kBatteryFields = {"fullbat", "halfbat", "lowbat",
                                                              "gonebat"};

// The canned messages in image order (0x190, 0x1A4, 0x1B8, 0x1CC).
inline constexpr std::array<const char*, 4> kCannedMessageFields = {"cannedmsgA", "cannedmsgB",
                                                                    "cannedmsgC", "cannedmsgD"};

}  // namespace capcode
