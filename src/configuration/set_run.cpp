#include "configuration/set_run.hpp"

#include <map>
#include <memory>

#include "configuration/configuration_text.hpp"
#include "configuration/control_bytes.hpp"
#include "configuration/opened_configuration.hpp"
#include "configuration/set_edits.hpp"
#include "core/config_file.hpp"
#include "core/file_io.hpp"

namespace capcode {

namespace {

// The bytes File > Save would write now, encoded into the image as the save encodes them (and
// left there, as a save leaves them). Nothing when the settings do not encode (a text that does
// not convert: the window's error notice says why).
std::optional<Image> bytesOfSave(OpenedConfiguration& opened) {
  ProgramState& s = opened.state();
  if (!s.event([&] { encodeForSave(s); })) return std::nullopt;
  return s.ConfigImage;
}

class SetRun {
 public:
  SetRun(const SetRequest& o, const SetStreams& io, Feedback& person)
      : options_(o), io_(io), person_(person) {}

  SetResult run() {
    const std::string target = options_.output.empty() ? options_.file : options_.output;
    if (target == "-" && options_.output.empty())
      return usage(
          "give -o OUT (or -o - for standard output) to save a configuration read from "
          "standard input");
    for (const std::string& assignment : options_.assignments) {
      std::string error;
      bool isUsage = false;
      auto edit = parseEdit(assignment, error, isUsage);
      if (!edit) return isUsage ? usage(error) : refuse(error);
      edits_.push_back(std::move(*edit));
    }
    std::string error;
    const auto input =
        readConfigurationInput(options_.file, io_.in, io_.inFd, InputLimits{}, error);
    if (!input) return refuse(error);
    opened_ = std::make_unique<OpenedConfiguration>(*input, options_.open, person_);
    if (!opened_->loaded() || opened_->failedChecks())
      return refuse(options_.file + ": " + opened_->failure());
    const auto unedited = bytesOfSave(*opened_);
    if (!unedited) return refuse(options_.file + ": its settings cannot be saved as they are");

    if (SetResult status = makeEdits(); status != SetResult::Saved) return status;
    const auto saved = bytesOfSave(*opened_);
    if (!saved) return refuse("the edited settings cannot be saved");
    if (SetResult status = compareInWindow(); status != SetResult::Saved) return status;
    Image kept = *saved;
    keepUncarried(*unedited, kept);
    if (SetResult status = readBack(kept); status != SetResult::Saved) return status;
    return save(target, kept);
  }

 private:
  SetResult usage(const std::string& text) {
    io_.err << "capcode set: " << text << "\n";
    return SetResult::Usage;
  }
  SetResult refuse(const std::string& text) {
    io_.err << "capcode set: " << text << "\ncapcode set: nothing was saved\n";
    return SetResult::Refused;
  }
  ProgramState& state() { return opened_->state(); }
  const Control& control(const std::string& name) { return state().form.at(name); }

  SetResult makeEdits() {
    bool refused = false;
    for (std::size_t i = 0; i < edits_.size(); ++i) {
      Edit& edit = edits_[i];
      bool isUsage = false;
      const std::string error = checkEdit(state(), edit, isUsage);
      if (!error.empty() && isUsage) return usage(error);
      if (!error.empty()) {
        if (!edit.windowOnly || !opensLaterEdit(i, refused)) return refuse(error);
        continue;  // ticked; the image does not keep it, so it is neither compared nor read back
      }
      if (edit.unchanged) continue;
      refused = !madeAsAsked(edit) || refused;
      last_[edit.name] = &edit;
    }
    return refused ? refuse("an edit was refused") : SetResult::Saved;
  }

  // Makes the edit; false (and says so) when the window refused it: a rule refused or changed
  // what was typed, or an error ended the edit.
  bool madeAsAsked(const Edit& edit) {
    ProgramState& s = state();
    s.clearRuleRefusals();
    const bool ended = makeEdit(s, edit);
    if (ended && s.ruleRefusals().count == 0) return true;
    io_.err << "capcode set: " << edit.name << "=" << edit.given << " was refused\n";
    return false;
  }

  // A switch of the window alone (contrast_enable) is ticked as a person ticks it, and only when
  // a later edit needs it: one that changes a field the window does not let a person edit as
  // the switch stands, and lets them once it is ticked. False when no later edit does; the
  // switch may have been ticked then, but nothing is saved.
  bool opensLaterEdit(std::size_t i, bool& refused) {
    std::vector<std::size_t> blocked;
    for (std::size_t j = i + 1; j < edits_.size(); ++j) {
      Edit probe = edits_[j];
      bool isUsage = false;
      if (!checkEdit(state(), probe, isUsage).empty() && !isUsage && !probe.unchanged &&
          !probe.windowOnly)
        blocked.push_back(j);
    }
    if (blocked.empty()) return false;
    refused = !madeAsAsked(edits_[i]) || refused;
    for (const std::size_t j : blocked) {
      Edit probe = edits_[j];
      bool isUsage = false;
      if (checkEdit(state(), probe, isUsage).empty()) return true;
    }
    return false;
  }

