#include "app/window_rules.hpp"

#include "core/config_file.hpp"
#include "core/window_commands.hpp"
#include "rf/frequency.hpp"
#include "rf/hardware_settings.hpp"
#include "rf/mpu_clock.hpp"
#include "rules/address_rules.hpp"
#include "rules/feature_rules.hpp"
#include "rules/folder_rules.hpp"
#include "rules/key_filters.hpp"
#include "variants/editions.hpp"
#include "variants/language_library.hpp"
#include "variants/model_profiles.hpp"

namespace capcode {

void installWindowRules(ProgramState& state) {
  installAddressRules(state);
  installFolderRules(state);
  installFeatureRules(state);
  installKeyFilters(state);
  installFrequencyRules(state);
  installMpuClockRules(state);
  installHardwareSettingRules(state);
  installModelProfiles(state);
  installEditionRules(state);
  installLanguageRules(state);
  installConfigFileCommands(state);
  installWindowCommands(state);
}

}  // namespace capcode
