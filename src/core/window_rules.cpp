#include "core/window_rules.hpp"

#include "rf/frequency.hpp"
#include "rf/hardware_settings.hpp"
#include "rf/mpu_clock.hpp"
#include "rules/address_rules.hpp"
#include "rules/feature_rules.hpp"
#include "rules/folder_rules.hpp"
#include "rules/key_filters.hpp"

namespace capcode {

void installWindowRules(ProgramState& state) {
  installAddressRules(state);
  installFolderRules(state);
  installFeatureRules(state);
  installKeyFilters(state);
  installFrequencyRules(state);
  installMpuClockRules(state);
  installHardwareSettingRules(state);
}

}  // namespace capcode