  // What the window made of each value: the rules may clamp, snap or pad it on purpose.
  SetResult compareInWindow() {
    bool adjusted = false;
    for (const auto& [name, edit] : last_) {
      const Control& c = control(name);
      const ControlValue now = valueOf(c);
      if (sameValue(c, edit->asked, now, state().DecimalMark)) continue;
      io_.err << "capcode set: " << name << ": the window adjusts " << shownValue(c, edit->asked)
              << " to " << shownValue(c, now) << "\n";
      adjusted = true;
    }
    if (adjusted && !options_.adjust) return refuse("give --adjust to accept the adjusted values");
    return SetResult::Saved;
  }

  // Opens the bytes that would be saved as a new File > Open would (in the scratch program,
  // after their check at the revision the file was opened at), and compares each edited control
  // with what it holds then. A text the save pads (a tone pattern of fewer than four digits) is
  // an adjustment; any other difference is a value the file cannot keep.
  SetResult readBack(const Image& saved) {
    ScratchProgram& scratch = opened_->scratch();
    const RevisionCheck check = checkRevisions(scratch, saved, opened_->revision());
    const TemporaryCopy copy(std::vector<std::uint8_t>(saved.begin(), saved.end()), "saved");
    ProgramState& again = scratch.asStarted(opened_->revision());
    const WindowOpen open = openInWindow(again, scratch.feedback(), copy.path());
    if (!open.read()) return refuse("the saved file would not open again: " + open.refusal);
    // Compared even when it would not open cleanly, to say which value.
    if (!open.accepted()) again.event([&] { takeReadBuffer(again); });
    bool lost = false;
    bool padded = false;
    for (const auto& [name, edit] : last_) {
      const Control& c = control(name);
      const Control& stored = again.form.at(name);
      if (sameValue(c, valueOf(c), valueOf(stored), state().DecimalMark)) continue;
      if (c.kind == ControlKind::Text && stored.text.size() > c.text.size() &&
          stored.text.compare(0, c.text.size(), c.text) == 0) {
        io_.err << "capcode set: " << name << ": the window adjusts " << shownValue(c, valueOf(c))
                << " to " << shownValue(stored, valueOf(stored)) << "\n";
        padded = true;
        continue;
      }
      io_.err << "capcode set: " << name << ": asked " << shownValue(c, edit->asked) << ", stored "
              << shownValue(stored, valueOf(stored)) << "\n";
      lost = true;
    }
    if (lost) return refuse("the file does not keep what was asked");
    if (padded && !options_.adjust) return refuse("give --adjust to accept the adjusted values");
    if (!open.accepted()) return refuse("the saved file would not open again: " + open.refusal);
    if (!check.chosen.clean())
      return refuse("the saved file would not open again: " + check.refusal());
    return SetResult::Saved;
  }

  // The bits a save would change although the edits do not change what the settings write
  // there (the bits where the save differs from the file and agrees with a save of the unedited
  // file: what the open's own rules rewrite, such as the edition's model code or LCD driver)
  // keep the file's value, so that set changes only what its edits carry. Each is named.
  void keepUncarried(const Image& unedited, Image& saved) {
    const Image& file = opened_->bytes();
    std::vector<std::size_t> offsets;
    for (std::size_t i = 0; i < kImageSize; ++i) {
      const auto uncarried =
          static_cast<std::uint8_t>((saved[i] ^ file[i]) & ~(saved[i] ^ unedited[i]));
      // The checksum follows the other bytes; even the channel step keeps the file's value
      // unless an edit (of the frequency or the synthesizer) carries it.
      if (uncarried == 0 || i == kChecksumOffset) continue;
      saved[i] ^= uncarried;
      offsets.push_back(i);
    }
    if (offsets.empty()) return;
    setChecksum(saved);
    std::vector<std::string> names;
    for (const ShownControl& c : shownControls(state()))
      names.push_back(c.name);
    std::string by;
    for (const std::string& name : controlsDeciding(state(), names, offsets))
      by += (by.empty() ? "" : ", ") + name;
    io_.err << "capcode set: " << offsetRuns(offsets) << " ("
            << (by.empty() ? regionOf(offsets.front()) : by)
            << ") kept as the file holds them: opening the file rewrites them, the edits do not "
               "carry them\n";
  }

  SetResult save(const std::string& target, const Image& saved) {
    const std::vector<std::uint8_t> bytes(saved.begin(), saved.end());
    if (target == "-") {
      io_.out.write(reinterpret_cast<const char*>(bytes.data()),
                    static_cast<std::streamsize>(bytes.size()));
      io_.out.flush();
      return io_.out ? SetResult::Saved : refuse("cannot write standard output");
    }
    if (const std::string error = writeFileAtomically(target, bytes); !error.empty())
      return refuse("cannot save " + target + ": " + error);
    return SetResult::Saved;
  }

  const SetRequest& options_;
  const SetStreams& io_;
  Feedback& person_;
  std::vector<Edit> edits_;
  std::map<std::string, const Edit*> last_;  // the last edit of each control
  std::unique_ptr<OpenedConfiguration> opened_;
};

}  // namespace

SetResult setConfiguration(const SetRequest& request, const SetStreams& io, Feedback& person) {
  return SetRun(request, io, person).run();
}

}  // namespace capcode
