#include "app/clean_decode.hpp"

#include <algorithm>
#include <cstdio>
#include <stdexcept>

#include "app/program.hpp"
#include "core/codec.hpp"
#include "core/config_file.hpp"
#include "core/program_state.hpp"

namespace capcode {

namespace {

constexpr std::uint8_t kRevisions[] = {kHwA2, kHwA3, kHwB};

// Everything goes nowhere, except which address field a rule sends the person back to: the
// address rules refuse a row (range, duplicate, frame) by putting the focus back on it.
class AddressRefusals final : public Feedback {
 public:
  void log(std::string_view) override {}
  void beep() override {}
  void focus(std::string_view control) override {
    if (control.rfind("address", 0) != 0) return;
    for (const std::string& known : refused) {
      if (known == control) return;
    }
    refused.emplace_back(control);
  }
  void message(std::string_view) override {}
  void errorNotice(std::string_view) override {}
  std::vector<std::string> refused;
};

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

DecodeCheck checkDecode(const Image& file, std::uint8_t revision, const StartupOptions& startup) {
  AddressRefusals feedback;
  ProgramOptions options;
  options.startup = startup;
  options.hardware.offline = true;
  Program program(feedback, options);
  if (!program.startUp()) throw std::runtime_error("the program could not start");
  ProgramState& state = program.state();
  selectRevision(state, revision);
  feedback.refused.clear();

  DecodeCheck check;
  check.revision = revision;
  // The open: the decoder with the rules its assignments run, then the frequency, address and
  // edition rules of File > Open.
  state.PagerReadBuffer = file;
  state.event([&] { takeReadBuffer(state); });
  check.refused = feedback.refused;
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

RevisionCheck checkRevisions(const Image& file, std::uint8_t chosen,
                             const StartupOptions& startup) {
  RevisionCheck result;
  result.chosen = checkDecode(file, chosen, startup);
  if (result.chosen.clean()) return result;
  for (std::uint8_t other : kRevisions) {
    if (other != chosen && checkDecode(file, other, startup).clean())
      result.cleanElsewhere.push_back(other);
  }
  return result;
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
