// capcode set: edit a configuration file from the command line as a person would in the window,
// and save it only when every edit was accepted and is kept by the file as asked; nothing else
// of the file changes.

#include <cstdio>
#include <map>
#include <memory>

#include "cli/commands.hpp"
#include "cli/configuration_text.hpp"
#include "cli/control_bytes.hpp"
#include "cli/opened_configuration.hpp"
#include "cli/set_edits.hpp"
#include "core/file_io.hpp"

namespace capcode {

namespace {

struct SetOptions {
  std::string file;
  std::vector<std::string> assignments;
  std::string output;
  bool adjust = false;
  OpenOptions open;
};

// What one assignment did to the person: a beep, a focus return or an error notice refuses it.
struct Watch {
  explicit Watch(OpenedConfiguration& opened)
      : feedback(opened.feedback()),
        beeps(feedback.beeps),
        focus(feedback.focused.size()),
        notices(feedback.notices.size()) {}
  bool refused() const {
    return feedback.beeps != beeps || feedback.focused.size() != focus ||
           feedback.notices.size() != notices;
  }
  ConsoleFeedback& feedback;
  std::size_t beeps;
  std::size_t focus;
  std::size_t notices;
};

// The bytes File > Save would write now, found by saving into a private temporary file with
// the status log muted. Nothing when the save fails (a text that does not convert).
std::optional<Image> bytesOfSave(OpenedConfiguration& opened) {
  const std::string path = keepInTemporaryFile({}, "set");
  ConsoleFeedback& feedback = opened.feedback();
  feedback.answer = path;
  feedback.muted = true;
  opened.program().click("Save1");
  feedback.muted = false;
  // The temporary file starts empty and a save replaces it whole, or not at all.
  std::optional<Image> image;
  if (const auto bytes = readFilePrefix(path, kImageSize); bytes && bytes->size() == kImageSize) {
    image.emplace();
    std::copy(bytes->begin(), bytes->end(), image->begin());
  }
  ::remove(path.c_str());
  return image;
}

class SetRun {
 public:
  SetRun(const SetOptions& o, CommandIo& io)
      : options_(o), io_(io), log_(o.output == "-" ? io.err : io.out) {}

  int run() {
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
    opened_ = std::make_unique<OpenedConfiguration>(*input, options_.open, log_, io_.err);
    if (!opened_->loaded() || opened_->failedChecks())
      return refuse(options_.file + ": " + opened_->failure());
    const auto unedited = bytesOfSave(*opened_);
    if (!unedited) return refuse(options_.file + ": its settings cannot be saved as they are");

    if (int status = makeEdits(); status != kExitOk) return status;
    const auto saved = bytesOfSave(*opened_);
    if (!saved) return refuse("the edited settings cannot be saved");
    if (int status = compareInWindow(); status != kExitOk) return status;
    Image kept = *saved;
    keepUncarried(*unedited, kept);
    if (int status = readBack(kept); status != kExitOk) return status;
    return save(target, kept);
  }

 private:
  int usage(const std::string& text) {
    io_.err << "capcode set: " << text << "\n";
    return kExitUsage;
  }
  int refuse(const std::string& text) {
    io_.err << "capcode set: " << text << "\ncapcode set: nothing was saved\n";
    return kExitFailed;
  }
  ProgramState& state() { return opened_->state(); }
  const Control& control(const std::string& name) { return state().form.at(name); }

  int makeEdits() {
    bool refused = false;
    for (Edit& edit : edits_) {
      bool isUsage = false;
      if (const std::string error = checkEdit(state(), edit, isUsage); !error.empty()) {
        if (isUsage) return usage(error);
        return refuse(error);
      }
      if (edit.unchanged) continue;
      const Watch watch(*opened_);
      makeEdit(state(), edit);
      if (watch.refused()) {
        io_.err << "capcode set: " << edit.name << "=" << edit.given << " was refused\n";
        refused = true;
      }
      last_[edit.name] = &edit;
    }
    return refused ? refuse("an edit was refused") : kExitOk;
  }

  // What the window made of each value: the rules may clamp, snap or pad it on purpose.
  int compareInWindow() {
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
    return kExitOk;
  }

