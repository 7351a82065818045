#include <string>

#include "core/codec.hpp"
#include "core/conversions.hpp"
#include "core/field_names.hpp"
#include "core/image_map.hpp"
#include "core/program_state.hpp"

namespace capcode {

namespace {

class Decoder {
 public:
  explicit Decoder(ProgramState& state) : state_(state), form_(state.form) {}

  void run() {
    for (const ImageStep& step : imageSteps(state_.HardwareRevision)) {
      if (step.first().kind == FieldKind::Custom) {
        custom(step.first().custom);
      } else {
        control(step);
      }
    }
  }

 private:
  std::uint8_t at(std::size_t offset) const { return state_.ConfigImage.at(offset); }
  static bool bit(std::uint8_t byte, int n) { return ((byte >> n) & 1) != 0; }

  // One control from its rows, reading the image now: a rule run before may have changed it.
  void control(const ImageStep& step) {
    const ImageField& f = step.first();
    const auto bits = [&] { return readBits(state_.ConfigImage, step.rows); };
    switch (f.kind) {
      case FieldKind::Check:
        form_.setChecked(f.control, (bits() != 0) != f.inverted);
        break;
      case FieldKind::Index:
        form_.setIndex(f.control, static_cast<int>(bits()));
        break;
      case FieldKind::Number:
        form_.setText(f.control, std::to_string(bits()));
        break;
      case FieldKind::NonZero:
        if (bits() == 0) form_.setText(f.control, "0");
        break;
      case FieldKind::Text:
        form_.clearThenInsert(f.control, readImageText(state_.ConfigImage, f.offset));
        break;
      case FieldKind::Hex:
        form_.setText(f.control, hex4(f.offset));
        break;
      case FieldKind::Custom:
        break;
    }
    if (!f.ruleAfter.empty()) form_.runHandler(f.ruleAfter);
  }

  void custom(CustomLayout layout) {
    switch (layout) {
      case CustomLayout::CapcodesHwA:
        return capcodesHwA();
      case CustomLayout::CapcodesHwB:
        return capcodesHwB();
      case CustomLayout::FrequencyHwA:
        return frequencyFrom(0x020);
      case CustomLayout::FrequencyHwB:
        return frequencyFrom(0x02B);
      case CustomLayout::AlertType:
        return form_.setIndex("alerttype", bit(at(0x185), 5) ? 3 : (at(0x040) >> 4) & 3);
      case CustomLayout::Synthesizer:
        return form_.setIndex("pll", pllIndexFromImage(state_.ConfigImage));
      case CustomLayout::BatteryVolts:
        for (std::size_t i = 0; i < kBatteryFields.size(); ++i)
          setBatteryField(state_, kBatteryFields[i], at(0x18B + i));
        return;
      case CustomLayout::RangeTime:
        return form_.setIndex("rangetime", static_cast<int>(at(0x18F)) - 1);
      case CustomLayout::AmplifierDefault:
        // A blank amplifier setting means the factory default, 3; the image takes it too.
        if (at(0x269) == 0) state_.ConfigImage[0x269] = 3;
        return;
      case CustomLayout::FramesHwA:  // read with the capcodes
      case CustomLayout::DividerCheck:
      case CustomLayout::SettingsEnd:
      case CustomLayout::None:
        return;
    }
  }

  void capcodesHwA() {
    const std::uint8_t frames = at(0x013);
    for (int n = 1; n <= 6; ++n) {
      const unsigned frame = n <= 2 ? (frames >> 3) & 7 : frames & 7;
      const unsigned capcode =
          readLe(state_.ConfigImage, 3 * static_cast<std::size_t>(n - 1), 3) * 8 + frame;
      form_.clearThenInsert(rowControlName("address", n), std::to_string(capcode));
    }
  }

  void capcodesHwB() {
    for (int n = 1; n <= 8; ++n) {
      const std::size_t r = 4 * static_cast<std::size_t>(n - 1);
      const std::uint8_t b1 = at(r + 1);
      const unsigned capcode = flip8(at(r + 2)) * 2048u + flip2(b1 >> 6) * 524288u +
                               flip8(at(r + 3)) * 8u + flip3((b1 >> 3) & 7);
      form_.clearThenInsert(rowControlName("address", n), std::to_string(capcode));
    }
  }

  void frequencyFrom(std::size_t offset) {
    form_.setText("frequency",
                  scaledToText(readLe(state_.ConfigImage, offset, 4), 6, state_.DecimalMark));
  }

  std::string hex4(std::size_t offset) const {
    static const char kHex[] = "0123456789ABCDEF";
    const unsigned value = readLe(state_.ConfigImage, offset, 2);
    std::string text(4, '0');
    for (int i = 0; i < 4; ++i)
      text[static_cast<std::size_t>(i)] = kHex[(value >> (12 - 4 * i)) & 0xF];
    return text;
  }

  ProgramState& state_;
  FormModel& form_;
};

}  // namespace

void setBatteryField(ProgramState& state, const char* field, std::uint8_t byte) {
  // A threshold byte is volts x 256 / Vref.
  long double volts = textToFloat(state.form.text("Vref"), state.DecimalMark) * byte / 256;
  if (static_cast<long long>(volts * 1000) % 10 >= 5) volts += state.VoltageRoundUp;
  state.form.clearThenInsert(field, floatToText(volts, state.DecimalMark));
}

int pllIndexFromImage(const Image& image) {
  const unsigned selector = image[0x17E] >> 6;
  return selector == 0 ? (image[0x185] >> 4) & 1 : static_cast<int>(selector) + 1;
}

void decodeImage(ProgramState& state) {
  Decoder(state).run();
}

}  // namespace capcode
