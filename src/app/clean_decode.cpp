#include "app/clean_decode.hpp"

#include <algorithm>
#include <cstdio>
#include <stdexcept>

#include "app/program.hpp"
#include "core/codec.hpp"
#include "core/config_file.hpp"
#include "core/program_state.hpp"
#include "core/watching_feedback.hpp"

namespace capcode {

namespace {

constexpr std::uint8_t kRevisions[] = {kHwA2, kHwA3, kHwB};

// The address fields a rule sent the person back to (the address rules refuse a row - range,
// duplicate, frame - by putting the focus back on it), each once, in order.
std::vector<std::string> addressFieldsFocused(const std::vector<std::string>& focused) {
  std::vector<std::string> fields;
  for (const std::string& control : focused) {
    if (control.rfind("address", 0) != 0) continue;
    if (std::find(fields.begin(), fields.end(), control) == fields.end()) fields.push_back(control);
  }
  return fields;
}

std::string hex(std::size_t offset) {
  char text[8];
  std::snprintf(text, sizeof text, "0x%03zX", offset);
  return text;
}

std::string joined(const std::vector<std::string>& parts, const char* last) {
  std::string text;
  for (std::size_t i = 0; i < parts.size(); ++i)
    text += (i == 0 ? "" : i + 1 == parts.size() ? last : ", ") + parts[i];
  return text;
}

}  // namespace

std::string offsetRuns(const std::vector<std::size_t>& offsets) {
  std::vector<std::string> runs;
  for (std::size_t i = 0; i < offsets.size();) {
    std::size_t j = i;
    while (j + 1 < offsets.size() && offsets[j + 1] == offsets[j] + 1)
      ++j;
    runs.push_back(hex(offsets[i]) + (j > i ? "-" + hex(offsets[j]) : ""));
    i = j + 1;
  }
  return (offsets.size() == 1 ? "byte " : "bytes ") + joined(runs, ", ");
}

std::optional<std::uint8_t> revisionNamed(const std::string& name) {
  if (name == "A2") return kHwA2;
  if (name == "A3") return kHwA3;
  if (name == "B") return kHwB;
  return std::nullopt;
}

std::string revisionOptionName(std::uint8_t revision) {
  return revision == kHwA2 ? "A2" : revision == kHwA3 ? "A3" : "B";
}

std::string revisionCaption(std::uint8_t revision) {
  return "HW-" + revisionOptionName(revision);
}

void selectRevision(ProgramState& state, std::uint8_t revision) {
  for (int step = 0; step < 3 && state.HardwareRevision != revision; ++step)
    state.event([&] { state.form.userClick("switch_model"); });
}

bool rewrittenOnEverySave(std::size_t offset, std::uint8_t revision, std::uint8_t fileByte) {
  if (offset == kChecksumOffset) return true;
  const std::size_t step = revision == kHwB ? 0x029 : 0x01E;
  if (offset == step || offset == step + 1) return true;
  return offset == 0x269 && fileByte == 0;
}

namespace {

// What a program's start-up leaves, beside the rules bound to it: every control (its value,
// items, flags and rules) and the state's own values. The progress dialog, the status log and
// the build's constants are not taken: no check reads them.
struct StartedValues {
  explicit StartedValues(const ProgramState& s)
      : configImage(s.ConfigImage),
        pagerReadBuffer(s.PagerReadBuffer),
        hardwareRevision(s.HardwareRevision),
        channelStep(s.ChannelStep),
        decimalMark(s.DecimalMark),
        voltageRoundUp(s.VoltageRoundUp),
        languageLibraryPath(s.LanguageLibraryPath),
        currentFilePath(s.CurrentFilePath),
        usbMode(s.UsbMode),
        lptPortBase(s.LptPortBase),
        transferResult(s.TransferResult),
        linkTimings(s.linkTimings),
        windowClosed(s.windowClosed),
        lastOpen(s.lastOpen),
        lastSave(s.lastSave) {
    for (const Control* c : s.form.controls())
      controls.push_back(*c);
  }

  void giveBack(ProgramState& s) const {
    const std::vector<Control*>& now = s.form.controls();
    if (now.size() != controls.size())
      throw std::runtime_error("the scratch program's window changed its controls");
    for (std::size_t i = 0; i < controls.size(); ++i)
      *now[i] = controls[i];
    s.ConfigImage = configImage;
    s.PagerReadBuffer = pagerReadBuffer;
    s.HardwareRevision = hardwareRevision;
    s.ChannelStep = channelStep;
    s.DecimalMark = decimalMark;
    s.VoltageRoundUp = voltageRoundUp;
    s.LanguageLibraryPath = languageLibraryPath;
    s.CurrentFilePath = currentFilePath;
    s.UsbMode = usbMode;
    s.LptPortBase = lptPortBase;
    s.TransferResult = transferResult;
    s.linkTimings = linkTimings;
    s.windowClosed = windowClosed;
    s.lastOpen = lastOpen;
    s.lastSave = lastSave;
  }

