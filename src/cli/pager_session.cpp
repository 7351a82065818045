#include "cli/pager_session.hpp"

namespace capcode {

StartupOptions startupOptionsFor(const std::optional<std::string>& dataDirectory) {
  StartupOptions startup;
  startup.systemDecimalMark = systemDecimalMark();
  startup.dataDirectories =
      dataDirectory ? std::vector<std::string>{*dataDirectory} : defaultDataDirectories();
  return startup;
}

PagerSession::PagerSession(Feedback& feedback, const SessionOptions& options)
    : state_(feedback),
      hardware_(std::make_unique<HardwareSetup>(options.hardware)),
      links_(std::make_unique<ProgrammerLinks>(state_, hardware_->port(), hardware_->clock(),
                                               hardware_->hid())),
      startup_(startupOptionsFor(options.dataDirectory)) {
  installProgrammerLinks(state_, *links_);
}

PagerSession::~PagerSession() = default;

bool PagerSession::start() {
  if (!state_.event([&] { startProgram(state_, startup_); })) return false;
  state_.event([&] { state_.form.runHandler("HidCtlDeviceChange"); });
  return true;
}

std::vector<std::string> PagerSession::click(std::string_view item) {
  const std::size_t from = state_.statusLog().size();
  state_.event([&] { state_.form.userClick(item); });
  return {state_.statusLog().begin() + static_cast<std::ptrdiff_t>(from),
          state_.statusLog().end()};
}

std::string PagerSession::finish() {
  state_.event([&] { state_.form.userClick("Exit1"); });
  return hardware_->saveSimulatedImages();
}

}  // namespace capcode
