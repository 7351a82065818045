#pragma once
// The RF channel: the typed MHz text is snapped down onto the synthesizer grid (6.25 kHz or
// 5 kHz, counted from the 21.4 MHz intermediate frequency) and the grid step is kept for the
// image encoder.

#include <cstdint>
#include <optional>
#include <string>

namespace capcode {

class ProgramState;

inline constexpr std::uint32_t kIntermediateFrequencyHz = 21400000;
inline constexpr std::size_t kFrequencyWidth = 9;  // "146.56250"

// The channel text padded to 9 characters: the decimal mark after the third character, zeros
// elsewhere ("146" -> "146.00000", "14" -> "140.00000").
std::string padFrequencyText(std::string text, char decimalMark);

struct ChannelPlan {
  std::uint32_t hertz;        // the channel on its grid
  std::uint16_t channelStep;  // Hz: 6250, 5000, 3125 or 2500
  bool baseTimesFour;         // pll_baseD2 "x4" (FS8108 only)
};

// Snaps a channel (in Hz) for the given PLL type index; nothing when it lies outside the
// 100-199 and 400-499 MHz bands.
std::optional<ChannelPlan> planChannel(std::int64_t hertz, int pllIndex);

// Attaches frequencyKeyPress and frequencyExit.
void installFrequencyRules(ProgramState& state);

}  // namespace capcode
