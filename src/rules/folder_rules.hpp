#pragma once
// The 24 public folders share the pager's 1024-message memory with the private calls; these
// rules keep the active folders' lengths inside it and pad the fixed-width texts the pager shows.

namespace capcode {

class ProgramState;

inline constexpr int kMessageMemory = 1024;

// By how much the active folders' lengths plus the private reserve exceed the memory (0 when
// they fit). Throws ConversionError on an unreadable length of an active folder or maxprivate.
int folderExcess(ProgramState& state);

// Attaches the active-box, length and name rules of every folder, lengthKeyPress and the hello
// line padding, and defines folderExcess as a handler. A length left at 0, a length trimmed to
// fit and a key a length does not take are each recorded as a refusal of that length.
void installFolderRules(ProgramState& state);

}  // namespace capcode
