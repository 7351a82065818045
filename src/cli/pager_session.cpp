#include "cli/pager_session.hpp"

namespace capcode {

namespace {

ProgramOptions programOptions(const SessionOptions& options) {
  return {startupOptionsFor(options.dataDirectory), options.hardware};
}

}  // namespace

PagerSession::PagerSession(Feedback& feedback, const SessionOptions& options)
    : Program(feedback, programOptions(options)) {}

std::vector<std::string> PagerSession::click(std::string_view item) {
  ProgramState& s = state();
  const std::size_t from = s.statusLog().size();
  s.event([&] { s.form.userClick(item); });
  return {s.statusLog().begin() + static_cast<std::ptrdiff_t>(from), s.statusLog().end()};
}

}  // namespace capcode
