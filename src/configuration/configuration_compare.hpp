#pragma once
// What differs between two opened configurations (capcode diff): the controls whose values
// differ, in the window's order, then the runs of bytes that no control of either carries (the
// prompt block, the character table, bytes no setting names).

#include <utility>
#include <vector>

#include "configuration/configuration_text.hpp"
#include "configuration/opened_configuration.hpp"

namespace capcode {

struct ConfigurationDifferences {
  std::vector<std::pair<ShownControl, ShownControl>> controls;  // a's, b's
  std::vector<ByteRange> bytes;
  bool none() const { return controls.empty() && bytes.empty(); }
};

// Both must be loaded. Leaves their states as they were.
ConfigurationDifferences compareConfigurations(OpenedConfiguration& a, OpenedConfiguration& b);

}  // namespace capcode
