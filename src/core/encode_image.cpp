#include <cmath>
#include <string>

#include "core/codec.hpp"
#include "core/conversions.hpp"
#include "core/field_names.hpp"
#include "core/image_map.hpp"
#include "core/program_state.hpp"

namespace capcode {

namespace {

class Encoder {
 public:
  explicit Encoder(ProgramState& state)
      : state_(state), form_(state.form), image_(state.ConfigImage) {}

  void run() {
    for (const ImageStep& step : imageSteps(state_.HardwareRevision)) {
      const ImageField& f = step.first();
      if (f.kind == FieldKind::Custom) {
        custom(f.custom);
      } else if (f.kind == FieldKind::Text) {
        writeImageText(image_, f.offset, f.width, form_.text(f.control));
      } else if (f.kind == FieldKind::Hex) {
        hexPair(f.control, f.offset);
      } else if (step.writes) {
        writeByte(*step.writes);
      }
    }
  }

 private:
  // int(f): the text as a signed decimal integer; the caller keeps the bits it needs.
  std::int32_t num(std::string_view name) const { return textToInt(form_.text(name)); }
  // idx(f): the selected index, -1 (all ones) when nothing is selected; masked by the caller.
  unsigned idx(std::string_view name) const { return static_cast<unsigned>(form_.index(name)); }
  void put(std::size_t offset, unsigned value) {
    image_.at(offset) = static_cast<std::uint8_t>(value);
  }

  // The bits of one plain field, in place in its byte.
  unsigned piece(const ImageField& f) const {
    unsigned value = 0;
    switch (f.kind) {
      case FieldKind::Check:
        value = form_.checked(f.control) != f.inverted ? 1 : 0;
        break;
      case FieldKind::Index:
        value = idx(f.control) >> f.valueShift;
        break;
      case FieldKind::Number:
        value = static_cast<unsigned>(num(f.control) / (1 << f.valueShift));
        break;
      case FieldKind::NonZero:
        value = num(f.control) != 0 ? 1 : 0;
        break;
      default:
        break;
    }
    if (f.wholeByteWritten) return value << f.shift;
    value &= (1u << f.width) - 1;
    if (f.reversed) value = reverseBits(value, f.width);
    return value << f.shift;
  }

  void writeByte(const ImageStep::Byte& byte) {
    unsigned value = byte.fixed | (image_[byte.offset] & byte.kept);
    for (const ImageField* f : byte.fields)
      value |= piece(*f);
    put(byte.offset, value);
  }

  void custom(CustomLayout layout) {
    switch (layout) {
      case CustomLayout::CapcodesHwA:
        return capcodesHwA();
      case CustomLayout::FramesHwA:
        return put(0x013, 0x80u + ((static_cast<unsigned>(num("frame1")) * 8) & 0x38) +
                              (static_cast<unsigned>(num("frame3")) & 7));
      case CustomLayout::FrequencyHwA:
        return frequencyAt(0x01E);
      case CustomLayout::CapcodesHwB:
        return capcodesHwB();
      case CustomLayout::DividerCheck:
        return put(0x026, ~static_cast<unsigned>(image_[0x025]));
      case CustomLayout::FrequencyHwB:
        return frequencyAt(0x029);
      case CustomLayout::AlertType:
        return alertType();
      case CustomLayout::Synthesizer:
        return synthesizer();
      case CustomLayout::BatteryVolts:
        for (std::size_t i = 0; i < kBatteryFields.size(); ++i)
          put(0x18B + i, batteryByte(kBatteryFields[i]));
        return;
      case CustomLayout::RangeTime:
        return put(0x18F, idx("rangetime") + 1);
      case CustomLayout::SettingsEnd:
        return put(0x3FF, 0);
      case CustomLayout::AmplifierDefault:
      case CustomLayout::None:
        return;
    }
  }

  void capcodesHwA() {
    for (int n = 1; n <= 6; ++n) {
      const std::int32_t c = num(rowControlName("address", n));
      writeLe(image_, 3 * static_cast<std::size_t>(n - 1), 3, static_cast<std::uint32_t>(c >> 3));
    }
  }

  void capcodesHwB() {
    for (int n = 1; n <= 8; ++n) {
      const std::size_t r = 4 * static_cast<std::size_t>(n - 1);
      const std::int32_t c = num(rowControlName("address", n));
      const auto a = static_cast<std::uint32_t>(c / 8);
      const auto frame = static_cast<unsigned>(c % 8);
      put(r + 1, flip2(a >> 16) * 64u + flip3(frame) * 8u + flip3(static_cast<unsigned>(n - 1)));
      put(r + 2, flip8(a >> 8));
      put(r + 3, flip8(a));
    }
  }

  // The channel step, then the channel in Hz four bytes further on.
  void frequencyAt(std::size_t stepOffset) {
    writeLe(image_, stepOffset, 2, state_.ChannelStep);
    writeLe(image_, stepOffset + 2, 4, hertz());
  }

  // "User select" is a bit of its own in 0x185; the other types take bits 4-5 of 0x040.
  void alertType() {
    if (form_.index("alerttype") == 3) {
      put(0x185, 0x20);
    } else {
      put(0x185, 0);
      put(0x040, image_[0x040] | (idx("alerttype") & 3) * 16);
    }
  }

  void synthesizer() {
    const int pll = form_.index("pll");
    if (pll >= 2) {
      put(0x17E, image_[0x17E] | ((static_cast<unsigned>(pll) - 1) & 3) * 64);
    } else {
      put(0x17E, image_[0x17E] & 0x3F);
      put(0x185, image_[0x185] | (static_cast<unsigned>(pll) & 1) * 16);
    }
  }

  // Four hexadecimal digits, high byte first in the text, low byte first in the image; a
  // missing or non-hexadecimal digit counts as C.
  void hexPair(std::string_view name, std::size_t offset) {
    const std::string& text = form_.text(name);
    unsigned digits[4];
    for (std::size_t i = 0; i < 4; ++i) {
      digits[i] = 12;
      if (i < text.size()) {
        const char c = text[i];
        if (c >= '0' && c <= '9') digits[i] = static_cast<unsigned>(c - '0');
        if (c >= 'A' && c <= 'F') digits[i] = static_cast<unsigned>(c - 'A' + 10);
        if (c >= 'a' && c <= 'f') digits[i] = static_cast<unsigned>(c - 'a' + 10);
      }
    }
    put(offset + 1, digits[0] * 16 + digits[1]);
    put(offset, digits[2] * 16 + digits[3]);
  }

  // The channel in Hz from the MHz text, exactly: five decimals are whole tens of Hz.
  std::uint32_t hertz() const {
    return static_cast<std::uint32_t>(textToScaled(form_.text("frequency"), state_.DecimalMark, 6));
  }

  unsigned batteryByte(std::string_view name) const {
    const long double volts = textToFloat(form_.text(name), state_.DecimalMark);
    const long double vref = textToFloat(form_.text("Vref"), state_.DecimalMark);
    if (vref == 0) throw ProgramError("Floating point division by zero");
    const long double scaled = volts * 256 / vref * 10;
    if (!std::isfinite(scaled) || std::fabs(scaled) > 9.0e18L) {
      throw ProgramError("Invalid floating point operation");
    }
    auto t = static_cast<long long>(scaled);
    if (t % 10 >= 5) t += 10;
    return static_cast<unsigned>(t / 10);
  }

  ProgramState& state_;
  FormModel& form_;
  Image& image_;
};

}  // namespace

void encodeImage(ProgramState& state) {
  Encoder(state).run();
}

}  // namespace capcode
