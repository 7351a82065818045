#pragma once
// Which image bytes a control of the window decides, found by asking the encoder: the control
// alone is given another value (without its rules), the settings are encoded over the image
// as it stands, and the bytes that come out otherwise are the control's. The state is left
// exactly as it was. The encoder walks the image map (core/image_map.hpp), the one place that
// says where a setting goes; nothing here repeats the layout.

#include <cstddef>
#include <string>
#include <vector>

namespace capcode {

class ProgramState;

struct ControlBytes {
  bool stored = false;               // the encoder reads the control at all
  std::vector<std::size_t> offsets;  // the bytes it decides (empty when the settings or the
                                     // other value do not convert, though it is read)
};

ControlBytes bytesOfControl(ProgramState& state, const std::string& control);

// The controls, among `candidates`, that decide any of `offsets`.
std::vector<std::string> controlsDeciding(ProgramState& state,
                                          const std::vector<std::string>& candidates,
                                          const std::vector<std::size_t>& offsets);

}  // namespace capcode
