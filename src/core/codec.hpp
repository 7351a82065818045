#pragma once
// The two conversions between the image and the window's settings.

#include <cstdint>

#include "core/image.hpp"

namespace capcode {

class ProgramState;

// Shows a battery threshold byte in its voltage field: Vref x byte / 256, rounded up by the
// state's round-up when the third decimal is 5 or more, cut to the field's four characters.
// Throws ConversionError when the Vref text is not a number.
void setBatteryField(ProgramState& state, const char* field, std::uint8_t byte);

// The synthesizer type index the image names: bits 6-7 of 0x17E, or when they are 0 bit 4 of
// 0x185 (KS8809 or SM5170). Selector 3 gives 4, outside the list.
int pllIndexFromImage(const Image& image);

// Fills the settings from state.ConfigImage, in the layout that state.HardwareRevision selects
// at the moment of the call. Never rejects an image: a value outside a list selects nothing.
// Assignments run the fields' change and click rules; the list rules it needs it runs by name.
// Reads the image only, except that a stored LCD driver amplifier 0 (byte 0x269) is set to 3.
// Throws ConversionError when the Vref text is not a number (fields set before keep their values).
void decodeImage(ProgramState& state);

// Writes the settings into state.ConfigImage in place. Bytes it does not name keep their value
// (unused bytes, model code, character table, prompt block, checksum). Runs no rule.
// Throws ConversionError at the first numeric text that does not convert; bytes written before
// hold their new values.
void encodeImage(ProgramState& state);

}  // namespace capcode
