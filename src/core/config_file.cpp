#include "core/config_file.hpp"

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include "core/codec.hpp"
#include "core/enum_text.hpp"
#include "core/file_io.hpp"
#include "core/image_map.hpp"
#include "core/program_state.hpp"

namespace capcode {

namespace {

// Refuses the file: the result, its line, a beep.
void refuseFile(ProgramState& state, FileOpenResult result) {
  state.lastOpen.result = result;
  state.log(fileOpenRefusalLine(result));
  state.beep();
  state.recordRuleRefusal(
      {RuleRefusalReason::FileNotOpened, "Open1", 0, std::string(fileOpenRefusalLine(result))});
}

// The Open (`save` false) or Save dialog, starting at the path last chosen. Cancelled: nothing,
// and the outcome says so. A path chosen is logged, kept in the outcome and is where the next
// dialog starts.
template <typename Outcome>
std::optional<std::string> choosePath(ProgramState& state, Outcome& outcome, bool save) {
  outcome = {};
  auto path = state.feedback().chooseFile(
      {save, state.CurrentFilePath, kConfigFileFilter, kConfigFileExtension});
  if (!path) {
    outcome.result = decltype(outcome.result)::Cancelled;
    return std::nullopt;
  }
  outcome.path = *path;
  state.log((save ? "Save data to " : "Load data from ") + *path);
  state.CurrentFilePath = *path;
  return path;
}

void open1Click(ProgramState& state) {
  const auto path = choosePath(state, state.lastOpen, false);
  if (!path) return;
  const auto bytes = readFilePrefix(*path, kImageSize);
  if (!bytes) return refuseFile(state, FileOpenResult::ReadError);
  state.PagerReadBuffer.fill(0xFF);
  std::copy(bytes->begin(), bytes->end(), state.PagerReadBuffer.begin());
  if (!checksumValid(state.PagerReadBuffer))
    return refuseFile(state, FileOpenResult::ChecksumError);
  if (state.build.factoryEdition == 0 &&
      state.form.index("customer") != state.PagerReadBuffer[kEditionTagOffset]) {
    return refuseFile(state, FileOpenResult::WrongEdition);
  }
  // Accepted: an error in the rules that follow does not undo the open.
  state.lastOpen.result = FileOpenResult::Opened;
  state.log("File loaded");
  takeReadBuffer(state);
}

void save1Click(ProgramState& state) {
  FileSaveOutcome& outcome = state.lastSave;
  const auto path = choosePath(state, outcome, true);
  if (!path) return;
  outcome.result = FileSaveResult::Interrupted;  // what an error while encoding leaves
  encodeForSave(state);
  const std::vector<std::uint8_t> bytes(state.ConfigImage.begin(), state.ConfigImage.end());
  const std::string error = writeFileAtomically(*path, bytes);
  if (!error.empty()) {
    outcome.result = FileSaveResult::WriteError;
    outcome.error = error;
    state.log("write error!");
    state.beep();
    state.recordRuleRefusal({RuleRefusalReason::FileNotSaved, "Save1", 0, "write error!"});
    return;
  }
  outcome.result = FileSaveResult::Saved;
  state.log("ok!");
}

}  // namespace

std::string_view fileOpenRefusalLine(FileOpenResult result) {
  // The results that open the file, or never looked at one, have no line.
  static constexpr EnumText<FileOpenResult> kRefusalLines[] = {
      {FileOpenResult::ReadError, "Load file error"},
      {FileOpenResult::ChecksumError, "File checksum error"},
      {FileOpenResult::WrongEdition, "File not for this model!"},
  };
  return enumText(kRefusalLines, result, "");
}

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
