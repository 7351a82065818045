#pragma once
// The three pager models one programmer serves: KVRM40, KVRM42 (Hebrew display) and KVRM61.

namespace capcode {

class ProgramState;

// Attaches pager_modelChange.
void installModelProfiles(ProgramState& state);

}  // namespace capcode
