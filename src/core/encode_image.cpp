#include <cmath>
#include <string>

#include "core/codec.hpp"
#include "core/conversions.hpp"
#include "core/field_names.hpp"
#include "core/program_state.hpp"

namespace capcode {

namespace {

class Encoder {
 public:
  explicit Encoder(ProgramState& state) : s_(state), f_(state.form), im_(state.ConfigImage) {}

  void run() {
    if (s_.HardwareRevision == kHwB) {
      headHwB();
    } else {
      headHwA();
    }
    common();
  }

 private:
  // int(f): the text as a signed decimal integer; the caller keeps the bits it needs.
  std::int32_t num(std::string_view name) const { return textToInt(f_.text(name)); }
  // idx(f): the selected index, -1 (all ones) when nothing is selected; masked by the caller.
  unsigned idx(std::string_view name) const { return static_cast<unsigned>(f_.index(name)); }
  unsigned flag(std::string_view name) const { return f_.checked(name) ? 1u : 0u; }
  void put(std::size_t offset, unsigned value) {
    im_.at(offset) = static_cast<std::uint8_t>(value);
  }

  void headHwB() {
    for (int n = 1; n <= 8; ++n) {
      put(4 * static_cast<std::size_t>(n - 1), 0x06 | flag(rowControlName("addr", n, "en")) << 7);
    }
    for (int n = 1; n <= 8; ++n) {
      const std::size_t r = 4 * static_cast<std::size_t>(n - 1);
      const std::int32_t c = num(rowControlName("address", n));
      const auto a = static_cast<std::uint32_t>(c / 8);
      const auto frame = static_cast<unsigned>(c % 8);
      put(r + 1, flip2(a >> 16) * 64u + flip3(frame) * 8u + flip3(static_cast<unsigned>(n - 1)));
      put(r + 2, flip8(a >> 8));
      put(r + 3, flip8(a));
    }
    put(0x020, 0x02 | flag("bs2_option") << 7);
    put(0x021, flag("end_of_msg") + (idx("clko") & 3) * 2 + flip2(idx("baudrate")) * 8u +
                   (idx("polarity") & 1) * 32 +
                   flip2(static_cast<unsigned>(num("bs3_8212") / 16)) * 64u);
    put(0x022, flip4(static_cast<unsigned>(num("bs3_8212")) & 0x0F) +
                   flip4(static_cast<unsigned>(num("bs1_8212") / 4)) * 16u);
    put(0x023, flip2(static_cast<unsigned>(num("bs1_8212")) & 3) + flag("filter_enable") * 4 +
                   flip2(idx("filter_strength")) * 8u + flip3(idx("error_rate")) * 32u);
    put(0x024, idx("pll_baseD2") & 1);
    const unsigned dividers = (idx("n_count") & 7) * 16 + (idx("r_count") & 7);
    put(0x025, dividers);
    put(0x026, ~dividers);
    put(0x027, idx("char_size") & 3);
    put(0x028, idx("lcd_module") & 3);
    writeLe(im_, 0x029, 2, s_.ChannelStep);
    writeLe(im_, 0x02B, 4, hertz());
    put(0x02F, static_cast<unsigned>(num("unread_alert")) & 0x3F);
  }

  void headHwA() {
    for (int n = 1; n <= 6; ++n) {
      const std::int32_t c = num(rowControlName("address", n));
      writeLe(im_, 3 * static_cast<std::size_t>(n - 1), 3, static_cast<std::uint32_t>(c >> 3));
    }
    unsigned enables = 0;
    for (int n = 1; n <= 6; ++n)
      enables |= flag(rowControlName("addr", n, "en")) << (n - 1);
    put(0x012, enables);
    put(0x013, 0x80u + ((static_cast<unsigned>(num("frame1")) * 8) & 0x38) +
                   (static_cast<unsigned>(num("frame3")) & 7));
    put(0x015, (idx("BS3") & 0x0F) * 16 + (idx("BS2") & 0x0F));
    put(0x016, flag("pll_enable") * 64 + (idx("data_format") & 1) * 32 +
                   (idx("polarity") & 1) * 16 + (idx("errcorrect") & 3) * 4 +
                   (idx("baudrate") & 3));
    writeLe(im_, 0x01E, 2, s_.ChannelStep);
    writeLe(im_, 0x020, 4, hertz());
  }

