#include "core/window_arrangement.hpp"

#include <map>

#include "core/form_model.hpp"

namespace capcode {

namespace {

const char* const kCapcodeHint =
    "Address1 &2 should be the same frame, addres 3,4 ,5 & 6 should be the same frame";
const char* const kNoFunction = "No function at that moment";

// Adds the rows of one section, each place with its section filled in.
class Arranger {
 public:
  explicit Arranger(std::vector<WindowPlace>& places) : places_(places) {}
  Arranger& in(const std::string& section) {
    section_ = section;
    return *this;
  }
  WindowPlace& at(int row, int column, std::string control, std::string label = {}) {
    WindowPlace p;
    p.control = std::move(control);
    p.section = section_;
    p.row = row;
    p.column = column;
    p.label = std::move(label);
    places_.push_back(std::move(p));
    return places_.back();
  }
  // A labelled row of a form: the control alone in column 0.
  WindowPlace& row(int row, std::string control, std::string label = {}, int width = 0,
                   std::string unit = {}, std::string hint = {}) {
    WindowPlace& p = at(row, 0, std::move(control), std::move(label));
    p.width = width;
    p.unit = std::move(unit);
    p.hint = std::move(hint);
    return p;
  }
  // A text field after another in its row, a fixed text between them (":" or "B").
  WindowPlace& beside(int row, std::string control, std::string label, std::string before,
                      int width) {
    WindowPlace& p = at(row, 1, std::move(control), std::move(label));
    p.before = std::move(before);
    p.width = width;
    return p;
  }
  // A row whose label is a label control of the window.
  WindowPlace& labelled(int row, std::string control, std::string labelControl, std::string label) {
    WindowPlace& p = at(row, 0, std::move(control), std::move(label));
    p.labelControl = std::move(labelControl);
    return p;
  }

