// Every control of the programmer's window with the value, items, limit and state it has when
// the window is created, before any image is decoded into it.

#include <cstdio>
#include <string>
#include <vector>

#include "core/program_state.hpp"
#include "core/recovery_chips.hpp"
#include "core/window_arrangement.hpp"

namespace capcode {

namespace {

std::vector<std::string> numberedItems(int first, int last, const char* format = "%d") {
  std::vector<std::string> items;
  for (int i = first; i <= last; ++i) {
    char buf[32];
    std::snprintf(buf, sizeof buf, format, i);
    items.emplace_back(buf);
  }
  return items;
}

class Designer {
 public:
  explicit Designer(FormModel& form) : form_(form) {}

  // Controls added from here on sit in `parent` (a page or group).
  void within(std::string parent) { parent_ = std::move(parent); }
  // A captioned group on `page`; the controls added next sit in it.
  Control& openGroup(const std::string& page, std::string name, std::string caption) {
    within(page);
    Control& group = captioned(name, ControlKind::Group, std::move(caption));
    within(std::move(name));
    return group;
  }

  Control& text(std::string name, std::string value, std::size_t maxLength = 0) {
    Control c = base(std::move(name), ControlKind::Text);
    c.text = std::move(value);
    c.maxLength = maxLength;
    return form_.add(std::move(c));
  }
  Control& choice(std::string name, std::vector<std::string> items, int index) {
    Control c = base(std::move(name), ControlKind::Choice);
    c.items = std::move(items);
    c.index = index;
    return form_.add(std::move(c));
  }
  Control& flag(std::string name, bool on, std::string caption = {}) {
    Control c = base(std::move(name), ControlKind::Flag);
    c.checked = on;
    c.hasCaption = !caption.empty();
    c.caption = std::move(caption);
    return form_.add(std::move(c));
  }
  Control& slider(std::string name, int position) {
    Control c = base(std::move(name), ControlKind::Slider);
    c.minimum = 1;
    c.maximum = 100;
    c.position = position;
    return form_.add(std::move(c));
  }
  Control* find(const std::string& name) { return form_.find(name); }
  // A frame that only holds other controls and shows no caption (menu bar, page area, log).
  Control& container(std::string name) {
    return form_.add(base(std::move(name), ControlKind::Group));
  }
  Control& captioned(std::string name, ControlKind kind, std::string caption) {
    Control c = base(std::move(name), kind);
    c.hasCaption = true;
    c.caption = std::move(caption);
    return form_.add(std::move(c));
  }
  Control& menu(std::string name, std::string caption, std::string parent, bool visible = true) {
    Control c = base(std::move(name), ControlKind::MenuItem);
    c.parent = std::move(parent);
    c.hasCaption = true;
    c.caption = std::move(caption);
    c.visible = visible;
    return form_.add(std::move(c));
  }

 private:
  Control base(std::string name, ControlKind kind) const {
    Control c;
    c.name = std::move(name);
    c.kind = kind;
    c.parent = parent_;
    return c;
  }