  void common() {
    for (std::size_t i = 0; i < 8; ++i)
      hexPair(kTonePatternFields[i], 0x030 + 2 * i);

    put(0x040, (idx("urgentcalltype") & 1) * 128 + flag("toneonlymsg") * 64);
    if (f_.index("alerttype") == 3) {  // "User select"
      put(0x185, 0x20);
    } else {
      put(0x185, 0);
      put(0x040, im_[0x040] | (idx("alerttype") & 3) * 16);
    }
    put(0x041, flag("autospacing") * 64 + (idx("dateformat") & 1) * 32 + flag("msgstatus") * 16 +
                   (idx("lowcalldelay") & 1) * 8 + (num("unread_alert") != 0 ? 4 : 0) +
                   (idx("numset") & 1) * 2 + (idx("pubboxmode") & 1) * 128);
    put(0x042, (f_.checked("quietsound") ? 0 : 0x40) + flag("outrange") * 32 +
                   flag("pageoff") * 16 + flag("lowbatspecalert") * 8 + flag("handprog") * 128 +
                   flag("ota") * 4 + (idx("repeatcallcheck") & 3));
    put(0x043, flag("datetime") * 128 + flag("msgfull") * 64 + flag("repeatmsg") * 32 +
                   flag("ureadmsg") * 16 + (idx("rangeindicator") & 1) * 8 + flag("alarm") * 4 +
                   flag("timedisplay") * 2 + flag("msglock"));
    put(0x044, static_cast<unsigned>(num("lcdholdtime")));
    unsigned types = 0;
    for (int n = 1; n <= 6; ++n)
      types |= (idx(rowControlName("msgtype", n)) & 1) << (n - 1);
    put(0x045, types);
    put(0x046, static_cast<unsigned>(num("contrast")));
    put(0x047, idx("language"));

    const int formatRows = s_.HardwareRevision == kHwB ? 8 : 6;
    for (int n = 1; n <= formatRows; ++n) {
      unsigned formats = 0;
      for (int tone = 0; tone < kFunctionTones; ++tone) {
        formats |= (idx(rowControlName("addr", n, std::string("format") + toneLetter(tone))) & 3)
                   << (2 * tone);
      }
      put(n <= 6 ? 0x048 + static_cast<std::size_t>(n - 1)
                 : 0x056 + static_cast<std::size_t>(n - 7),
          formats);
    }

    writeImageText(im_, 0x04E, 4, f_.text("handprogpws"));
    for (std::size_t byte = 0; byte < 3; ++byte) {
      unsigned bits = 0;
      for (int b = 0; b < 8; ++b) {
        bits |= flag(folderControlName("pubboxact", static_cast<int>(byte) * 8 + b)) << b;
      }
      put(0x052 + byte, bits);
    }
    for (int k = 0; k < kFolders; ++k) {
      writeImageText(im_, 0x06A + 9 * static_cast<std::size_t>(k), 9,
                     f_.text(folderControlName("pubbox", k)));
    }
    for (int k = 0; k < kFolders; ++k) {
      put(0x142 + static_cast<std::size_t>(k),
          static_cast<unsigned>(num(folderControlName("pubboxlength", k))));
    }
    put(0x15A, static_cast<unsigned>(num("maxprivate")));
    put(0x15B, idx("repeatcallreject"));

    put(0x17E, (idx("vibratetype") & 3) + (idx("backlight") & 1) * 4 + flag("msgstatusprefix") * 8 +
                   flag("auto_backlight") * 32);
    hexPair("vibratepattern", 0x17F);

    for (std::size_t byte = 0; byte < 3; ++byte) {
      put(0x181 + byte, urgentBits(2 * static_cast<int>(byte) + 1));
    }
    if (s_.HardwareRevision == kHwB) put(0x058, urgentBits(7));

    put(0x184, idx("pager_model"));
    put(0x185, im_[0x185] | flag("timeprefix") | (idx("dateformat") & 2) | (idx("zoom") & 1) * 4 |
                   flag("autooff") * 8);
    const int pll = f_.index("pll");
    if (pll >= 2) {
      put(0x17E, im_[0x17E] | ((static_cast<unsigned>(pll) - 1) & 3) * 64);
    } else {
      put(0x17E, im_[0x17E] & 0x3F);
      put(0x185, im_[0x185] | (static_cast<unsigned>(pll) & 1) * 16);
    }
    put(0x185, im_[0x185] | (idx("alertmode") & 1) * 64);
    put(0x186, static_cast<unsigned>(num("autooffstart")));
    put(0x187, static_cast<unsigned>(num("autooffstop")));
    put(0x189, static_cast<unsigned>(num("alarmhour")));
    put(0x18A, static_cast<unsigned>(num("alarmminute")));

    for (std::size_t i = 0; i < 4; ++i)
      put(0x18B + i, batteryByte(kBatteryFields[i]));

    put(0x18F, idx("rangetime") + 1);
    for (std::size_t i = 0; i < 4; ++i)
      writeImageText(im_, 0x190 + 20 * i, 20, f_.text(kCannedMessageFields[i]));
    writeImageText(im_, 0x240, 20, f_.text("hellomsg1"));
    writeImageText(im_, 0x254, 20, f_.text("hellomsg2"));
    put(0x268, static_cast<unsigned>(num("alerttime")));
    put(0x269, idx("lcddrv_opa") & 7);
    put(0x26A, idx("lcddrv") & 3);
    put(0x3FE, idx("customer"));
    put(0x3FF, 0);
  }

  // Two rows of urgent flags in one byte: the first row's tones A-D in bits 0-3.
  unsigned urgentBits(int firstRow) const {
    unsigned bits = 0;
    for (int i = 0; i < 8; ++i) {
      bits |= flag(rowControlName("urgent", firstRow + i / 4, std::string(1, toneLetter(i % 4))))
              << i;
    }
    return bits;
  }

  // Four hexadecimal digits, high byte first in the text, low byte first in the image; a
  // missing or non-hexadecimal digit counts as C.
  void hexPair(std::string_view name, std::size_t offset) {
    const std::string& text = f_.text(name);
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
    return static_cast<std::uint32_t>(textToScaled(f_.text("frequency"), s_.DecimalMark, 6));
  }

  unsigned batteryByte(std::string_view name) const {
    const long double volts = textToFloat(f_.text(name), s_.DecimalMark);
    const long double vref = textToFloat(f_.text("Vref"), s_.DecimalMark);
    if (vref == 0) throw ProgramError("Floating point division by zero");
    const long double scaled = volts * 256 / vref * 10;
    if (!std::isfinite(scaled) || std::fabs(scaled) > 9.0e18L) {
      throw ProgramError("Invalid floating point operation");
    }
    auto t = static_cast<long long>(scaled);
    if (t % 10 >= 5) t += 10;
    return static_cast<unsigned>(t / 10);
  }

  ProgramState& s_;
  FormModel& f_;
  Image& im_;
};

}  // namespace

void encodeImage(ProgramState& state) {
  Encoder(state).run();
}

}  // namespace capcode
