// capcode set: edit a configuration file from the command line as a person would in the window,
// and save it only when every edit was accepted.

#include <memory>

#include "cli/commands.hpp"
#include "cli/opened_configuration.hpp"
#include "core/conversions.hpp"

namespace capcode {

namespace {

struct SetOptions {
  std::string file;
  std::vector<std::string> assignments;
  std::string output;
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

// Applies NAME=VALUE; an error text when it cannot be applied at all (refusals are watched).
std::string apply(ProgramState& state, const std::string& name, const std::string& value) {
  FormModel& form = state.form;
  const Control* control = form.find(name);
  if (control == nullptr) return "no control named " + name;
  if (!control->visible || !form.reachable(name)) {
    return name + " is " + std::string(control->enabled ? "hidden" : "disabled") + " in the window";
  }
  switch (control->kind) {
    case ControlKind::Text:
      // Cleared and typed: every key through the key filter, the typing limit and the rules.
      state.event([&] {
        form.userKey(name, '\b', FormModel::Caret{0, form.text(name).size()});
        for (std::size_t k = 0; k < value.size(); ++k) {
          // A field that put this character in by itself (the frequency's decimal mark after
          // the third digit) needs no key for it, as the person would not press one.
          const std::string& now = form.text(name);
          if (now.size() > k && now.compare(0, k + 1, value, 0, k + 1) == 0) continue;
          form.userKey(name, value[k]);
        }
        form.leave(name);
      });
      return {};
    case ControlKind::Choice: {
      int index = -1;
      for (std::size_t i = 0; i < control->items.size(); ++i) {
        if (control->items[i] == value) index = static_cast<int>(i);
      }
      if (index < 0 && !value.empty() &&
          value.find_first_not_of("0123456789") == std::string::npos && value.size() < 6) {
        index = std::stoi(value);
      }
      if (index < 0 || index >= static_cast<int>(control->items.size()))
        return name + " has no item " + value;
      state.event([&] {
        form.userPick(name, index);
        form.leave(name);
      });
      return {};
    }
    case ControlKind::Flag: {
      if (value != "on" && value != "off") return name + " is a check box: give on or off";
      if (control->checked != (value == "on")) state.event([&] { form.userClick(name); });
      return {};
    }
    case ControlKind::Slider: {
      const auto position = parseWholeNumber(value);
      if (!position || *position < control->minimum || *position > control->maximum)
        return name + " is a slider from " + std::to_string(control->minimum) + " to " +
               std::to_string(control->maximum);
      state.event([&] { form.setPosition(name, static_cast<int>(*position)); });
      return {};
    }
    default:
      return name + " is not a setting";
  }
}

int runSet(const SetOptions& o, CommandIo& io) {
  try {
    // The status-log lines the rules write go to standard output.
    OpenedConfiguration opened(o.file, o.open, io.in, io.out, io.err);
    if (!opened.loaded() || opened.failedChecks()) {
      io.err << "capcode set: " << o.file << ": " << opened.failure() << "\n";
      return kExitFailed;
    }
    bool refused = false;
    for (const std::string& assignment : o.assignments) {
      const std::size_t equals = assignment.find('=');
      if (equals == std::string::npos || equals == 0) {
        io.err << "capcode set: " << assignment << ": give NAME=VALUE\n";
        return kExitUsage;
      }
      const std::string name = assignment.substr(0, equals);
      const Watch watch(opened);
      if (const std::string error = apply(opened.state(), name, assignment.substr(equals + 1));
          !error.empty()) {
        io.err << "capcode set: " << error << "\n";
        return opened.state().form.find(name) == nullptr ? kExitUsage : kExitFailed;
      }
      if (watch.refused()) {
        io.err << "capcode set: " << assignment << " was refused\n";
        refused = true;
      }
    }
    if (refused) {
      io.err << "capcode set: nothing was saved\n";
      return kExitFailed;
    }
    const std::string target = o.output.empty() ? o.file : o.output;
    if (target == "-") {
      io.err << "capcode set: give -o OUT to save a configuration read from standard input\n";
      return kExitUsage;
    }
    opened.feedback().answer = target;
    opened.program().click("Save1");
    if (const FileSaveOutcome& saved = opened.state().lastSave;
        saved.result != FileSaveResult::Saved) {
      io.err << "capcode set: cannot save " << target
             << (saved.error.empty() ? std::string() : ": " + saved.error) << "\n";
      return kExitFailed;
    }
  } catch (const std::runtime_error& e) {
    io.err << "capcode set: " << e.what() << "\n";
    return kExitFailed;
  }
  return kExitOk;
}

}  // namespace

CommandRun setupSetCommand(CLI::App& app, CommandIo& io) {
  auto o = std::make_shared<SetOptions>();
  CLI::App* command =
      app.add_subcommand("set", "change settings of a configuration file as the window would");
  command->add_option("FILE", o->file, "the configuration file")->required();
  command
      ->add_option("ASSIGNMENT", o->assignments,
                   "NAME=VALUE: a text field is cleared and typed, a list picked by item text "
                   "or index, a check box set on or off")
      ->required()
      ->type_name("NAME=VALUE");
  command->add_option("-o,--output", o->output, "save to OUT instead of FILE")->type_name("OUT");
  addConfigurationOpenOptions(*command, o->open);
  command->footer(
      "FILE is opened as File > Open opens it; each assignment is made as a person makes it,\n"
      "the field is left so that its rule runs, and the status-log lines the rules write are\n"
      "printed. If any assignment is refused (a beep, the focus put back, an error notice),\n"
      "nothing is saved. Otherwise the file is saved as File > Save saves it.\n"
      "Exit status: 0 saved, 1 refused or the file cannot be opened or saved, 2 a usage error\n"
      "(an unknown control name, an assignment without =).");
  return [o, &io] { return runSet(*o, io); };
}

}  // namespace capcode
