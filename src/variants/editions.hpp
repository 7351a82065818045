#pragma once
// Customer editions (what one customer's pagers carry) and the three board revisions
// HW-A2, HW-A3 and HW-B (which Hardware page controls apply and how the image head is laid out).

namespace capcode {

class ProgramState;

enum CustomerEdition { kVanta = 0, kNormal = 1, kBeeper = 2, kNorvik = 3, kDalvo = 4 };

// The start-up part that the build constants decide: pages shown, the build's edition applied,
// the model profile, the language list.
void applyEditionSetUp(ProgramState& state);

// Attaches customerChange and switch_modelClick.
void installEditionRules(ProgramState& state);

}  // namespace capcode
