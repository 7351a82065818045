#pragma once
// Where each window control lives in the settings half of the image, declared once: the decoder
// and the encoder both walk this map, in its order, and the commands that ask which bytes a
// control carries find them here. Plain bit and byte fields are rows of the table; the layouts
// that are not plain fields (the scrambled capcodes, the frequency, the battery volts, the
// alert type and synthesizer spread over two bytes, ...) are rows of kind Custom, named by a
// CustomLayout that the decoder and the encoder each handle by hand at that place in the walk.
//
// Rows are in the order the decoder sets the controls (a control's change rule may read
// controls set before it); the encoder writes a byte when the walk first meets a control that
// begins in it, from every plain field the byte holds.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "core/image.hpp"

namespace capcode {

enum class FieldKind : std::uint8_t {
  Check,    // a check box: the bit is set when it is ticked (clear, when `inverted`)
  Index,    // a list: the bits are the item index; nothing selected is written as all ones
  Number,   // a text holding a decimal number
  NonZero,  // one bit saying a number text is not 0: clear is read as "0", set leaves the text
  Text,     // a text of up to `width` bytes, NUL-terminated when shorter
  Hex,      // a text of four hexadecimal digits: a 16-bit value, low byte first in the image
  Custom,   // not a plain field: see CustomLayout
};

// The hardware revisions a row applies to: the first 48 bytes differ between the HW-A heads
// (HW-A2, HW-A3) and the HW-B head.
enum class Heads : std::uint8_t { Both, HwA, HwB };

enum class CustomLayout : std::uint8_t {
  None,
  CapcodesHwA,       // address1..6: 3 bytes each from 0x000, the frame digits in 0x013
  FramesHwA,         // 0x013: frame1 and frame3 (written only: read back with the capcodes)
  FrequencyHwA,      // 0x01E channel step, 0x020 frequency in Hz (4 bytes)
  CapcodesHwB,       // address1..8: bit-reversed pieces in bytes 1-3 of each 4-byte row
  DividerCheck,      // 0x026: the complement of the divider byte 0x025
  FrequencyHwB,      // 0x029 channel step, 0x02B frequency in Hz (4 bytes)
  AlertType,         // 0x040 bits 4-5, or "User select" as bit 5 of 0x185
  Synthesizer,       // pll: bits 6-7 of 0x17E, or when they are 0 bit 4 of 0x185
  BatteryVolts,      // fullbat .. gonebat at 0x18B-0x18E, in units of Vref / 256
  RangeTime,         // 0x18F: the item index plus one
  AmplifierDefault,  // 0x269: a blank amplifier setting reads as the factory default, 3
  SettingsEnd,       // 0x3FF: written as 0
};

struct ImageField {
  std::string control;  // empty for a custom layout
  std::size_t offset = 0;
  unsigned shift = 0;  // the field's lowest bit in its byte
  unsigned width = 8;  // bits (for texts: bytes)
  FieldKind kind = FieldKind::Number;
  Heads heads = Heads::Both;
  bool inverted = false;  // check boxes: ticked when the bit is clear
  bool reversed = false;  // the bits stand in reverse order in the byte
  // A control split over two bytes has one row per piece, one after the other: the piece's
  // bits are value bits `valueShift` and up.
  unsigned valueShift = 0;
  // The pager reads only `width` bits, but the whole number is written to the byte.
  bool wholeByteWritten = false;
  std::string ruleAfter;  // a rule the decoder runs by name once the control is set
  CustomLayout custom = CustomLayout::None;
};

// Check, Index, Number and NonZero rows: bits in one byte, written by the byte they share.
bool isBitField(const ImageField& f);

// Every row, in decoding order, for both heads.
const std::vector<ImageField>& imageMap();

// One control (all of its rows) or one custom layout, in decoding order, for one revision.
struct ImageStep {
  std::vector<const ImageField*> rows;  // never empty
  const ImageField& first() const { return *rows.front(); }
  // The byte the encoder writes at this step (from all of its plain fields), if any.
  struct Byte {
    std::size_t offset = 0;
    std::uint8_t fixed = 0;  // bits no control carries, always written so
    std::uint8_t kept = 0;   // bits a custom layout wrote before, left as they are
    std::vector<const ImageField*> fields;
  };
  const Byte* writes = nullptr;
};

// The walk for a hardware revision (HW-A2 and HW-A3 share one). Built on first use; the
// reference stays valid for the life of the program.
const std::vector<ImageStep>& imageSteps(std::uint8_t revision);

// The rows carrying `control` under `revision` (custom layouts not included).
std::vector<const ImageField*> fieldsOfControl(const std::string& control, std::uint8_t revision);

// The lowest `width` bits of `value` (up to 8) in reverse order.
unsigned reverseBits(unsigned value, unsigned width);

// A control's value from the bits of its rows in `image`.
unsigned readBits(const Image& image, const std::vector<const ImageField*>& rows);

// Bytes the settings do not carry, by region.
inline constexpr std::size_t kModelCodeOffset = 0x066;  // three characters
inline constexpr std::size_t kModelCodeSize = 3;
inline constexpr std::size_t kCharacterTableOffset = 0x1E0;
inline constexpr std::size_t kCharacterTableSize = 0x60;
inline constexpr std::size_t kEditionTagOffset = 0x3FE;

}  // namespace capcode