  // Opens the bytes that would be saved as a new File > Open would, and compares each edited
  // control with what it holds then. A text the save pads (a tone pattern of fewer than four
  // digits) is an adjustment; any other difference is a value the file cannot keep.
  int readBack(const Image& saved) {
    ConfigurationInput input{options_.file, std::vector<std::uint8_t>(saved.begin(), saved.end()),
                             false};
    std::ostream nowhere(nullptr);
    OpenOptions options = options_.open;
    options.force = true;  // compared even when it would not open cleanly, to say which value
    OpenedConfiguration again(input, options, nowhere, nowhere);
    if (!again.loaded()) return refuse("the saved file would not open again: " + again.failure());
    bool lost = false;
    bool padded = false;
    for (const auto& [name, edit] : last_) {
      const Control& c = control(name);
      const Control& stored = again.state().form.at(name);
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
    if (again.failedChecks())
      return refuse("the saved file would not open again: " + again.failure());
    return kExitOk;
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

  int save(const std::string& target, const Image& saved) {
    const std::vector<std::uint8_t> bytes(saved.begin(), saved.end());
    if (target == "-") {
      io_.out.write(reinterpret_cast<const char*>(bytes.data()),
                    static_cast<std::streamsize>(bytes.size()));
      io_.out.flush();
      return io_.out ? kExitOk : refuse("cannot write standard output");
    }
    if (const std::string error = writeFileAtomically(target, bytes); !error.empty())
      return refuse("cannot save " + target + ": " + error);
    return kExitOk;
  }

  const SetOptions& options_;
  CommandIo& io_;
  std::ostream& log_;
  std::vector<Edit> edits_;
  std::map<std::string, const Edit*> last_;  // the last edit of each control
  std::unique_ptr<OpenedConfiguration> opened_;
};

int runSet(const SetOptions& o, CommandIo& io) {
  try {
    return SetRun(o, io).run();
  } catch (const std::runtime_error& e) {
    io.err << "capcode set: " << e.what() << "\n";
    return kExitFailed;
  }
}

}  // namespace

CommandRun setupSetCommand(CLI::App& app, CommandIo& io) {
  auto o = std::make_shared<SetOptions>();
  CLI::App* command =
      app.add_subcommand("set", "change settings of a configuration file as the window would");
  command->add_option("FILE", o->file, "the configuration file (- for standard input)")->required();
  command
      ->add_option("ASSIGNMENT", o->assignments,
                   "NAME=VALUE: a text field is cleared and typed, a list picked by item text "
                   "or index, a check box set on or off; a VALUE in double quotes is read as a "
                   "JSON string, as show prints it")
      ->required()
      ->type_name("NAME=VALUE");
  command
      ->add_option("-o,--output", o->output, "save to OUT instead of FILE (- for standard output)")
      ->type_name("OUT");
  command->add_flag("--adjust", o->adjust,
                    "accept values the window adjusts on purpose (a clamp to a maximum, a "
                    "frequency snapped to the channel grid, a tone pattern padded); each is "
                    "printed on standard error");
  addConfigurationOpenOptions(*command, o->open);
  command->footer(
      "FILE is opened as File > Open opens it (a pipe or another stream too) and must decode\n"
      "cleanly at the revision; each assignment is made as a person makes it, the field is\n"
      "left so that its rule runs, and the status-log lines the rules write are printed (on\n"
      "standard error with -o -). Values are UTF-8; each character must be one of the pager's\n"
      "(Latin-1). Nothing is saved when an assignment is refused (a beep, the focus put back,\n"
      "an error notice, a value longer than its field, a control the image does not keep), when\n"
      "the window adjusts a value (unless --adjust), or when the saved file would not give\n"
      "back a value as asked. Bytes the edits do not carry keep the file's value, even where\n"
      "opening the file rewrites them (each such byte is named on standard error).\n"
      "Exit status: 0 saved, 1 refused or the file cannot be opened or saved, 2 a usage error\n"
      "(an unknown control name, an assignment without =).");
  return [o, &io] { return runSet(*o, io); };
}

}  // namespace capcode
