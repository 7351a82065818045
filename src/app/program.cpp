#include "app/program.hpp"

#include <atomic>

namespace capcode {

StartupOptions startupOptionsFor(const std::optional<std::string>& dataDirectory,
                                 std::optional<char> mark) {
  StartupOptions startup;
  startup.systemDecimalMark = mark.value_or(systemDecimalMark());
  startup.dataDirectories =
      dataDirectory ? std::vector<std::string>{*dataDirectory} : defaultDataDirectories();
  return startup;
}

namespace {

std::atomic<std::size_t> programsBroughtUp{0};

// The hardware options with a missing simulated image made a factory-fresh pager of this run's
// start-up (its language libraries, its decimal mark).
HardwareOptions withFreshPagers(const ProgramOptions& options) {
  HardwareOptions hardware = options.hardware;
  hardware.factoryFreshPager = [startup = options.startup] { return factoryFreshPager(startup); };
  return hardware;
}

}  // namespace

Program::Program(Feedback& feedback, const ProgramOptions& options)
    : state_(feedback),
      hardware_(std::make_unique<HardwareSetup>(withFreshPagers(options))),
      links_(std::make_unique<ProgrammerLinks>(state_, hardware_->port(), hardware_->clock(),
                                               hardware_->hid())),
      startup_(options.startup) {
  installProgrammerLinks(state_, *links_);
  ++programsBroughtUp;
}

std::size_t Program::broughtUp() {
  return programsBroughtUp.load();
}

Program::~Program() = default;

bool Program::startUp() {
  return state_.event([this] { startProgram(state_, startup_); });
}

void Program::scanDevices() {
  state_.event([this] { state_.form.runHandler("HidCtlDeviceChange"); });
}

std::string Program::finish() {
  state_.event([this] { state_.form.userClick("Exit1"); });
  return hardware_->saveSimulatedImages();
}

}  // namespace capcode
