#include "configuration/configuration_text.hpp"

#include <algorithm>
#include <map>

#include "configuration/latin1_text.hpp"
#include "core/codec.hpp"
#include "core/image_map.hpp"
#include "core/json.hpp"
#include "core/window_arrangement.hpp"

namespace capcode {

namespace {

const char* const kShownPages[] = {"address", "feature", "hardware"};

bool onShownPage(const WindowSection& section) {
  return std::any_of(std::begin(kShownPages), std::end(kShownPages),
                     [&](const char* page) { return section.page == page; });
}

ShownControl shown(const ProgramState& state, const WindowPlace& place) {
  const Control& c = state.form.at(place.control);
  ShownControl s;
  s.name = c.name;
  s.label = labelOf(state.form, c.name);
  if (s.label.empty() && c.hasCaption) s.label = c.caption;
  s.unit = place.unit;
  s.enabled = c.enabled;
  s.visible = c.visible;
  // As a person meets it: a control on a hidden page or in a disabled group cannot be edited.
  s.reachable = c.visible && state.form.reachable(c.name);
  switch (c.kind) {
    case ControlKind::Text:
      s.kind = "text";
      s.value = c.text;
      break;
    case ControlKind::Choice:
      s.kind = "list";
      s.index = c.index;
      s.value = c.selectedItem();
      break;
    case ControlKind::Flag:
      s.kind = "check";
      s.value = c.checked ? "on" : "off";
      break;
    case ControlKind::Slider:
      s.kind = "slider";
      s.value = std::to_string(c.position);
      break;
    default:
      s.kind = "other";
      break;
  }
  return s;
}

// Texts in UTF-8, quoted when they hold control characters, quotes or blanks at their ends;
// every other value (list items, on/off, positions) in UTF-8 as it stands.
std::string readable(const ShownControl& c) {
  return c.kind == "text" ? readableText(c.value) : latin1ToUtf8(c.value);
}

// In a table a disabled value stands in ( ), a hidden one in { }.
std::string cell(const ShownControl& c) {
  const std::string v = readable(c);
  if (!c.visible) return "{" + v + "}";
  if (!c.enabled) return "(" + v + ")";
  return v;
}

std::string marks(const ShownControl& c) {
  std::string m;
  if (!c.visible) m += " (hidden)";
  if (!c.enabled) m += " (disabled)";
  return m;
}

void printTable(const ProgramState& state, const std::vector<const WindowPlace*>& places,
                std::ostream& out) {
  std::map<int, std::map<int, std::string>> grid;
  std::map<int, std::string> headers;
  int columns = 0;
  for (const WindowPlace* p : places) {
    const ShownControl c = shown(state, *p);
    // A row's check box names the row with its caption ("[1] on").
    grid[p->row][p->column] = c.kind == "check" && p->label.empty() && !c.label.empty()
                                  ? c.label + " " + cell(c)
                                  : cell(c);
    if (!p->label.empty()) headers.emplace(p->column, p->label);
    columns = std::max(columns, p->column + 1);
  }
  std::vector<std::size_t> width(static_cast<std::size_t>(columns), 0);
  for (const auto& [c, h] : headers)
    width[static_cast<std::size_t>(c)] = shownWidth(h);
  for (const auto& [r, row] : grid) {
    for (const auto& [c, text] : row)
      width[static_cast<std::size_t>(c)] =
          std::max(width[static_cast<std::size_t>(c)], shownWidth(text));
  }
  auto line = [&](const std::map<int, std::string>& cells) {
    std::string text = "    ";
    for (int c = 0; c < columns; ++c) {
      const auto it = cells.find(c);
      std::string value = it == cells.end() ? "" : it->second;
      value.append(width[static_cast<std::size_t>(c)] - shownWidth(value), ' ');
      text += value + (c + 1 < columns ? "  " : "");
    }
    text.erase(text.find_last_not_of(' ') + 1);
    out << text << '\n';
  };
  line(headers);
  for (const auto& [r, row] : grid)
    line(row);
}

void printCells(const ProgramState& state, const std::vector<const WindowPlace*>& places,
                std::ostream& out) {
  // Column by column, then row by row: the cells' own order.
  std::map<std::pair<int, int>, std::vector<std::string>> cells;
  for (const WindowPlace* p : places) {
    const ShownControl c = shown(state, *p);
    std::string text = cell(c);
    if (c.kind == "check" && !c.label.empty()) text = c.label + " " + text;
    cells[{p->column, p->row}].push_back(text);
  }
  for (const auto& [at, texts] : cells) {
    std::string line = "    ";
    for (const std::string& t : texts)
      line += t + "  ";
    line.erase(line.find_last_not_of(' ') + 1);
    out << line << '\n';
  }
}

}  // namespace

std::vector<ShownControl> shownControls(const ProgramState& state) {
  std::vector<ShownControl> list;
  for (const WindowSection& section : windowSections()) {
    if (!onShownPage(section)) continue;
    for (const WindowPlace& p : windowPlaces()) {
      if (p.section == section.name && !p.control.empty()) list.push_back(shown(state, p));
    }
  }
  return list;
}

void printConfiguration(const ProgramState& state, std::ostream& out) {
  out << "Values in ( ) are disabled in the window, values in { } hidden.\n";
  std::string page;
  for (const WindowSection& section : windowSections()) {
    if (!onShownPage(section)) continue;
    if (section.page != page) {
      page = section.page;
      const Control& p = state.form.at(page);
      out << '\n' << p.caption << (p.visible ? "" : " (tab hidden)") << '\n';
    }
    std::vector<const WindowPlace*> places;
    for (const WindowPlace& p : windowPlaces()) {
      if (p.section == section.name && !p.control.empty()) places.push_back(&p);
    }
    if (section.isGroup()) {
      const Control& group = state.form.at(section.name);
      out << "  " << group.caption << (group.visible ? "" : " (hidden)") << '\n';
    }
    switch (section.style) {
      case SectionStyle::Table:
        printTable(state, places, out);
        break;
      case SectionStyle::Cells:
        printCells(state, places, out);
        break;
      case SectionStyle::Form:
        for (const WindowPlace* p : places) {
          const ShownControl c = shown(state, *p);
          out << "    " << (c.label.empty() ? c.name : c.label) << " (" << c.name
              << "): " << readable(c) << (c.unit.empty() ? "" : " " + c.unit) << marks(c) << '\n';
        }
        break;
    }
  }
}

void printConfigurationJson(const ProgramState& state, std::ostream& out) {
  const std::vector<ShownControl> list = shownControls(state);
  out << "{\n";
  for (std::size_t i = 0; i < list.size(); ++i) {
    const ShownControl& c = list[i];
    out << "  " << jsonString(c.name) << ": {\"label\":" << jsonString(c.label)
        << ",\"kind\":" << jsonString(c.kind) << ",\"value\":";
    if (c.kind == "list") {
      out << c.index << ",\"item\":" << (c.index < 0 ? std::string("null") : jsonString(c.value));
    } else if (c.kind == "slider") {
      out << c.value;
    } else {
      out << jsonString(c.value);
    }
    if (!c.unit.empty()) out << ",\"unit\":" << jsonString(c.unit);
    out << ",\"enabled\":" << (c.enabled ? "true" : "false")
        << ",\"visible\":" << (c.visible ? "true" : "false")
        << ",\"reachable\":" << (c.reachable ? "true" : "false") << "}"
        << (i + 1 < list.size() ? "," : "") << '\n';
  }
  out << "}\n";
}

std::array<std::uint8_t, kImageSize> settingsBits(ProgramState& state) {
  std::array<std::uint8_t, kImageSize> decided{};
  const Image kept = state.ConfigImage;
  // Encoded over all zeros and over all ones: the bits that come out equal are the settings'.
  state.ConfigImage.fill(0x00);
  const bool zeros = state.event([&] { encodeImage(state); });
  const Image overZeros = state.ConfigImage;
  state.ConfigImage.fill(0xFF);
  const bool ones = state.event([&] { encodeImage(state); });
  const Image overOnes = state.ConfigImage;
  state.ConfigImage = kept;
  if (!zeros || !ones) return decided;
  for (std::size_t i = 0; i < kImageSize; ++i)
    decided[i] = static_cast<std::uint8_t>(~(overZeros[i] ^ overOnes[i]));
  return decided;
}

std::string regionOf(std::size_t offset) {
  if (offset >= kModelCodeOffset && offset < kModelCodeOffset + kModelCodeSize) return "model code";
  if (offset >= kCharacterTableOffset && offset < kCharacterTableOffset + kCharacterTableSize)
    return "character table";
  if (offset == kEditionTagOffset) return "edition tag";
  if (offset >= kPromptBlockOffset && offset < kChecksumOffset) return "prompt block";
  if (offset == kChecksumOffset) return "checksum";
  return "settings bytes no field names";
}

std::vector<ByteRange> uncarriedDifferences(const Image& a, const Image& b,
                                            const std::array<std::uint8_t, kImageSize>& decided) {
  std::vector<ByteRange> ranges;
  // The checksum follows everything else and says nothing of its own.
  for (std::size_t i = 0; i < kImageSize - 1; ++i) {
    if (((a[i] ^ b[i]) & static_cast<std::uint8_t>(~decided[i])) == 0) continue;
    const std::string region = regionOf(i);
    if (!ranges.empty() && ranges.back().last + 1 == i && ranges.back().region == region) {
      ranges.back().last = i;
    } else {
      ranges.push_back({i, i, region});
    }
  }
  return ranges;
}

}  // namespace capcode
