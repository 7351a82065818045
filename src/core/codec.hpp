#pragma once
// The two conversions between the image and the window's settings.

namespace capcode {

class ProgramState;

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
