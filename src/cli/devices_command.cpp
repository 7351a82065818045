// capcode devices: the programmer boxes and parallel ports present, for choosing --device.

#include <memory>

#include "cli/commands.hpp"
#include "cli/device_report.hpp"

namespace capcode {

namespace {

struct DevicesOptions {
  bool json = false;
  SessionOptions session;
};

}  // namespace

CommandRun setupDevicesCommand(CLI::App& app, CommandIo& io) {
  auto o = std::make_shared<DevicesOptions>();
  CLI::App* command = app.add_subcommand(
      "devices", "list the programmer boxes and parallel ports present on this PC");
  command->add_flag("--json", o->json, "print the list as one JSON object");
  addSessionOptions(*command, o->session);
  command->footer(
      "Each USB programmer box is listed with its path, serial number and product string; give\n"
      "either to capcode write --device. Each parallel port is opened and let go again, and\n"
      "listed with the reason when it cannot be opened. With --json: {\"usb\":[{\"path\",\n"
      "\"serial\",\"product\"}...],\"parallel\":[{\"path\",\"usable\",\"reason\"}...]}.\n"
      "Exit status: 0 the list was made (even an empty one), 1 the hardware could not be\n"
      "looked at (an unreadable simulated image), 2 a usage error.");
  return [o, &io] {
    try {
      io.out << deviceReport(presentDevices(o->session.hardware, systemPpdev()), o->json);
    } catch (const std::runtime_error& e) {
      io.err << "capcode devices: " << e.what() << "\n";
      return kExitFailed;
    }
    return kExitOk;
  };
}

}  // namespace capcode
