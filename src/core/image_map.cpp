#include "core/image_map.hpp"

#include <map>

#include "core/field_names.hpp"
#include "core/form_model.hpp"
#include "core/program_state.hpp"

namespace capcode {

namespace {

ImageField field(std::string control, std::size_t offset, unsigned shift, unsigned width,
                 FieldKind kind) {
  ImageField f;
  f.control = std::move(control);
  f.offset = offset;
  f.shift = shift;
  f.width = width;
  f.kind = kind;
  return f;
}
ImageField check(std::string control, std::size_t offset, unsigned bit) {
  return field(std::move(control), offset, bit, 1, FieldKind::Check);
}
ImageField index(std::string control, std::size_t offset, unsigned shift, unsigned width) {
  return field(std::move(control), offset, shift, width, FieldKind::Index);
}
ImageField number(std::string control, std::size_t offset, unsigned width = 8) {
  return field(std::move(control), offset, 0, width, FieldKind::Number);
}
ImageField text(std::string control, std::size_t offset, unsigned bytes) {
  return field(std::move(control), offset, 0, bytes, FieldKind::Text);
}
ImageField hex(std::string control, std::size_t offset) {
  return field(std::move(control), offset, 0, 16, FieldKind::Hex);
}
ImageField custom(CustomLayout layout) {
  ImageField f;
  f.kind = FieldKind::Custom;
  f.custom = layout;
  return f;
}
ImageField& on(Heads heads, ImageField& f) {
  f.heads = heads;
  return f;
}
// A piece of a bit-reversed field holding value bits `valueShift` and up.
ImageField reversed(ImageField f, unsigned valueShift = 0) {
  f.reversed = true;
  f.valueShift = valueShift;
  return f;
}
ImageField then(ImageField f, std::string rule) {
  f.ruleAfter = std::move(rule);
  return f;
}

std::string urgentName(int row, int tone) {
  return rowControlName("urgent", row, std::string(1, toneLetter(tone)));
}

void addHwBHead(std::vector<ImageField>& m) {
  const std::size_t first = m.size();
  for (int n = 1; n <= 8; ++n)
    m.push_back(check(rowControlName("addr", n, "en"), 4 * static_cast<std::size_t>(n - 1), 7));
  m.push_back(custom(CustomLayout::CapcodesHwB));
  m.push_back(check("bs2_option", 0x020, 7));
  m.push_back(check("end_of_msg", 0x021, 0));
  m.push_back(index("clko", 0x021, 1, 2));
  m.push_back(reversed(index("baudrate", 0x021, 3, 2)));
  m.push_back(index("polarity", 0x021, 5, 1));
  m.push_back(reversed(field("bs3_8212", 0x021, 6, 2, FieldKind::Number), 4));
  m.push_back(reversed(field("bs3_8212", 0x022, 0, 4, FieldKind::Number)));
  m.push_back(reversed(field("bs1_8212", 0x022, 4, 4, FieldKind::Number), 2));
  m.push_back(reversed(field("bs1_8212", 0x023, 0, 2, FieldKind::Number)));
  m.push_back(check("filter_enable", 0x023, 2));
  m.push_back(reversed(index("filter_strength", 0x023, 3, 2)));
  m.push_back(reversed(index("error_rate", 0x023, 5, 3)));
  m.push_back(index("pll_baseD2", 0x024, 0, 1));
  m.push_back(index("n_count", 0x025, 4, 3));
  m.push_back(then(index("r_count", 0x025, 0, 3), "n_countChange"));
  m.push_back(custom(CustomLayout::DividerCheck));
  m.push_back(index("char_size", 0x027, 0, 2));
  m.push_back(index("lcd_module", 0x028, 0, 2));
  m.push_back(custom(CustomLayout::FrequencyHwB));
  m.push_back(number("unread_alert", 0x02F, 6));
  for (std::size_t i = first; i < m.size(); ++i)
    on(Heads::HwB, m[i]);
}

void addHwAHead(std::vector<ImageField>& m) {
  const std::size_t first = m.size();
  m.push_back(custom(CustomLayout::CapcodesHwA));
  for (int n = 1; n <= 6; ++n)
    m.push_back(check(rowControlName("addr", n, "en"), 0x012, static_cast<unsigned>(n - 1)));
  m.push_back(custom(CustomLayout::FramesHwA));
  m.push_back(index("BS2", 0x015, 0, 4));
  m.push_back(index("BS3", 0x015, 4, 4));
  m.push_back(index("baudrate", 0x016, 0, 2));
  m.push_back(index("errcorrect", 0x016, 2, 2));
  m.push_back(index("polarity", 0x016, 4, 1));
  m.push_back(index("data_format", 0x016, 5, 1));
  m.push_back(check("pll_enable", 0x016, 6));
  m.push_back(custom(CustomLayout::FrequencyHwA));
  for (std::size_t i = first; i < m.size(); ++i)
    on(Heads::HwA, m[i]);
}

// 0x030-0x047: tone patterns and the feature flags.
void addFeatures(std::vector<ImageField>& m) {
  for (std::size_t i = 0; i < kTonePatternFields.size(); ++i)
    m.push_back(hex(kTonePatternFields[i], 0x030 + 2 * i));
  m.push_back(index("urgentcalltype", 0x040, 7, 1));
  m.push_back(check("toneonlymsg", 0x040, 6));
  m.push_back(custom(CustomLayout::AlertType));
  m.push_back(index("pubboxmode", 0x041, 7, 1));
  m.push_back(check("autospacing", 0x041, 6));
  m.push_back(index("dateformat", 0x041, 5, 1));
  ImageField dateHigh = index("dateformat", 0x185, 1, 1);
  dateHigh.valueShift = 1;
  m.push_back(dateHigh);
  m.push_back(check("msgstatus", 0x041, 4));
  m.push_back(index("lowcalldelay", 0x041, 3, 1));
  m.push_back(field("unread_alert", 0x041, 2, 1, FieldKind::NonZero));
  m.push_back(index("numset", 0x041, 1, 1));
  const char* const flags42[] = {"handprog", "quietsound",      "outrange",
                                 "pageoff",  "lowbatspecalert", "ota"};
  for (unsigned i = 0; i < 6; ++i) {
    m.push_back(check(flags42[i], 0x042, 7 - i));
    m.back().inverted = i == 1;  // quiet sound is ticked when the bit is clear
  }
  m.push_back(index("repeatcallcheck", 0x042, 0, 2));
  const char* const flags43[] = {"datetime", "msgfull", "repeatmsg",   "ureadmsg",
                                 nullptr,    "alarm",   "timedisplay", "msglock"};
  for (unsigned i = 0; i < 8; ++i) {
    m.push_back(flags43[i] ? check(flags43[i], 0x043, 7 - i)
                           : index("rangeindicator", 0x043, 3, 1));
  }
  m.push_back(number("lcdholdtime", 0x044));
  for (int n = 1; n <= 6; ++n) {
    m.push_back(then(index(rowControlName("msgtype", n), 0x045, static_cast<unsigned>(n - 1), 1),
                     rowControlName("msgtype", n, "Change")));
  }
  m.push_back(number("contrast", 0x046));
  m.push_back(index("language", 0x047, 0, 8));
}

// 0x048-0x15B: the address rows' formats, the password and the public folders.
void addFormatsAndFolders(std::vector<ImageField>& m) {
  for (int n = 1; n <= 8; ++n) {
    const std::size_t offset =
        n <= 6 ? 0x048 + static_cast<std::size_t>(n - 1) : 0x056 + static_cast<std::size_t>(n - 7);
    for (int tone = 0; tone < kFunctionTones; ++tone) {
      ImageField f = index(rowControlName("addr", n, std::string("format") + toneLetter(tone)),
                           offset, 2 * static_cast<unsigned>(tone), 2);
      m.push_back(n <= 6 ? f : on(Heads::HwB, f));
    }
  }
  m.push_back(text("handprogpws", 0x04E, 4));
  for (int k = 0; k < kFolders; ++k) {
    m.push_back(check(folderControlName("pubboxact", k), 0x052 + static_cast<std::size_t>(k / 8),
                      static_cast<unsigned>(k % 8)));
  }
  for (int k = 0; k < kFolders; ++k)
    m.push_back(text(folderControlName("pubbox", k), 0x06A + 9 * static_cast<std::size_t>(k), 9));
  for (int k = 0; k < kFolders; ++k) {
    ImageField f =
        number(folderControlName("pubboxlength", k), 0x142 + static_cast<std::size_t>(k), 7);
    f.wholeByteWritten = true;
    m.push_back(f);
  }
  m.push_back(number("maxprivate", 0x15A));
  m.push_back(index("repeatcallreject", 0x15B, 0, 8));
}

// 0x17E-0x3FF: alerts, the pager model, times, battery, messages, the display driver.
void addAlertsAndDisplay(std::vector<ImageField>& m) {
  m.push_back(index("vibratetype", 0x17E, 0, 2));
  m.push_back(index("backlight", 0x17E, 2, 1));
  m.push_back(check("msgstatusprefix", 0x17E, 3));
  m.push_back(check("auto_backlight", 0x17E, 5));
  m.push_back(hex("vibratepattern", 0x17F));
  for (int i = 0; i < 24; ++i) {
    m.push_back(check(urgentName(i / 4 + 1, i % 4), 0x181 + static_cast<std::size_t>(i / 8),
                      static_cast<unsigned>(i % 8)));
  }
  for (int i = 0; i < 8; ++i) {
    ImageField f = check(urgentName(7 + i / 4, i % 4), 0x058, static_cast<unsigned>(i));
    m.push_back(on(Heads::HwB, f));
  }
  m.push_back(index("pager_model", 0x184, 0, 8));
  m.push_back(check("timeprefix", 0x185, 0));
  m.push_back(check("autooff", 0x185, 3));
  m.push_back(index("alertmode", 0x185, 6, 1));
  m.push_back(custom(CustomLayout::Synthesizer));
  m.push_back(index("zoom", 0x185, 2, 1));
  m.push_back(number("autooffstart", 0x186));
  m.push_back(number("autooffstop", 0x187));
  m.push_back(number("alarmhour", 0x189));
  m.push_back(number("alarmminute", 0x18A));
  m.push_back(custom(CustomLayout::BatteryVolts));
  m.push_back(custom(CustomLayout::RangeTime));
  for (std::size_t i = 0; i < kCannedMessageFields.size(); ++i)
    m.push_back(text(kCannedMessageFields[i], 0x190 + 20 * i, 20));
  m.push_back(text("hellomsg1", 0x240, 20));
  m.push_back(text("hellomsg2", 0x254, 20));
  m.push_back(number("alerttime", 0x268));
  m.push_back(custom(CustomLayout::AmplifierDefault));
  m.push_back(then(index("lcddrv", 0x26A, 0, 2), "lcddrvChange"));
  m.push_back(index("lcddrv_opa", 0x269, 0, 3));
  m.push_back(index("customer", kEditionTagOffset, 0, 8));
  m.push_back(custom(CustomLayout::SettingsEnd));
}

std::vector<ImageField> buildMap() {
  std::vector<ImageField> m;
  addHwBHead(m);
  addHwAHead(m);
  addFeatures(m);
  addFormatsAndFolders(m);
  addAlertsAndDisplay(m);
  return m;
}

bool appliesTo(const ImageField& f, std::uint8_t revision) {
  if (f.heads == Heads::Both) return true;
  return (f.heads == Heads::HwB) == (revision == kHwB);
}

// Bits of a byte that no control carries and that are always written so.
std::uint8_t fixedBits(std::size_t offset, std::uint8_t revision) {
  if (revision != kHwB) return 0;
  if (offset < 0x020 && offset % 4 == 0) return 0x06;  // each address row's first byte
  return offset == 0x020 ? 0x02 : 0;
}

// The alert type's "User select" bit, written before the other fields of the byte.
std::uint8_t keptBits(std::size_t offset) {
  return offset == 0x185 ? 0x20 : 0;
}

struct Walk {
  std::vector<ImageStep> steps;
  std::map<std::size_t, ImageStep::Byte> bytes;
};

Walk buildWalk(std::uint8_t revision) {
  Walk walk;
  std::vector<const ImageField*> rows;
  for (const ImageField& f : imageMap()) {
    if (!appliesTo(f, revision)) continue;
    rows.push_back(&f);
    if (!isBitField(f)) continue;
    ImageStep::Byte& byte = walk.bytes[f.offset];
    byte.offset = f.offset;
    byte.fixed = fixedBits(f.offset, revision);
    byte.kept = keptBits(f.offset);
    byte.fields.push_back(&f);
  }
  std::map<std::size_t, bool> written;
  for (std::size_t i = 0; i < rows.size();) {
    ImageStep step;
    do {
      step.rows.push_back(rows[i++]);
    } while (i < rows.size() && step.first().kind != FieldKind::Custom &&
             rows[i]->control == step.first().control);
    if (isBitField(step.first()) && !written[step.first().offset]) {
      written[step.first().offset] = true;
      step.writes = &walk.bytes.at(step.first().offset);
    }
    walk.steps.push_back(std::move(step));
  }
  return walk;
}

}  // namespace

bool isBitField(const ImageField& f) {
  return f.kind == FieldKind::Check || f.kind == FieldKind::Index || f.kind == FieldKind::Number ||
         f.kind == FieldKind::NonZero;
}

unsigned reverseBits(unsigned value, unsigned width) {
  unsigned out = 0;
  for (unsigned i = 0; i < width; ++i)
    out |= ((value >> i) & 1u) << (width - 1 - i);
  return out;
}

unsigned readBits(const Image& image, const std::vector<const ImageField*>& rows) {
  unsigned value = 0;
  for (const ImageField* f : rows) {
    unsigned piece = (image.at(f->offset) >> f->shift) & ((1u << f->width) - 1);
    if (f->reversed) piece = reverseBits(piece, f->width);
    value |= piece << f->valueShift;
  }
  return value;
}

const std::vector<ImageField>& imageMap() {
  static const std::vector<ImageField> map = buildMap();
  return map;
}

const std::vector<ImageStep>& imageSteps(std::uint8_t revision) {
  static const Walk hwA = buildWalk(kHwA2);
  static const Walk hwB = buildWalk(kHwB);
  return revision == kHwB ? hwB.steps : hwA.steps;
}

std::vector<const ImageField*> fieldsOfControl(const std::string& control, std::uint8_t revision) {
  std::vector<const ImageField*> rows;
  for (const ImageField& f : imageMap()) {
    if (f.control == control && appliesTo(f, revision)) rows.push_back(&f);
  }
  return rows;
}

}  // namespace capcode