 private:
  std::vector<WindowPlace>& places_;
  std::string section_;
};

std::vector<WindowPlace> buildPlaces() {
  std::vector<WindowPlace> places;
  Arranger a(places);

  a.in("L_address");
  static const char* const kToneHeaders[] = {"A Tone", "B Tone", "C Tone", "D Tone"};
  for (int n = 1; n <= kAddressRows; ++n) {
    const int r = n - 1;
    a.at(r, 0, rowControlName("addr", n, "en"));
    WindowPlace& capcode = a.at(r, 1, rowControlName("address", n), "PN");
    capcode.width = 7;
    capcode.hint = kCapcodeHint;
    a.at(r, 2, rowControlName("frame", n), "Fm").width = 1;
    a.at(r, 3, rowControlName("autoinc", n), "Auto inc");
    a.at(r, 4, rowControlName("msgtype", n), "Msg type");
    for (int tone = 0; tone < kFunctionTones; ++tone) {
      const std::string letter(1, toneLetter(tone));
      a.at(r, 5 + 2 * tone, rowControlName("addr", n, "format" + letter), kToneHeaders[tone]);
      a.at(r, 6 + 2 * tone, rowControlName("urgent", n, letter), "Uch").hint =
          "Urgent call channel enable";
    }
  }

  a.in("L_msgfolder");
  for (int k = 0; k < kFolders; ++k) {
    // Four columns of six, filled column by column.
    a.at(k % 6, k / 6, folderControlName("pubboxact", k));
    a.at(k % 6, k / 6, folderControlName("pubbox", k)).width = 9;
    a.at(k % 6, k / 6, folderControlName("pubboxlength", k)).width = 2;
  }

  a.in("feature.left");
  a.row(0, "numset", "Num Char. Set");
  a.row(1, "dateformat", "Date/Time  format");
  a.row(2, "pubboxmode", "Public folder mode", 0, {},
        "Cross folder reading(continue) or not (discontinuous)");
  a.row(3, "repeatcallcheck", "Repeat call check");
  a.row(4, "repeatcallreject", "Repeat msg reject");
  a.row(5, "alerttime", "Alert time", 3, "Sec", "0-255");
  a.labelled(6, "alerttype", "L_alerttype", "Alert type");
  a.row(7, "alertmode", "Alert mode");
  a.labelled(8, "vibratetype", "L_vibratetype", "Vibrate type");
  a.row(9, "urgentcalltype", "Urgent call type");
  a.at(10, 1, "vibratepattern").width = 4;
  a.labelled(11, "zoom", "L_zoom", "Zoom");

  a.in("feature.middle");
  a.row(0, "rangeindicator", "Range indicator");
  a.row(1, "rangetime", " Rang hold time");
  a.row(2, "lcdholdtime", "LCD hold time", 3, {}, "1-255 sec, 0=always on");
  a.row(3, "contrast", "contrast", 2, {}, "range 08-63");
  a.at(3, 1, "contrast_enable", "contrast").hint = "Check to enable contrast setting";
  a.row(4, "unread_alert", "Remind alert", 2, "min.", "0=disable, 1-60 min, depend on alert time.");
  a.row(5, "handprogpws", "Hand program Password", 4);
  a.row(6, "baudrate", "Baud rate");
  a.row(7, "polarity", "Data Polarity");
  a.row(8, "frequency", "Channel freq", 9, "MHz");
  a.at(8, 1, "pll_baseD2", "Channel freq");
  a.row(9, "maxprivate", "Max. private no.", 2, {}, "Maximun private call can be set to 60");
  a.row(10, "language", "Language");
  a.row(11, "alarmhour", "Alarm", 2);
  a.beside(11, "alarmminute", "Alarm", ":", 2);
  a.row(12, "autooffstop", "Auto ON/OFF", 2, "hr", "Off time");
  a.beside(12, "autooffstart", "Auto ON/OFF", "/", 2).hint = "On time";
  a.row(13, "lowcalldelay", "Low cell delay");
  a.labelled(14, "customer", "L_customer", "Customer");

  a.in("feature.right");
  const char* const kRightColumn[] = {
      "msgtypestamp",   "quietsound",  "pageoff",   "ota",        "timedisplay",
      "auto_backlight", "ureadmsg",    "msgstatus", "datetime",   "handprog",
      "repeatmsg",      "autospacing", "msglock",   "msgfull",    "lowbatspecalert",
      "outrange",       "alarm",       "autooff",   "toneonlymsg"};
  int r = 0;
  for (const char* box : kRightColumn) {
    WindowPlace& p = a.row(r, box);
    if (p.control == "ota") p.hint = "Can be control by OTA command (+++,---)";
    if (p.control == "autospacing") p.hint = "Word wrap";
    if (p.control == "msgstatus") a.at(r, 1, "msgstatusprefix").hint = "uncheck=post;check=prefix";
    if (p.control == "datetime") a.at(r, 1, "timeprefix").hint = "uncheck=post;checked=prefixed";
    ++r;
  }

  a.in("L_tonepattern");
  a.row(0, "tonepatternA", "A", 4);
  a.beside(0, "tonepatternB", "B", "B", 4);
  a.row(1, "tonepatternC", "C", 4);
  a.beside(1, "tonepatternD", "D", "D", 4);
  a.row(2, "tonepatternPon", "Power On", 4);
  a.row(3, "tonepatternLcell", "Low Cell", 4);
  a.row(4, "tonepatternUcall2", "Urgent call", 4);
  a.at(5, 1, "", "+");
  a.at(6, 1, "tonepatternUcall1").width = 4;

  a.in("L_Hellomsg");
  a.row(0, "hellomsg1", "", 20);
  a.row(1, "hellomsg2", "", 20);

  a.in("L_cannedmsg");
  a.row(0, "cannedmsgA", "A", 20);
  a.row(1, "cannedmsgB", "B", 20);
  a.row(2, "cannedmsgC", "C", 20);
  a.row(3, "cannedmsgD", "D", 20);

  a.in("hardware.general");
  a.row(0, "pager_model", "Model");
  a.row(1, "lcd_module", "LCD module");
  a.row(2, "char_size", "Char. size");
  a.row(3, "backlight", "BackLight");

  a.in("pll_select");
  a.labelled(0, "pll", "L_pll", "PLL type");

  a.in("mpu_clock_speed");
  a.row(0, "f_ref", "F reference", 5, "Hz");
  a.row(1, "n_count", "N Counter");
  a.row(2, "r_count", "R Counter");
  a.row(3, "cpu_clock1", "MPU Clock", 8, "MHz");
  a.at(3, 1, "cpu_clock", "MPU Clock").hint = ">4.2MHz are only for engineer evaluation.";

  a.in("hw_lcddrv");
  WindowPlace& driver = a.row(0, "lcddrv", "LCD driver IC", 0, {}, kNoFunction);
  driver.hintOnLabel = true;
  a.labelled(1, "lcddrv_opa", "L_lcddrv_opa", "LCD driver OPA");
  a.labelled(2, "lcd_fosc", "L_lcd_fosc", "Fosc");
  a.labelled(3, "lcd_tc", "L_lcd_tc", "TC value");
  a.labelled(4, "lcd_bias", "L_lcd_bias", "Bias ratio");

  a.in("hw_decoder");
  WindowPlace& decoder = a.row(0, "decoder", "Decoder", 0, {}, kNoFunction);
  decoder.hintOnLabel = true;
  a.row(1, "pll_enable");
  a.row(2, "BS2", "BS1");
  a.row(3, "BS3", "BS3");
  a.beside(4, "bs1_8212", "", "", 2).hint = "range  2 - 62";
  a.beside(5, "bs3_8212", "", "", 2).hint = "range 2 - 62";
  a.labelled(6, "data_format", "L_data_format", "Data format");
  a.row(7, "bs2_option");
  a.row(8, "end_of_msg");
  a.row(9, "filter_enable");
  a.labelled(10, "clko", "L_clko", "CLKO");
  a.labelled(11, "filter_strength", "L_fstrength", "Filter Strength");
  a.labelled(12, "errcorrect", "L_errcorrect", "Error Correction");
  a.labelled(13, "error_rate", "L_err_rate", "Error rate").hint =
      "Preamble mode rate error  detection";

  a.in("bat_detect");
  a.row(0, "fullbat", "Full Battery voltage", 4, "V");
  a.row(1, "halfbat", "Half Battery voltage", 4, "V");
  a.row(2, "lowbat", "Low battery voltage", 4, "V");
  a.row(3, "gonebat", "Gone battery voltage", 4, "V");
  a.row(4, "Vref", "Vref", 4, "V");

  a.in("hardware.general");
  a.row(4, "f_version", "Firmwire version", 3);

  a.in("rw_speed");
  a.row(0, "TrackBar2", "SCL hold High");
  a.row(1, "TrackBar3", "SCL hold Low");
  a.row(2, "TrackBar1", "Bus Free");
  a.row(3, "TrackBar4", "SDA hold");

  a.in("promptmsg.texts");
  for (int i = 1; i <= 51; ++i) {
    a.at((i - 1) / 3, (i - 1) % 3, (i == 27 ? "pnsg" : "pmsg") + std::to_string(i));
  }
  return places;
}

}  // namespace

const std::vector<WindowSection>& windowSections() {
  static const std::vector<WindowSection> sections = {
      {"L_address", "address", 0, 0, SectionStyle::Table, {}},
      {"L_msgfolder", "address", 1, 0, SectionStyle::Cells, "Total 100 message can be received"},
      {"feature.left", "feature", 0, 0, SectionStyle::Form, {}},
      {"feature.middle", "feature", 0, 1, SectionStyle::Form, {}},
      {"feature.right", "feature", 0, 2, SectionStyle::Form, {}},
      {"L_tonepattern", "feature", 1, 0, SectionStyle::Form, {}},
      {"L_Hellomsg", "feature", 1, 1, SectionStyle::Form, {}},
      {"L_cannedmsg", "feature", 1, 2, SectionStyle::Form, {}},
      {"hardware.general", "hardware", 0, 0, SectionStyle::Form, {}},
      {"pll_select", "hardware", 0, 0, SectionStyle::Form, {}},
      {"mpu_clock_speed", "hardware", 0, 0, SectionStyle::Form, {}},
      {"hw_lcddrv", "hardware", 0, 0, SectionStyle::Form, {}},
      {"rw_speed", "hardware", 0, 0, SectionStyle::Form, {}},
      {"hw_decoder", "hardware", 0, 1, SectionStyle::Form, {}},
      {"bat_detect", "hardware", 0, 1, SectionStyle::Form, {}},
      {"promptmsg.texts", "promptmsg", 0, 0, SectionStyle::Cells, {}},
  };
  return sections;
}

const std::vector<WindowPlace>& windowPlaces() {
  static const std::vector<WindowPlace> places = buildPlaces();
  return places;
}

const WindowPlace* placeOf(const std::string& control) {
  static const std::map<std::string, const WindowPlace*> index = [] {
    std::map<std::string, const WindowPlace*> byName;
    for (const WindowPlace& p : windowPlaces()) {
      if (!p.control.empty()) byName[p.control] = &p;
    }
    return byName;
  }();
  const auto it = index.find(control);
  return it == index.end() ? nullptr : it->second;
}

std::string labelOf(const FormModel& form, const std::string& control) {
  const WindowPlace* p = placeOf(control);
  if (p == nullptr) return {};
  if (!p->labelControl.empty()) {
    if (const Control* label = form.find(p->labelControl)) return label->caption;
  }
  return p->label;
}

void applyHints(FormModel& form) {
  for (const WindowPlace& p : windowPlaces()) {
    if (!p.control.empty() && !p.hint.empty()) form.at(p.control).hint = p.hint;
  }
  for (const WindowSection& s : windowSections()) {
    if (!s.hint.empty()) form.at(s.name).hint = s.hint;
  }
}

}  // namespace capcode
