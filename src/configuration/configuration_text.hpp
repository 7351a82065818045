#pragma once
// A configuration as text: every control of the window's pages in the window's order, with its
// label and its value as the window shows it, for a person (show), for programs (show --json),
// and compared between two configurations (diff).

#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

#include "core/image.hpp"
#include "core/program_state.hpp"

namespace capcode {

// One control as shown: its kind ("text", "list", "check", "slider"), the value a person reads
// (a text, an item's text, on/off, a position) and for lists the item index.
struct ShownControl {
  std::string name;
  std::string label;  // its label, or a check box's caption
  std::string kind;
  std::string value;
  int index = -1;  // lists only
  std::string unit;
  bool enabled = true;  // its own state
  bool visible = true;
  bool reachable = true;  // a person can see and edit it: it and its page and group are shown
};

// The controls of the configuration pages (not the design-only prompt page), in window order.
std::vector<ShownControl> shownControls(const ProgramState& state);

// Page by page and group by group; the address rows and the folders as tables.
void printConfiguration(const ProgramState& state, std::ostream& out);

// One JSON object keyed by control name, one control a line, in window order.
void printConfigurationJson(const ProgramState& state, std::ostream& out);

// Which bits of each image byte the settings decide: a set bit is written by the encoder from
// the window's fields, a clear bit is carried through from the image as it was. Every bit is
// counted as not decided when the settings cannot be encoded.
std::array<std::uint8_t, kImageSize> settingsBits(ProgramState& state);

// A run of differing image bytes that no control carries, with the name of its region.
struct ByteRange {
  std::size_t first = 0;
  std::size_t last = 0;
  std::string region;
};

// The offsets where `a` and `b` differ in bits that `decided` does not cover, as ranges; the
// checksum byte, which only follows the others, is left out.
std::vector<ByteRange> uncarriedDifferences(const Image& a, const Image& b,
                                            const std::array<std::uint8_t, kImageSize>& decided);

// The region an image offset belongs to ("character table", "prompt block", ...).
std::string regionOf(std::size_t offset);

}  // namespace capcode
