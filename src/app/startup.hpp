#pragma once
// Bringing the window from its design state to a working one, in the fixed order the pager
// family needs, and the shutdown command.

#include <string>
#include <vector>

#include "core/image.hpp"

namespace capcode {

class ProgramState;

struct StartupOptions {
  // The system's decimal mark (from LC_NUMERIC); anything but '.' switches the texts to ','.
  char systemDecimalMark = '.';
  // Where the language libraries live besides the working directory, in search order.
  std::vector<std::string> dataDirectories;
};

// The window construction: design values, default image, locale adaptation, banner, decode,
// frequency, edition and model, revision switched twice to HW-B, clock, link timings, and the
// language library. Throws ProgramError when a step fails (the window would not open).
void startProgram(ProgramState& state, const StartupOptions& options);

// What a new pager of the board generation the program works with holds: the built-in default
// configuration as start-up makes it (hardware settings included, the prompt strings of the
// language library found), written as File > Save writes it. Runs a silent start-up of its own;
// throws ProgramError when that fails.
Image factoryFreshPager(const StartupOptions& options);

// The system's decimal mark by the current LC_NUMERIC environment.
char systemDecimalMark();

// The data directories of this program, in search order: the folder of the running executable
// (a build tree), share/capcode beside the executable's prefix (wherever it was installed),
// and the data directory the build was configured for.
std::vector<std::string> defaultDataDirectories();

}  // namespace capcode
