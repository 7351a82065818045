#include "options/shared_options.hpp"

#include <algorithm>

#include "link/simulated_faults.hpp"

namespace capcode {

namespace {

template <typename Value>
CLI::Option* declare(CLI::App& command, const SharedOptionDeclaration& self, Value& value) {
  return command.add_option(self.name, value, self.help)->type_name(self.valueName);
}

// A fault that does not parse is refused with the parser's own words.
CLI::Validator simulatedFaultCheck() {
  return CLI::Validator(
      [](std::string& fault) {
        SimulatedBoxFaults faults;
        unsigned nak = 0;
        return parseSimulatedFault(fault, faults, nak);
      },
      "");
}

constexpr unsigned kHardwareUsers = kPagerCommands | kScriptCommand | kWindowProgram;

const SharedOptionDeclaration kDeclarations[] = {
    {"--data-dir", "DIR", "where the language libraries are when the working directory has none",
     kFileCommands | kHardwareUsers,
     [](CLI::App& command, const SharedOptionDeclaration& self, SharedOptionValues& values) {
       return declare(command, self, values.dataDirectory);
     }},
    {"--sim-usb", "IMAGE",
     "use a simulated USB programmer box whose EEPROM holds IMAGE (2048 bytes); IMAGE receives "
     "the EEPROM at the end. An IMAGE that does not exist yet starts as a factory-fresh pager "
     "(the built-in default configuration, hardware settings included). Repeatable: one box "
     "per image, box N with the path sim:usb:N and the serial number SIM-N",
     kHardwareUsers,
     [](CLI::App& command, const SharedOptionDeclaration& self, SharedOptionValues& values) {
       return declare(command, self, values.hardware.simUsbImages);
     }},
    {"--sim-report-ms", "MS",
     "each simulated box takes MS milliseconds of real time to answer a report, as a real one "
     "does (default 0)",
     kHardwareUsers,
     [](CLI::App& command, const SharedOptionDeclaration& self, SharedOptionValues& values) {
       return declare(command, self, values.hardware.simReportMillis)
           ->check(CLI::Range(0, 10000).description(""));
     }},
    {"--sim-lpt", "IMAGE",
     "use a simulated 24C16 holding IMAGE behind a virtual parallel port; written back and, "
     "when missing, factory-fresh as with --sim-usb",
     kHardwareUsers,
     [](CLI::App& command, const SharedOptionDeclaration& self, SharedOptionValues& values) {
       return declare(command, self, values.hardware.simLptImage);
     }},
    {"--sim-product", "TEXT", "the simulated box's product string (\"P-2 programmer\")",
     kHardwareUsers,
     [](CLI::App& command, const SharedOptionDeclaration& self, SharedOptionValues& values) {
       return declare(command, self, values.hardware.simProduct);
     }},
    {"--sim-fault", "FAULT", "make the simulated hardware fail on purpose (repeatable); see below",
     kHardwareUsers,
     [](CLI::App& command, const SharedOptionDeclaration& self, SharedOptionValues& values) {
       return declare(command, self, values.hardware.faults)->check(simulatedFaultCheck());
     }},
    {"--device", "PATH|SERIAL",
     "the programmer box to use, by its path or serial number (capcode devices lists them); "
     "write takes several, which program a round of pagers at once",
     kWriteCommand | kReadCommand,
     [](CLI::App& command, const SharedOptionDeclaration& self, SharedOptionValues& values) {
       return declare(command, self, values.devices);
     }},
    {"--decimal-mark", "C", "take C ('.' or ',') as the system's decimal mark", kScriptCommand,
     [](CLI::App& command, const SharedOptionDeclaration& self, SharedOptionValues& values) {
       return command
           .add_option_function<std::string>(
               self.name, [&values](const std::string& mark) { values.decimalMark = mark[0]; },
               self.help)
           ->type_name(self.valueName)
           ->check(CLI::IsMember({".", ","}));
     }},
};

}  // namespace

std::span<const SharedOptionDeclaration> sharedOptionDeclarations() {
  return kDeclarations;
}

void addSharedOptions(CLI::App& command, OptionUsers user, SharedOptionValues& values) {
  for (const SharedOptionDeclaration& declaration : kDeclarations) {
    if ((declaration.users & user) != 0) declaration.add(command, declaration, values);
  }
}

std::string simulatedFaultFooter() {
  const auto fault =
      std::find_if(std::begin(kDeclarations), std::end(kDeclarations),
                   [](const auto& d) { return std::string(d.name) == "--sim-fault"; });
  return std::string("Faults (") + fault->name + " " + fault->valueName + "):\n" +
         simulatedFaultHelp();
}

}  // namespace capcode
