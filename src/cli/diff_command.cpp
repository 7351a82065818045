// capcode diff: what differs between two configurations, control by control, then the bytes no
// control carries.

#include <cstdio>
#include <memory>

#include "cli/commands.hpp"
#include "cli/console_feedback.hpp"
#include "configuration/configuration_compare.hpp"
#include "configuration/latin1_text.hpp"
#include "core/json.hpp"

namespace capcode {

namespace {

struct DiffOptions {
  std::string a;
  std::string b;
  bool json = false;
  bool quiet = false;
  FileOpenArguments open;
};

std::string hex(std::size_t offset) {
  char text[8];
  std::snprintf(text, sizeof text, "0x%03zX", offset);
  return text;
}

// How a control reads in a difference: quoted texts show their blanks.
std::string shownValue(const ShownControl& c) {
  if (c.kind == "text") return jsonString(c.value);
  if (c.kind == "list") return c.index < 0 ? std::string("(none)") : latin1ToUtf8(c.value);
  return latin1ToUtf8(c.value);
}

int runDiff(const DiffOptions& o, CommandIo& io) {
  if (o.a == "-" && o.b == "-") {
    io.err << "capcode diff: only one of the files can be standard input\n";
    return kExitUsage;
  }
  return guarded(io, "diff", kExitUsage, [&]() -> int {
    std::string error;
    const auto inputA = readConfigurationInput(o.a, io.in, io.inFd, InputLimits{}, error);
    const auto inputB =
        inputA ? readConfigurationInput(o.b, io.in, io.inFd, InputLimits{}, error) : std::nullopt;
    if (!inputA || !inputB) {
      complain(io, "diff") << error << "\n";
      return kExitUsage;
    }
    std::ostream nowhere(nullptr);
    std::ostream& log = o.quiet ? nowhere : io.err;
    ConsoleFeedback person(log, io.err, false);
    // One scratch program for both files' checks: a diff brings up three programs, not four.
    const OpenOptions options = o.open.options();
    ScratchProgram scratch(openStartup(options));
    OpenedConfiguration a(*inputA, options, person, scratch);
    OpenedConfiguration b(*inputB, options, person, scratch);
    for (const auto& [opened, name] : {std::pair{&a, &o.a}, {&b, &o.b}}) {
      if (!opened->loaded()) {
        complain(io, "diff") << *name << ": " << opened->failure() << "\n";
        return kExitUsage;
      }
    }
    const ConfigurationDifferences differences = compareConfigurations(a, b);
    const auto& changed = differences.controls;
    const std::vector<ByteRange>& bytes = differences.bytes;

    if (o.json) {
      io.out << "{\"controls\":[";
      for (std::size_t i = 0; i < changed.size(); ++i) {
        const auto& [l, r] = changed[i];
        io.out << (i ? "," : "") << "\n  {\"name\":" << jsonString(l.name)
               << ",\"label\":" << jsonString(l.label) << ",\"a\":" << jsonString(l.value)
               << ",\"b\":" << jsonString(r.value) << "}";
      }
      io.out << "],\n\"bytes\":[";
      for (std::size_t i = 0; i < bytes.size(); ++i) {
        io.out << (i ? "," : "") << "\n  {\"from\":" << jsonString(hex(bytes[i].first))
               << ",\"to\":" << jsonString(hex(bytes[i].last))
               << ",\"region\":" << jsonString(bytes[i].region) << "}";
      }
      io.out << "]}\n";
    } else {
      for (const auto& [l, r] : changed) {
        io.out << (l.label.empty() ? l.name : l.label) << " (" << l.name
               << "): " << shownValue(l) << " -> " << shownValue(r) << '\n';
      }
      for (const ByteRange& range : bytes) {
        io.out << "bytes " << hex(range.first)
               << (range.last != range.first ? "-" + hex(range.last) : std::string()) << " ("
               << range.region << ") differ\n";
      }
    }
    return differences.none() ? kExitOk : kExitFailed;
  });
}

}  // namespace

CommandRun setupDiffCommand(CLI::App& app, CommandIo& io) {
  auto o = std::make_shared<DiffOptions>();
  CLI::App* command = app.add_subcommand(
      "diff", "list what differs between two configuration files, control by control");
  command->add_option("A", o->a, "the first configuration file (- for standard input)")->required();
  command->add_option("B", o->b, "the second configuration file (- for standard input)")
      ->required();
  command->add_flag("--json", o->json, "the differences as one JSON object");
  command->add_flag("--force", o->open.open.force,
                    "compare files that fail their checks or do not decode cleanly too");
  command->add_flag("-q,--quiet", o->quiet, "leave out the status log of the opens; messages stay");
  addConfigurationOpenOptions(*command, o->open);
  command->footer(
      "Both files are opened as File > Open opens them (pipes and other streams too, such as\n"
      "<(git show HEAD:cfg.eep)). Each control whose value differs is\n"
      "listed in the window's order as LABEL (NAME): A -> B; then the bytes that no control\n"
      "carries (the prompt block, the character table, bytes no setting names) as ranges.\n"
      "Exit status: 0 equal, 1 they differ, 2 a file cannot be opened or a usage error.");
  return [o, &io] { return runDiff(*o, io); };
}

}  // namespace capcode
