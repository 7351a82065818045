#include "core/version_info.hpp"

#include "build_info.hpp"

namespace capcode {

ProgramVersionInfo readVersionInfo() {
  ProgramVersionInfo info;
  info.fileName = "capcode";
  info.fileVersionMS = (CAPCODE_VERSION_MAJOR << 16) | CAPCODE_VERSION_MINOR;
  info.fileVersionLS = (CAPCODE_VERSION_PATCH << 16) | CAPCODE_VERSION_TWEAK;
  info.productName = "capcode";
  info.fileDescription = "Capcode programmer for POCSAG pagers";
  return info;
}

std::string fileVersionText(const ProgramVersionInfo& info) {
  return std::to_string(info.fileVersionMS >> 16) + "." +
         std::to_string(info.fileVersionMS & 0xFFFF) + "." +
         std::to_string(info.fileVersionLS >> 16) + "." +
         std::to_string(info.fileVersionLS & 0xFFFF);
}

}  // namespace capcode