  FormModel& form_;
  std::string parent_;
};

const std::vector<std::string> kToneFormats = {"Numeric", "Alpha", "Tone", "Disable"};
const std::vector<std::string> kMessageTypes = {"Private", "Public"};

void window(Designer& d) {
  d.within("");
  d.captioned("Form1", ControlKind::Window, "?");
  d.container("MainMenu1");
  d.menu("File1", "&File", "");
  d.menu("Open1", "&Open", "File1");
  d.menu("Save1", "&Save", "File1");
  d.menu("Exit1", "&Exit", "File1");
  d.menu("ParallelPort1", "&Parallel Port", "", false);
  d.menu("LPT11", "LPT1", "ParallelPort1").checked = true;
  d.menu("LPT21", "LPT2", "ParallelPort1");
  d.menu("WriteToPager", "&WR_To_Pager", "");
  d.menu("ReadFromPager", "&RD_From_Pager", "");
  d.menu("switch_model", "&V2", "", false);
  d.menu("Help1", "&Help", "");
  d.menu("Recover1", "&Recover", "Help1");
  for (const RecoveryChip& chip : kRecoveryChips)
    d.menu(chip.menuItem, chip.name, "Recover1");
  d.menu("Debug1", "&Debug", "Help1", false);
  d.menu("About1", "&About", "Help1");
  d.container("PageControl1");
  d.within("PageControl1");
  d.captioned("address", ControlKind::Page, "Address / Folder");
  d.captioned("feature", ControlKind::Page, "Feature On/Off");
  d.captioned("hardware", ControlKind::Page, "Hardware");
  d.captioned("promptmsg", ControlKind::Page, "PromptMsg").visible = false;
}

void addressPage(Designer& d) {
  d.openGroup("address", "L_address", "Address");
  for (int n = 1; n <= kAddressRows; ++n) {
    d.flag(rowControlName("addr", n, "en"), true, "[" + std::to_string(n) + "]");
    d.text(rowControlName("address", n), std::to_string(2004000 + 8 * (n - 1)), 7);
    d.text(rowControlName("frame", n), "0", 1).readOnly = true;
    d.choice(rowControlName("autoinc", n), numberedItems(0, 8), 0).maxLength = 1;
    Control& type = d.choice(rowControlName("msgtype", n), kMessageTypes, n >= 2 && n <= 6 ? 1 : 0);
    if (n >= 7) type.enabled = false;
    for (int tone = 0; tone < kFunctionTones; ++tone) {
      const char letter = toneLetter(tone);
      static const int kRow1Formats[] = {0, 2, 1, 1};
      d.choice(rowControlName("addr", n, std::string("format") + letter), kToneFormats,
               n == 1 ? kRow1Formats[tone] : 1);
      d.flag(rowControlName("urgent", n, std::string(1, letter)), false);
    }
  }

  d.openGroup("address", "L_msgfolder", "Message Folder");
  for (int k = 0; k < kFolders; ++k) {
    d.flag(folderControlName("pubboxact", k), true, "[" + std::to_string(k + 1) + "]");
    char name[16];
    std::snprintf(name, sizeof name, k == 0 ? "FOLDER %02d " : "FOLDER %02d  ", k);
    d.text(folderControlName("pubbox", k), name, 9);
    d.text(folderControlName("pubboxlength", k), "1", 2);
  }
}

void featureOptions(Designer& d) {
  d.within("feature");
  d.flag("outrange", false, "Out of range special display");
  d.flag("ota", false, "Public folder Enable/Disable");
  d.choice("numset", {"0-9,ABCDE'SP'", "0-9,'NL'U'SP'-]["}, -1);
  d.flag("msgtypestamp", false, "Message type stamp").visible = false;
  d.flag("msgstatus", false, "Message status");
  d.flag("msglock", false, "Message lock menu");
  d.flag("msgfull", false, "Message full warning");
  d.text("maxprivate", "60");
  d.flag("pageoff", false, "Pager off menu");
  d.choice("polarity", {"Normal", "Inverted"}, 0);
  d.choice("vibratetype", {"Continuous", "1Hz pulse", "A,B,C,D pattern", "Vanta special vibrate"},
           -1);
  d.choice("urgentcalltype", {"Two tone", "Vibrate+two tone"}, 0);
  d.flag("ureadmsg", false, "Unread message Indication");
  d.flag("toneonlymsg", false, "Canned message");
  d.flag("timedisplay", false, "Time display");
  d.flag("repeatmsg", false, "Repeat message indicator");
  std::vector<std::string> reject = {"Disable"};
  for (const auto& item : numberedItems(1, 9, "%d min"))
    reject.push_back(item);
  for (const auto& item : numberedItems(10, 15, "%dmin"))
    reject.push_back(item);
  d.choice("repeatcallreject", reject, 0);
  d.choice("repeatcallcheck", {"Call tone independance", "Call tone dependance", "Disable"}, 0);
  d.choice("rangetime", numberedItems(1, 15, "%d min"), 0);
  d.choice("rangeindicator", {"Out range", "In range"}, 1);
  d.flag("quietsound", false, "Quiet sound");
  d.choice("pubboxmode", {"Discontinuous", "Continuous"}, 1);
  d.choice("lowcalldelay", {"0 sec", "16 sec"}, 0);
  d.flag("lowbatspecalert", false, "Low bat special alert");
  d.text("lcdholdtime", "005");
  d.choice("language",
           {"English-USA", "English-UK", "French", "German", "Italian", "Danish", "Norwegian",
            "Spanish", "Swedish", "Finnish", "Dutch", "Portuguese", "Swiss", "Hebraic"},
           1);
  Control& contrast = d.text("contrast", "50", 2);
  contrast.enabled = false;
  d.text("handprogpws", "7391", 4);
  d.flag("handprog", false, "Hand program");
  d.text("frequency", "146.56250", 9);
  d.flag("datetime", false, "Time stamp");
  d.choice("dateformat", {"D/M/Y 12h", "M/D/Y 12h", "D/M/Y 24h", "M/D/Y 24h"}, 0);
  d.choice("baudrate", {"512 bps", "1200 bps", "2400 bps"}, 1);
  d.flag("autospacing", false, "Auto spacing (word wrap)");
  Control& start = d.text("autooffstart", "12");
  start.enabled = false;
  Control& stop = d.text("autooffstop", "12");
  stop.enabled = false;
  d.flag("autooff", false, "Auto on/off Enable");
  d.choice("alerttype", {"Tone", "Vibrate", "Tone+Vibrate", "User select"}, 3);
  d.choice("alertmode", {"Melody", "ABCD Tone"}, -1);
  d.flag("alarm", false, "Alarm function");
  d.text("alarmhour", "06").enabled = false;
  d.text("alarmminute", "30").enabled = false;
  d.choice("zoom", {"Out", "In"}, 0);
  d.text("vibratepattern", "8000").visible = false;
  d.flag("msgstatusprefix", false, "prefix");
  d.flag("timeprefix", false, "prefix");
  d.text("alerttime", "255", 3);
  d.text("unread_alert", "5");
  d.choice("customer", {"Vanta", "Normal", "Beeper", "Norvik", "Dalvo"}, 0);
  d.flag("auto_backlight", false, "Auto Back Light");
  d.flag("contrast_enable", false);
  Control& base = d.choice("pll_baseD2", {"x1", "x4"}, 0);
  base.visible = false;
  base.enabled = false;
  d.captioned("L_zoom", ControlKind::Label, "Zoom");
  d.captioned("L_customer", ControlKind::Label, "Customer");
  d.captioned("L_alerttype", ControlKind::Label, "Alert type");
  d.captioned("L_vibratetype", ControlKind::Label, "Vibrate type");
}

void featureGroups(Designer& d) {
  d.openGroup("feature", "L_cannedmsg", "Canned Message");
  d.text("cannedmsgA", "Tone A Message    ", 20);
  d.text("cannedmsgB", "Tone B Message", 20);
  d.text("cannedmsgC", "Tone C Message", 20);
  d.text("cannedmsgD", "Tone D message ", 20);

  d.openGroup("feature", "L_Hellomsg", "Hello Message");
  d.text("hellomsg1", "     - KVRM61 -            ", 20);
  d.text("hellomsg2", "12345678901234567890", 20);

  d.openGroup("feature", "L_tonepattern", "Tone pattern");
  d.text("tonepatternA", "FFFC", 4);
  d.text("tonepatternB", "CFFC", 4);
  d.text("tonepatternC", "CCC0", 4);
  d.text("tonepatternD", "CCCC", 4);
  d.text("tonepatternPon", "A000", 4);
  d.text("tonepatternLcell", "8000", 4);
  d.text("tonepatternUcall1", "FCFF", 4);
  d.text("tonepatternUcall2", "CFFC", 4);
}

Control& hidden(Control& c) {
  c.visible = false;
  return c;
}

void hardwarePage(Designer& d) {
  d.within("hardware");
  d.choice("backlight", {"Lamp", "LED"}, 1);
  d.choice("pager_model", {"KVRM40", "KVRM42", "KVRM61"}, 2);
  d.choice("lcd_module", {"120*16", "120*32"}, 0).enabled = false;
  d.choice("char_size", {"6*8", "8*16"}, 0).enabled = false;
  d.text("f_version", "2");

  d.openGroup("hardware", "pll_select", "PLL select");
  std::vector<std::string> pllTypes;
  for (const RecoveryChip& chip : kRecoveryChips)
    pllTypes.emplace_back(chip.name);
  d.choice("pll", pllTypes, 2);
  d.captioned("L_pll", ControlKind::Label, "PLL type");

  d.openGroup("hardware", "mpu_clock_speed", "MPU Clock Select");
  d.text("f_ref", "32768", 5);
  d.choice("n_count", {"4", "6", "8", "10", "12", "14", "16", "18"}, 0);
  d.choice("r_count", {"1", "2", "4", "8", "16", "32", "64", "128"}, 2);
  d.text("cpu_clock1", "4", 5).enabled = false;
  Control& clock = d.choice("cpu_clock", {"2.097", "4.194", "8.388", "16.77", "18.87"}, 1);
  hidden(clock);

  d.openGroup("hardware", "hw_lcddrv", "LCD driver");
  d.choice("lcddrv", {"T6K04", "SD1815", "ST7567A"}, 2);
  d.choice("lcddrv_opa", numberedItems(0, 7), 3);
  hidden(d.captioned("L_lcddrv_opa", ControlKind::Label, "LCD driver OPA"));
  const std::vector<std::pair<std::string, std::string>> lcdLabels = {
      {"lcd_fosc", "Fosc"}, {"lcd_tc", "TC value"}, {"lcd_bias", "Bias ratio"}};
  d.choice("lcd_fosc",
           {"60.6Hz", "63.6Hz", "68.5Hz", "72.5Hz", "74.4Hz", "79.9Hz", "89.3Hz", "98.3Hz"}, 0);
  d.choice("lcd_tc",
           {"-0.01%/C", "Reserved", "-0.15%/C", "Reserved", "-0.2%/C", "Reserved", "Reserved",
            "-0.3%/C"},
           0);
  d.choice("lcd_bias", {"00", "01", "10", "11"}, 2);
  for (const char* list : {"lcd_fosc", "lcd_tc", "lcd_bias"}) {
    Control& c = *d.find(list);
    c.visible = false;
    c.enabled = false;
  }
  for (const auto& [field, label] : lcdLabels) {
    hidden(d.captioned("L_" + field, ControlKind::Label, label)).enabled = false;
  }

  d.openGroup("hardware", "hw_decoder", "Decoder parameter");
  Control& decoder = d.choice("decoder", {"D9", "SM8212"}, 0);
  decoder.enabled = false;
  d.flag("pll_enable", true, "Decoder PLL Enable").enabled = false;
  d.choice("BS2", numberedItems(0, 15), 15);
  d.choice("BS3", numberedItems(0, 15), 0);
  hidden(d.text("bs1_8212", "30"));
  hidden(d.text("bs3_8212", "31"));
  d.choice("data_format", {"Raw", "7 bits"}, 1);
  d.captioned("L_data_format", ControlKind::Label, "Data format");
  hidden(d.flag("bs2_option", false, "bs2_option"));
  hidden(d.flag("end_of_msg", false, "end_of_msg"));
  hidden(d.flag("filter_enable", true, "filter enable"));
  hidden(d.choice("clko", {"76.8KHz", "38.4KHz", "Disabled"}, 0));
  hidden(d.captioned("L_clko", ControlKind::Label, "CLKO"));
  hidden(d.choice("filter_strength", {"FS1", "FS2", "FS3", "FS4"}, 1));
  hidden(d.captioned("L_fstrength", ControlKind::Label, "Filter Strength"));
  d.choice("errcorrect", {"Disable", "1 bit", "2 bit", "2 bits"}, 2);
  d.captioned("L_errcorrect", ControlKind::Label, "Error Correction");
  d.choice("error_rate", numberedItems(1, 8, "%d CNT"), 1);
  d.captioned("L_err_rate", ControlKind::Label, "Error rate");

  d.openGroup("hardware", "bat_detect", "D9 Battery Detect Voltage");
  d.text("fullbat", "1.50", 4);
  d.text("halfbat", "1.30", 4);
  d.text("lowbat", "1.10", 4);
  d.text("gonebat", "0.90", 4);
  d.text("Vref", "2.70", 4);

  d.openGroup("hardware", "rw_speed", "Read_Write Speed");
  d.slider("TrackBar1", 50);
  d.slider("TrackBar2", 10);
  d.slider("TrackBar3", 10);
  d.slider("TrackBar4", 80);
}

void promptPage(Designer& d) {
  d.within("promptmsg");
  for (int i = 1; i <= 51; ++i) {
    // The 27th prompt field carries a misspelt name in the window design; other tools know it so.
    const std::string name = (i == 27 ? "pnsg" : "pmsg") + std::to_string(i);
    d.text(name, name);
  }
}

}  // namespace

void buildDesignControls(FormModel& form) {
  Designer d(form);
  window(d);
  addressPage(d);
  featureOptions(d);
  featureGroups(d);
  hardwarePage(d);
  promptPage(d);
  d.within("");
  d.container("Memo1");
  d.container("DevListBox");
  // The hints live with the window's arrangement, beside the labels they go with.
  applyHints(form);
}

}  // namespace capcode
