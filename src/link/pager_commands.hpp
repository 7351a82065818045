#pragma once
// Read a pager into the window; write the window into a pager (keeping the pager's own hardware
// settings, verifying, and advancing the capcodes for the next pager).

namespace capcode {

struct ProgrammerLinks;

void readFromPager(ProgrammerLinks& links);
void writeToPager(ProgrammerLinks& links);

}  // namespace capcode
