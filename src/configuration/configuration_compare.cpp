#include "configuration/configuration_compare.hpp"

namespace capcode {

ConfigurationDifferences compareConfigurations(OpenedConfiguration& a, OpenedConfiguration& b) {
  ConfigurationDifferences differences;
  const std::vector<ShownControl> left = shownControls(a.state());
  const std::vector<ShownControl> right = shownControls(b.state());
  for (std::size_t i = 0; i < left.size() && i < right.size(); ++i) {
    if (left[i].value != right[i].value || left[i].index != right[i].index)
      differences.controls.emplace_back(left[i], right[i]);
  }
  // Bits either side's settings decide are compared above, as controls.
  auto decided = settingsBits(a.state());
  const auto decidedB = settingsBits(b.state());
  for (std::size_t i = 0; i < decided.size(); ++i)
    decided[i] |= decidedB[i];
  differences.bytes = uncarriedDifferences(a.bytes(), b.bytes(), decided);
  return differences;
}

}  // namespace capcode
