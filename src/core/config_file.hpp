#pragma once
// Configuration files: one raw 2048-byte image each, the checksum in the last byte and the
// edition tag at 0x3FE. File > Open and File > Save.

#include <string_view>

#include "core/command_outcomes.hpp"

namespace capcode {

// The file dialogs' filter (caption|pattern pairs) and default extension.
inline constexpr const char* kConfigFileFilter = ".eep|*.eep|.bin|*.bin|*.*|*.*";
inline constexpr const char* kConfigFileExtension = "eep";

class ProgramState;

// The end of File > Open once a file is accepted: the read buffer becomes the image, is
// decoded, and the frequency, address and edition rules run. (`capcode show --force` also
// uses it for a file that failed the checks.)
void takeReadBuffer(ProgramState& state);

// The status-log line File > Open writes when it refuses a file for `result` ("Load file
// error", "File checksum error", "File not for this model!"); empty for any other result.
std::string_view fileOpenRefusalLine(FileOpenResult result);

// The image as File > Save writes it: the hello lines padded, the settings encoded with the
// current revision's layout, the checksum set.
void encodeForSave(ProgramState& state);

// Attaches Open1Click and Save1Click. Both ask the person for a path through the feedback's
// file dialog and report one status-log line per step; what they did is left in
// ProgramState::lastOpen and ProgramState::lastSave.
void installConfigFileCommands(ProgramState& state);

}  // namespace capcode
