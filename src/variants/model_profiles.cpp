#include "variants/model_profiles.hpp"

#include <string>

#include "core/image_map.hpp"
#include "core/program_state.hpp"

namespace capcode {

namespace {

constexpr int kKvrm40 = 0, kKvrm42 = 1, kKvrm61 = 2;
constexpr int kThirdFormatItem = 2;  // "Tone", or "Hebrew" on the KVRM42

std::string formatList(int row, int tone) {
  return rowControlName("addr", row, std::string("format") + toneLetter(tone));
}

// Item 2 of the tone-format lists of rows 1-6 (rows 7 and 8 always read "Tone").
void renameThirdFormat(FormModel& form, const std::string& text) {
  for (int row = 1; row <= 6; ++row) {
    for (int tone = 0; tone < kFunctionTones; ++tone) {
      form.deleteItem(formatList(row, tone), kThirdFormatItem);
      form.insertItem(formatList(row, tone), kThirdFormatItem, text);
    }
  }
}

// The zoom list and its label, shown only for the models whose display can zoom.
void showZoom(FormModel& form, bool shown) {
  form.setVisible("L_zoom", shown);
  form.setVisible("zoom", shown);
}

std::string modelCaption(const ProgramState& state, const char* factory, const char* customer) {
  return state.build.factoryEdition != 0 ? factory : customer;
}

// The caption of a KVRM61 customer build names the customer it was built for.
void kvrm61Caption(ProgramState& state) {
  if (state.build.factoryEdition != 0) {
    state.form.setCaption("Form1", "M61 Capcode Programmer Factory Version");
    return;
  }
  static const char* const kByCustomer[] = {
      "M61V10 Capcode Programmer Customer Version", "M61 Capcode Programmer Customer Version",
      nullptr, "M61 Capcode Programmer Norvik Version", "M61 Capcode Programmer Dalvo Version"};
  if (state.build.buildCustomer < std::size(kByCustomer) &&
      kByCustomer[state.build.buildCustomer]) {
    state.form.setCaption("Form1", kByCustomer[state.build.buildCustomer]);
  }
}

// The formats follow the image (the last decode or encode), not the screen.
void reselectFormats(ProgramState& state) {
  const int rows = state.HardwareRevision == kHwB ? 8 : 6;
  for (int row = 1; row <= rows; ++row) {
    for (int tone = 0; tone < kFunctionTones; ++tone) {
      const std::string name = formatList(row, tone);
      const auto fields = fieldsOfControl(name, state.HardwareRevision);
      state.form.setIndex(name, static_cast<int>(readBits(state.ConfigImage, fields)));
    }
  }
}

void pager_modelChange(ProgramState& state) {
  FormModel& form = state.form;
  renameThirdFormat(form, "Tone");
  switch (form.index("pager_model")) {
    case kKvrm40:
      showZoom(form, true);
      form.setIndex("lcd_module", 1);
      form.setIndex("char_size", 0);
      form.setText("hellomsg1", "------ KVRM40 -------");
      form.setCaption("Form1", modelCaption(state, "M40 Capcode Programmer Factory Version",
                                            "M40 Capcode Programmer Customer Version"));
      break;
    case kKvrm42:
      renameThirdFormat(form, "Hebrew");
      form.setText("hellomsg1", "------ KVRM42 -------");
      // Set as text: the channel is not normalised and the step stays.
      form.setText("frequency", "152.24000");
      form.setIndex("lcd_module", 1);
      form.setIndex("char_size", 0);
      form.setCaption("Form1", modelCaption(state, "M4 Hebrew Capcode Programmer Factory Version",
                                            "M4 Hebrew Capcode Programmer Customer Version"));
      break;
    case kKvrm61:
      showZoom(form, false);
      form.setIndex("lcd_module", 0);
      form.setIndex("char_size", 0);
      form.setText("hellomsg1", "------ KVRM61 -------");
      kvrm61Caption(state);
      break;
    default:
      break;
  }
  reselectFormats(state);
}

}  // namespace

void installModelProfiles(ProgramState& state) {
  state.form.attach(ControlEvent::Change, "pager_model", [&state] { pager_modelChange(state); });
}

}  // namespace capcode