  std::vector<Control> controls;
  Image configImage;
  Image pagerReadBuffer;
  std::uint8_t hardwareRevision;
  std::uint16_t channelStep;
  char decimalMark;
  float voltageRoundUp;
  std::string languageLibraryPath;
  std::string currentFilePath;
  bool usbMode;
  std::uint16_t lptPortBase;
  std::uint8_t transferResult;
  LinkTimings linkTimings;
  bool windowClosed;
  FileOpenOutcome lastOpen;
  FileSaveOutcome lastSave;
};

ProgramOptions offline(const StartupOptions& startup) {
  ProgramOptions options;
  options.startup = startup;
  options.hardware.offline = true;
  return options;
}

}  // namespace

struct ScratchProgram::Started {
  explicit Started(const StartupOptions& startup)
      : feedback(nobody, false), program(feedback, offline(startup)) {
    if (!program.startUp()) throw std::runtime_error("the program could not start");
    values = std::make_unique<StartedValues>(program.state());
  }
  SilentFeedback nobody;
  WatchingFeedback feedback;
  Program program;
  std::unique_ptr<StartedValues> values;
};

ScratchProgram::ScratchProgram(StartupOptions startup) : startup_(std::move(startup)) {}

ScratchProgram::~ScratchProgram() = default;

ScratchProgram::Started& ScratchProgram::started() {
  if (!started_) started_ = std::make_unique<Started>(startup_);
  return *started_;
}

ProgramState& ScratchProgram::asStarted(std::uint8_t revision) {
  Started& started = this->started();
  ProgramState& state = started.program.state();
  started.values->giveBack(state);
  selectRevision(state, revision);
  state.clearRuleRefusals();
  started.feedback.forget();
  return state;
}

WatchingFeedback& ScratchProgram::feedback() {
  return started().feedback;
}

DecodeCheck checkDecode(ScratchProgram& scratch, const Image& file, std::uint8_t revision) {
  ProgramState& state = scratch.asStarted(revision);
  DecodeCheck check;
  check.revision = revision;
  // The open: the decoder with the rules its assignments run, then the frequency, address and
  // edition rules of File > Open.
  state.PagerReadBuffer = file;
  state.event([&] { takeReadBuffer(state); });
  check.refused = addressFieldsFocused(scratch.feedback().focused);
  // Decoded once more from the file's bytes and encoded at once: what the layout gives back.
  state.ConfigImage = file;
  check.converted = state.event([&] {
    decodeImage(state);
    encodeImage(state);
  });
  for (std::size_t i = 0; i < kImageSize && check.converted; ++i) {
    if (state.ConfigImage[i] != file[i] && !rewrittenOnEverySave(i, revision, file[i]))
      check.changed.push_back(i);
  }
  return check;
}

DecodeCheck checkDecode(const Image& file, std::uint8_t revision, const StartupOptions& startup) {
  ScratchProgram scratch(startup);
  return checkDecode(scratch, file, revision);
}

RevisionCheck checkRevisions(ScratchProgram& scratch, const Image& file, std::uint8_t chosen) {
  RevisionCheck result;
  result.chosen = checkDecode(scratch, file, chosen);
  if (result.chosen.clean()) return result;
  for (std::uint8_t other : kRevisions) {
    if (other != chosen && checkDecode(scratch, file, other).clean())
      result.cleanElsewhere.push_back(other);
  }
  return result;
}

RevisionCheck checkRevisions(const Image& file, std::uint8_t chosen,
                             const StartupOptions& startup) {
  ScratchProgram scratch(startup);
  return checkRevisions(scratch, file, chosen);
}

std::string RevisionCheck::refusal() const {
  if (chosen.clean()) return {};
  std::string why;
  if (!chosen.refused.empty()) {
    why = "the address rules refuse " + joined(chosen.refused, " and ");
  } else if (!chosen.converted) {
    why = "its settings cannot be encoded again";
  } else {
    why = "decoding and saving it would change " + offsetRuns(chosen.changed);
  }
  std::string text =
      "does not decode cleanly at " + revisionCaption(chosen.revision) + " (" + why + ")";
  if (cleanElsewhere.empty()) return text + "; no other revision decodes it cleanly either";
  std::vector<std::string> options;
  for (std::uint8_t r : cleanElsewhere)
    options.push_back("--revision " + revisionOptionName(r));
  std::vector<std::string> captions;
  for (std::uint8_t r : cleanElsewhere)
    captions.push_back(revisionCaption(r));
  return text + "; it decodes cleanly at " + joined(captions, " and ") + ": give " +
         joined(options, " or ");
}

}  // namespace capcode
