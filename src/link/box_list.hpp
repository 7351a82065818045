#pragma once
// The window's device list (DevListBox): the USB programmer boxes plugged in, in discovery order,
// simulated ones too, the box in use marked. A click on a row (DevListBoxClick) makes that box
// the one RD_From_Pager and WR_To_Pager use; until then the first box found is used. With
// several boxes present every read and write names its box in the log.

#include <string>

namespace capcode {

struct ProgrammerLinks;

// Lists the boxes again after a device change or a new choice: DevListBox's items are the rows
// ("P-2 programmer, serial SIM-2 (in use)"), its index the row of the box in use (-1: none).
void showProgrammerBoxes(ProgrammerLinks& links);

// DevListBoxClick: the box on DevListBox's chosen row becomes the one in use (greeted with the
// attach report); one that cannot be opened leaves the box in use as it was, with a log line.
void chooseListedBox(ProgrammerLinks& links);

// The box in use as the log names it: "P-2 programmer, serial SIM-2"; empty when none.
std::string boxInUseName(const ProgrammerLinks& links);

// Logs the box a read or write goes through, when more than one box is listed.
void logBoxInUse(ProgrammerLinks& links);

}  // namespace capcode
