#pragma once
// The program's own version record, as the About command reports it.

#include <cstdint>
#include <string>

namespace capcode {

struct ProgramVersionInfo {
  std::string fileName;
  std::uint32_t fileVersionMS = 0;  // major << 16 | minor
  std::uint32_t fileVersionLS = 0;  // patch << 16 | build
  std::string productName;
  std::string fileDescription;
};

// The record of this build: the four numbers of the project version, embedded at build time.
ProgramVersionInfo readVersionInfo();

// "major.minor.patch.build"; "0.0.0.0" for an empty record.
std::string fileVersionText(const ProgramVersionInfo& info);

}  // namespace capcode
