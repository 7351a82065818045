#include <string>

#include "core/codec.hpp"
#include "core/conversions.hpp"
#include "core/field_names.hpp"
#include "core/program_state.hpp"

namespace capcode {

namespace {

class Decoder {
 public:
  explicit Decoder(ProgramState& state) : s_(state), f_(state.form) {}

  void run() {
    if (s_.HardwareRevision == kHwB) {
      headHwB();
    } else {
      headHwA();
    }
    common();
  }

 private:
  std::uint8_t at(std::size_t offset) const { return s_.ConfigImage.at(offset); }
  static bool bit(std::uint8_t byte, int n) { return ((byte >> n) & 1) != 0; }
  void flag(const std::string& name, bool on) { f_.setChecked(name, on); }
  void choice(const std::string& name, int index) { f_.setIndex(name, index); }
  void decimal(const std::string& name, unsigned value) { f_.setText(name, std::to_string(value)); }
  void frequencyFrom(std::size_t offset) {
    f_.setText("frequency", scaledToText(readLe(s_.ConfigImage, offset, 4), 6, s_.DecimalMark));
  }

  void headHwB() {
    for (int n = 1; n <= 8; ++n)
      flag(rowControlName("addr", n, "en"), bit(at(4 * (n - 1)), 7));
    for (int n = 1; n <= 8; ++n) {
      const std::size_t r = 4 * static_cast<std::size_t>(n - 1);
      const std::uint8_t b1 = at(r + 1);
      const unsigned capcode = flip8(at(r + 2)) * 2048u + flip2(b1 >> 6) * 524288u +
                               flip8(at(r + 3)) * 8u + flip3((b1 >> 3) & 7);
      f_.clearThenInsert(rowControlName("address", n), std::to_string(capcode));
    }
    flag("bs2_option", bit(at(0x020), 7));
    const std::uint8_t b21 = at(0x021), b22 = at(0x022), b23 = at(0x023);
    flag("end_of_msg", bit(b21, 0));
    choice("clko", (b21 >> 1) & 3);
    choice("baudrate", flip2((b21 >> 3) & 3));
    choice("polarity", (b21 >> 5) & 1);
    decimal("bs3_8212", flip2(b21 >> 6) * 16u + flip4(b22 & 0x0F));
    decimal("bs1_8212", flip4(b22 >> 4) * 4u + flip2(b23 & 3));
    flag("filter_enable", bit(b23, 2));
    choice("filter_strength", flip2((b23 >> 3) & 3));
    choice("error_rate", flip3(b23 >> 5));
    choice("pll_baseD2", at(0x024) & 1);
    choice("n_count", (at(0x025) >> 4) & 7);
    choice("r_count", at(0x025) & 7);
    f_.runHandler("n_countChange");
    choice("char_size", at(0x027) & 3);
    choice("lcd_module", at(0x028) & 3);
    frequencyFrom(0x02B);
    decimal("unread_alert", at(0x02F) & 0x3F);
  }

  void headHwA() {
    const std::uint8_t frames = at(0x013);
    for (int n = 1; n <= 6; ++n) {
      const unsigned frame = n <= 2 ? (frames >> 3) & 7 : frames & 7;
      const unsigned capcode =
          readLe(s_.ConfigImage, 3 * static_cast<std::size_t>(n - 1), 3) * 8 + frame;
      f_.clearThenInsert(rowControlName("address", n), std::to_string(capcode));
    }
    for (int n = 1; n <= 6; ++n)
      flag(rowControlName("addr", n, "en"), bit(at(0x012), n - 1));
    choice("BS2", at(0x015) & 0x0F);
    choice("BS3", at(0x015) >> 4);
    const std::uint8_t b16 = at(0x016);
    choice("baudrate", b16 & 3);
    choice("errcorrect", (b16 >> 2) & 3);
    choice("polarity", (b16 >> 4) & 1);
    choice("data_format", (b16 >> 5) & 1);
    flag("pll_enable", bit(b16, 6));
    frequencyFrom(0x020);
  }

