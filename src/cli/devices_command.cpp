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
      "Each USB device with the programmer's vendor and product ids is listed with its path,\n"
      "serial number and product string; give either to capcode write or read --device. One\n"
      "whose product string is not one the program attaches is marked \"not used\" with why.\n"
      "Each parallel port is opened and let go again, and listed with the reason when it\n"
      "cannot be opened (the lp group when the node's group is lp, else the node's owner, group\n"
      "and mode). With --json: {\"usb\":[{\"path\",\"serial\",\"product\",\"used\",\n"
      "\"not_used_because\"}...],\"parallel\":[{\"path\",\"usable\",\"reason\"}...]}.\n"
      "Exit status: 0 the list was made (even an empty one), 1 the hardware could not be\n"
      "looked at (an unreadable simulated image), 2 a usage error.\n\n" +
      simulatedFaultFooter());
  return [json, session, &io] {
    try {
      io.out << deviceReport(presentDevices(session->hardware, systemPpdev()), *json);
    } catch (const std::runtime_error& e) {
      complain(io, "devices") << e.what() << "\n";
      return kExitFailed;
    }
    return kExitOk;
  };
}

}  // namespace capcode
