// capcode devices: the programmer boxes and parallel ports present, for choosing --device.

#include <memory>

#include "cli/commands.hpp"
#include "cli/device_report.hpp"

namespace capcode {

CommandRun setupDevicesCommand(CLI::App& app, CommandIo& io) {
  CLI::App* command = app.add_subcommand(
      "devices", "list the programmer boxes and parallel ports present on this PC");
  // What the command line sets, kept alive for the run.
  auto json = std::make_shared<bool>(false);
  auto session = std::make_shared<SessionOptions>();
  command->add_flag("--json", *json, "print the list as one JSON object");
  addSharedOptions(*command, kPagerCommands, *session);
  command->footer(
      "Each USB programmer box is listed with its path, serial number and product string; give\n"
      "either to capcode write --device. Each parallel port is opened and let go again, and\n"
      "listed with the reason when it cannot be opened. With --json: {\"usb\":[{\"path\",\n"
      "\"serial\",\"product\"}...],\"parallel\":[{\"path\",\"usable\",\"reason\"}...]}.\n"
      "Exit status: 0 the list was made (even an empty one), 1 the hardware could not be\n"
      "looked at (an unreadable simulated image), 2 a usage error.\n\n" +
      simulatedFaultFooter());
  return [json, session, &io] {
    try {
      io.out << deviceReport(presentDevices(session->hardware, systemPpdev()), *json);
    } catch (const std::runtime_error& e) {
      io.err << "capcode devices: " << e.what() << "\n";
      return kExitFailed;
    }
    return kExitOk;
  };
}

}  // namespace capcode
