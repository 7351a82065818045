#include "core/config_file.hpp"

#include <algorithm>
#include <vector>

#include "core/codec.hpp"
#include "core/file_io.hpp"
#include "core/program_state.hpp"

namespace capcode {

namespace {

constexpr std::size_t kEditionTagOffset = 0x3FE;

FileDialogRequest dialogRequest(const ProgramState& state, bool save) {
  return {save, state.CurrentFilePath, kConfigFileFilter, kConfigFileExtension};
}

void open1Click(ProgramState& state) {
  const auto path = state.feedback().chooseFile(dialogRequest(state, false));
  if (!path) return;
  state.log("Load data from " + *path);
  state.CurrentFilePath = *path;
  const auto bytes = readFilePrefix(*path, kImageSize);
  if (!bytes) {
    state.log("Load file error");
    state.beep();
    return;
  }
  state.PagerReadBuffer.fill(0xFF);
  std::copy(bytes->begin(), bytes->end(), state.PagerReadBuffer.begin());
  if (!checksumValid(state.PagerReadBuffer)) {
    state.log("File checksum error");
    state.beep();
    return;
  }
  if (state.build.factoryEdition == 0 &&
      state.form.index("customer") != state.PagerReadBuffer[kEditionTagOffset]) {
    state.log("File not for this model!");
    state.beep();
    return;
  }
  state.log("File loaded");
  takeReadBuffer(state);
}

void save1Click(ProgramState& state) {
  const auto path = state.feedback().chooseFile(dialogRequest(state, true));
  if (!path) return;
  state.log("Save data to " + *path);
  state.CurrentFilePath = *path;
  encodeForSave(state);
  const std::vector<std::uint8_t> bytes(state.ConfigImage.begin(), state.ConfigImage.end());
  const std::string error = writeFileAtomically(*path, bytes);
  if (!error.empty()) {
    state.log("write error!");
    state.beep();
    return;
  }
  state.log("ok!");
}

}  // namespace

void encodeForSave(ProgramState& state) {
  state.form.runHandler("hellomsg1Exit");
  state.form.runHandler("hellomsg2Exit");
  encodeImage(state);
  setChecksum(state.ConfigImage);
}

void takeReadBuffer(ProgramState& state) {
  state.ConfigImage = state.PagerReadBuffer;
  decodeImage(state);
  FormModel& form = state.form;
  form.runHandler("frequencyExit");
  for (int row = 1; row <= 6; ++row)
    form.runHandler(rowControlName("address", row, "Exit"));
  form.runHandler("customerChange");
}

void installConfigFileCommands(ProgramState& state) {
  state.form.attach(ControlEvent::Click, "Open1", [&state] { open1Click(state); });
  state.form.attach(ControlEvent::Click, "Save1", [&state] { save1Click(state); });
}

}  // namespace capcode
