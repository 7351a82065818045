#include "cli/usage_hint.hpp"

#include <algorithm>

namespace capcode {

namespace {

std::size_t distance(const std::string& a, const std::string& b) {
  std::vector<std::size_t> row(b.size() + 1);
  for (std::size_t j = 0; j <= b.size(); ++j)
    row[j] = j;
  for (std::size_t i = 1; i <= a.size(); ++i) {
    std::size_t diagonal = row[0];
    row[0] = i;
    for (std::size_t j = 1; j <= b.size(); ++j) {
      const std::size_t above = row[j];
      row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (a[i - 1] == b[j - 1] ? 0 : 1)});
      diagonal = above;
    }
  }
  return row[b.size()];
}

// The nearest name within a few edits (a transposition counts two), or empty.
std::string nearest(const std::string& wrong, const std::vector<std::string>& names) {
  std::string best;
  std::size_t bestDistance = std::max<std::size_t>(2, wrong.size() / 3) + 1;
  for (const std::string& name : names) {
    const std::size_t d = distance(wrong, name);
    if (d < bestDistance) {
      best = name;
      bestDistance = d;
    }
  }
  return best;
}

std::string commandPath(const CLI::App& at) {
  return at.get_parent() == nullptr ? "capcode"
                                    : commandPath(*at.get_parent()) + " " + at.get_name();
}

std::string hint(const CLI::App& at, const char* what, const std::string& wrong,
                 const std::vector<std::string>& names) {
  const std::string command = commandPath(at);
  const std::string near = nearest(wrong, names);
  return command + ": unknown " + what + " " + wrong +
         (near.empty() ? "" : "; did you mean " + near + "?") + " (" + command +
         " --help lists them)";
}

// The option spelt `name` ("--name" when `isLong`, else "-n"), or none; every spelling of that
// kind the command takes is added to `known`.
const CLI::Option* optionNamed(const CLI::App& at, const std::string& name, bool isLong,
                               std::vector<std::string>& known) {
  const CLI::Option* found = nullptr;
  const std::string dashes = isLong ? "--" : "-";
  for (const CLI::Option* option : at.get_options()) {
    for (const std::string& spelling : isLong ? option->get_lnames() : option->get_snames()) {
      known.push_back(dashes + spelling);
      if (known.back() == name) found = option;
    }
  }
  return found;
}

}  // namespace

std::string usageHint(const CLI::App& app, const std::vector<std::string>& args) {
  const CLI::App* at = &app;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (arg == "--") break;
    if (arg.size() > 1 && arg[0] == '-' && arg != "-") {
      const bool isLong = arg.rfind("--", 0) == 0;
      const std::string name = isLong ? arg.substr(0, arg.find('=')) : arg.substr(0, 2);
      std::vector<std::string> known;
      const CLI::Option* option = optionNamed(*at, name, isLong, known);
      if (option == nullptr) return hint(*at, "option", name, known);
      // Its value is the next argument unless given with = (or joined to a short option).
      const bool joined = isLong ? arg.find('=') != std::string::npos : arg.size() > 2;
      if (option->get_items_expected_min() > 0 && !joined) ++i;
      continue;
    }
    const auto subcommands = at->get_subcommands({});
    const auto sub = std::find_if(subcommands.begin(), subcommands.end(),
                                  [&](const CLI::App* s) { return s->get_name() == arg; });
    if (sub != subcommands.end()) {
      at = *sub;
      continue;
    }
    const bool takesPositionals =
        !at->get_options([](const CLI::Option* o) { return o->get_positional(); }).empty();
    if (takesPositionals || subcommands.empty()) continue;
    std::vector<std::string> names;
    for (const CLI::App* s : subcommands)
      names.push_back(s->get_name());
    return hint(*at, "command", arg, names);
  }
  return {};
}

}  // namespace capcode
