#include "app/startup.hpp"

#include <unistd.h>

#include <climits>
#include <clocale>
#include <string>

#include "app/window_program.hpp"
#include "build_info.hpp"
#include "core/codec.hpp"
#include "core/config_file.hpp"
#include "core/field_names.hpp"
#include "core/program_state.hpp"
#include "variants/editions.hpp"
#include "variants/language_library.hpp"

namespace capcode {

namespace {

// A ',' system gets ',' in every number the window shows.
void adaptToDecimalMark(ProgramState& state, char systemMark) {
  if (systemMark == '.') return;
  state.DecimalMark = ',';
  FormModel& form = state.form;
  form.setText("frequency", "146,56250");
  form.setText("fullbat", "1,50");
  form.setText("halfbat", "1,30");
  form.setText("lowbat", "1,10");
  form.setText("gonebat", "0,90");
  form.setText("Vref", "2,70");
  // The round-up stays 0.01 with either mark: without it a ',' system lowered almost half of
  // the battery bytes by one step on every open and save.
}

}  // namespace

void startProgram(ProgramState& state, const StartupOptions& options) {
  FormModel& form = state.form;
  state.LptPortBase = 0x378;
  state.UsbMode = false;
  state.ConfigImage = defaultImageFor(state.HardwareRevision);
  adaptToDecimalMark(state, options.systemDecimalMark);
  form.runHandler("About1Click");
  decodeImage(state);
  form.runHandler("frequencyExit");
  form.setEnabled("data_format", false);
  applyEditionSetUp(state);
  for (const char* canned : kCannedMessageFields) {
    // "A Canned Messages" and three blanks: the 20 characters of the field.
    form.setText(canned, std::string(1, canned[9]) + " Canned Messages   ");
  }
  form.runHandler("toneonlymsgClick");
  form.setIndex("pll", 2);  // FS8108
  form.runHandler("switch_modelClick");
  form.runHandler("switch_modelClick");
  form.runHandler("n_countChange");
  form.runHandler("f_versionChange");
  const int linkTimings[] = {6, 1, 1, 30};
  for (int i = 0; i < 4; ++i)
    form.setPosition("TrackBar" + std::to_string(i + 1), linkTimings[i]);
  loadLanguageLibrary(state, options.dataDirectories);
}

Image factoryFreshPager(const StartupOptions& options) {
  SilentFeedback silent;
  WindowProgram program(silent);
  startProgram(program, options);
  encodeForSave(program);
  return program.ConfigImage;
}

char systemDecimalMark() {
  // The locale test of the window: does the system read "475.1" as a number?
  const std::string previous = std::setlocale(LC_NUMERIC, nullptr);
  std::setlocale(LC_NUMERIC, "");
  const char mark = std::localeconv()->decimal_point[0];
  std::setlocale(LC_NUMERIC, previous.c_str());
  return mark == '.' ? '.' : ',';
}

std::vector<std::string> defaultDataDirectories() {
  std::vector<std::string> dirs;
  char exe[PATH_MAX];
  const ssize_t n = ::readlink("/proc/self/exe", exe, sizeof exe - 1);
  if (n > 0) {
    const std::string path(exe, static_cast<std::size_t>(n));
    const std::string folder = path.substr(0, path.rfind('/'));
    dirs.push_back(folder);  // a build tree keeps the libraries beside the programs
    // An installed program finds its data beside its own prefix, wherever it was installed.
    dirs.push_back(folder + "/" + CAPCODE_DATADIR_FROM_BINDIR);
  }
  dirs.emplace_back(CAPCODE_INSTALL_DATADIR);
  return dirs;
}

}  // namespace capcode
