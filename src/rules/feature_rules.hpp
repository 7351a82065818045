#pragma once
// The feature page: clamped numbers, options that lock or follow other options, the mirrored
// prefix boxes and the boxes that make their fields editable.

namespace capcode {

class ProgramState;

void installFeatureRules(ProgramState& state);

}  // namespace capcode
