#include "cli/pager_session.hpp"

#include <algorithm>

namespace capcode {

namespace {

ProgramOptions programOptions(const SessionOptions& options) {
  return {startupOptionsFor(options.dataDirectory), options.hardware};
}

}  // namespace

bool logged(const std::vector<std::string>& lines, std::string_view line) {
  return std::find(lines.begin(), lines.end(), line) != lines.end();
}

PagerSession::PagerSession(Feedback& feedback, const SessionOptions& options)
    : Program(feedback, programOptions(options)) {}

std::vector<std::string> PagerSession::click(std::string_view item) {
  ProgramState& s = state();
  const std::size_t from = s.statusLog().size();
  s.event([&] { s.form.userClick(item); });
  return {s.statusLog().begin() + static_cast<std::ptrdiff_t>(from), s.statusLog().end()};
}

}  // namespace capcode
