// capcode set: edit a configuration file from the command line as a person would in the window,
// and save it only when every edit was accepted and is kept by the file as asked; nothing else
// of the file changes.

#include <memory>

#include "cli/commands.hpp"
#include "cli/console_feedback.hpp"
#include "configuration/set_run.hpp"

namespace capcode {

namespace {

struct SetOptions {
  SetRequest request;
  FileOpenArguments open;
};

int runSet(const SetOptions& o, CommandIo& io) {
  return guarded(io, "set", kExitFailed, [&]() -> int {
    SetRequest request = o.request;
    request.open = o.open.options();
    // The status log goes to standard error when standard output carries the image.
    ConsoleFeedback person(request.output == "-" ? io.err : io.out, io.err, false);
    switch (setConfiguration(request, SetStreams{io.in, io.inFd, io.out, io.err}, person)) {
      case SetResult::Saved:
        return kExitOk;
      case SetResult::Refused:
        return kExitFailed;
      case SetResult::Usage:
        return kExitUsage;
    }
    return kExitFailed;
  });
}

}  // namespace

CommandRun setupSetCommand(CLI::App& app, CommandIo& io) {
  auto o = std::make_shared<SetOptions>();
  CLI::App* command =
      app.add_subcommand("set", "change settings of a configuration file as the window would");
  command->add_option("FILE", o->request.file, "the configuration file (- for standard input)")->required();
  command
      ->add_option("ASSIGNMENT", o->request.assignments,
                   "NAME=VALUE: a text field is cleared and typed, a list picked by item text "
                   "or index (#N: the item at index N, #-1: none), a check box set on or off; a "
                   "VALUE in double quotes is read as a JSON string, as show prints it")
      ->required()
      ->type_name("NAME=VALUE");
  command
      ->add_option("-o,--output", o->request.output, "save to OUT instead of FILE (- for standard output)")
      ->type_name("OUT");
  command->add_flag("--adjust", o->request.adjust,
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
      "A list takes an item's text first: r_count=2 picks the item \"2\"; #N picks the item at\n"
      "index N whatever its text (r_count=#2 is the item \"4\", shown by show --json as\n"
      "\"value\":2), and a number that is no item's text is an index too. #-1 (or -1) is no\n"
      "item, which a list that holds none keeps. A switch the image does not keep\n"
      "(contrast_enable) is ticked only when a later assignment changes the field it guards.\n"
      "Exit status: 0 saved, 1 refused or the file cannot be opened or saved, 2 a usage error\n"
      "(an unknown control name, an assignment without =).");
  return [o, &io] { return runSet(*o, io); };
}

}  // namespace capcode
