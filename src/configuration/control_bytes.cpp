#include "configuration/control_bytes.hpp"

#include <algorithm>
#include <optional>

#include "core/codec.hpp"
#include "core/program_state.hpp"

namespace capcode {

namespace {

// The settings encoded over the image as it stands; the image itself is left alone. Nothing
// when a text does not convert.
std::optional<Image> encoded(ProgramState& state) {
  const Image kept = state.ConfigImage;
  std::optional<Image> out;
  try {
    encodeImage(state);
    out = state.ConfigImage;
  } catch (const std::exception&) {
  }
  state.ConfigImage = kept;
  return out;
}

// Another value of the same kind, different wherever the encoder puts it: a text's first
// character moved on (a digit stays a digit, a hexadecimal letter a hexadecimal letter), the
// next list item, the other check state, the next slider position.
void giveAnotherValue(Control& c) {
  switch (c.kind) {
    case ControlKind::Text: {
      if (c.text.empty()) {
        c.text.push_back('1');
        break;
      }
      char& first = c.text.front();
      if (first >= '0' && first <= '8') {
        ++first;
      } else if (first == '9') {
        first = '1';
      } else if ((first >= 'A' && first <= 'E') || (first >= 'a' && first <= 'e')) {
        ++first;
      } else {
        first = first == 'F' ? 'E' : first == '1' ? '2' : '1';
      }
      break;
    }
    case ControlKind::Choice:
      c.index = c.items.empty()                                  ? -1
                : c.index + 1 < static_cast<int>(c.items.size()) ? c.index + 1
                                                                 : (c.items.size() > 1 ? 0 : -1);
      break;
    case ControlKind::Flag:
      c.checked = !c.checked;
      break;
    case ControlKind::Slider:
      c.position = c.position < c.maximum ? c.position + 1 : c.position - 1;
      break;
    default:
      break;
  }
}

}  // namespace

ControlBytes bytesOfControl(ProgramState& state, const std::string& name) {
  ControlBytes result;
  Control& c = state.form.at(name);
  const auto before = encoded(state);
  const Control kept = c;
  giveAnotherValue(c);
  const auto after = encoded(state);
  c.text = kept.text;
  c.index = kept.index;
  c.checked = kept.checked;
  c.position = kept.position;
  if (before && !after) {
    result.stored = true;  // the encoder reads it: the other value does not convert
  } else if (before && after) {
    for (std::size_t i = 0; i < kImageSize; ++i) {
      if ((*before)[i] != (*after)[i]) result.offsets.push_back(i);
    }
    result.stored = !result.offsets.empty();
  }
  return result;
}

std::vector<std::string> controlsDeciding(ProgramState& state,
                                          const std::vector<std::string>& candidates,
                                          const std::vector<std::size_t>& offsets) {
  std::vector<std::string> names;
  for (const std::string& name : candidates) {
    const ControlBytes bytes = bytesOfControl(state, name);
    const bool decides =
        std::any_of(bytes.offsets.begin(), bytes.offsets.end(), [&](std::size_t o) {
          return std::find(offsets.begin(), offsets.end(), o) != offsets.end();
        });
    if (decides) names.push_back(name);
  }
  return names;
}

}  // namespace capcode