  void common() {
    for (std::size_t i = 0; i < 8; ++i)
      f_.setText(kTonePatternFields[i], hex4(0x030 + 2 * i));

    const std::uint8_t b40 = at(0x040), b41 = at(0x041), b42 = at(0x042), b43 = at(0x043);
    const std::uint8_t b185 = at(0x185);
    choice("urgentcalltype", b40 >> 7);
    flag("toneonlymsg", bit(b40, 6));
    choice("alerttype", bit(b185, 5) ? 3 : (b40 >> 4) & 3);
    choice("pubboxmode", b41 >> 7);
    flag("autospacing", bit(b41, 6));
    choice("dateformat", (b185 & 2) | ((b41 >> 5) & 1));
    flag("msgstatus", bit(b41, 4));
    choice("lowcalldelay", (b41 >> 3) & 1);
    if (!bit(b41, 2)) f_.setText("unread_alert", "0");
    choice("numset", (b41 >> 1) & 1);

    flag("handprog", bit(b42, 7));
    flag("quietsound", !bit(b42, 6));
    flag("outrange", bit(b42, 5));
    flag("pageoff", bit(b42, 4));
    flag("lowbatspecalert", bit(b42, 3));
    flag("ota", bit(b42, 2));
    choice("repeatcallcheck", b42 & 3);

    flag("datetime", bit(b43, 7));
    flag("msgfull", bit(b43, 6));
    flag("repeatmsg", bit(b43, 5));
    flag("ureadmsg", bit(b43, 4));
    choice("rangeindicator", (b43 >> 3) & 1);
    flag("alarm", bit(b43, 2));
    flag("timedisplay", bit(b43, 1));
    flag("msglock", bit(b43, 0));

    decimal("lcdholdtime", at(0x044));
    for (int n = 1; n <= 6; ++n) {
      // Re-read each time: a message-type rule may run in between.
      choice(rowControlName("msgtype", n), (at(0x045) >> (n - 1)) & 1);
      f_.runHandler(rowControlName("msgtype", n, "Change"));
    }
    decimal("contrast", at(0x046));
    choice("language", at(0x047));

    const int formatRows = s_.HardwareRevision == kHwB ? 8 : 6;
    for (int n = 1; n <= formatRows; ++n) {
      const std::uint8_t formats = n <= 6 ? at(0x048 + static_cast<std::size_t>(n - 1))
                                          : at(0x056 + static_cast<std::size_t>(n - 7));
      for (int tone = 0; tone < kFunctionTones; ++tone) {
        choice(rowControlName("addr", n, std::string("format") + toneLetter(tone)),
               (formats >> (2 * tone)) & 3);
      }
    }

    f_.clearThenInsert("handprogpws", readImageText(s_.ConfigImage, 0x04E));
    for (int k = 0; k < kFolders; ++k) {
      flag(folderControlName("pubboxact", k),
           bit(at(0x052 + static_cast<std::size_t>(k / 8)), k % 8));
    }
    for (int k = 0; k < kFolders; ++k) {
      f_.clearThenInsert(folderControlName("pubbox", k),
                         readImageText(s_.ConfigImage, 0x06A + 9 * static_cast<std::size_t>(k)));
    }
    for (int k = 0; k < kFolders; ++k) {
      decimal(folderControlName("pubboxlength", k), at(0x142 + static_cast<std::size_t>(k)) & 0x7F);
    }
    decimal("maxprivate", at(0x15A));
    choice("repeatcallreject", at(0x15B));

    const std::uint8_t b17e = at(0x17E);
    choice("vibratetype", b17e & 3);
    choice("backlight", (b17e >> 2) & 1);
    flag("msgstatusprefix", bit(b17e, 3));
    flag("auto_backlight", bit(b17e, 5));
    f_.setText("vibratepattern", hex4(0x17F));

    for (int i = 0; i < 24; ++i) {
      flag(urgentName(i / 4 + 1, i % 4), bit(at(0x181 + static_cast<std::size_t>(i / 8)), i % 8));
    }
    if (s_.HardwareRevision == kHwB) {
      for (int i = 0; i < 8; ++i)
        flag(urgentName(7 + i / 4, i % 4), bit(at(0x058), i));
    }

    choice("pager_model", at(0x184));
    flag("timeprefix", bit(at(0x185), 0));
    flag("autooff", bit(at(0x185), 3));
    choice("alertmode", (at(0x185) >> 6) & 1);
    choice("pll", pllIndexFromImage(s_.ConfigImage));
    choice("zoom", (at(0x185) >> 2) & 1);

    decimal("autooffstart", at(0x186));
    decimal("autooffstop", at(0x187));
    decimal("alarmhour", at(0x189));
    decimal("alarmminute", at(0x18A));

    for (std::size_t i = 0; i < 4; ++i) {
      setBatteryField(s_, kBatteryFields[i], at(0x18B + i));
    }

    choice("rangetime", static_cast<int>(at(0x18F)) - 1);
    for (std::size_t i = 0; i < 4; ++i) {
      f_.clearThenInsert(kCannedMessageFields[i], readImageText(s_.ConfigImage, 0x190 + 20 * i));
    }
    f_.clearThenInsert("hellomsg1", readImageText(s_.ConfigImage, 0x240));
    f_.clearThenInsert("hellomsg2", readImageText(s_.ConfigImage, 0x254));
    decimal("alerttime", at(0x268));

    // A blank amplifier setting means the factory default, 3; the image takes it too.
    if (at(0x269) == 0) s_.ConfigImage[0x269] = 3;
    choice("lcddrv", at(0x26A) & 3);
    f_.runHandler("lcddrvChange");
    choice("lcddrv_opa", at(0x269) & 7);
    choice("customer", at(0x3FE));
  }

  std::string hex4(std::size_t offset) const {
    static const char kHex[] = "0123456789ABCDEF";
    const unsigned value = readLe(s_.ConfigImage, offset, 2);
    std::string text(4, '0');
    for (int i = 0; i < 4; ++i)
      text[static_cast<std::size_t>(i)] = kHex[(value >> (12 - 4 * i)) & 0xF];
    return text;
  }

  static std::string urgentName(int row, int tone) {
    return rowControlName("urgent", row, std::string(1, toneLetter(tone)));
  }

  ProgramState& s_;
  FormModel& f_;
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
