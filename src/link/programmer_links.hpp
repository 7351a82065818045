#pragma once
// The programmer hardware of one window: the parallel port with its bus link, the HID layer
// with its device list, the checked-out USB programmer and the transfer engine. The back ends
// are real or simulated; the rest is the same either way.

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/program_state.hpp"
#include "link/hid_controller.hpp"
#include "link/link_clock.hpp"
#include "link/pager_outcome.hpp"
#include "link/parallel_port_link.hpp"
#include "link/port_io.hpp"
#include "link/transfer_engine.hpp"

namespace capcode {

struct ProgrammerLinks {
  // The back ends must outlive this object.
  ProgrammerLinks(ProgramState& state, PortIo& port, LinkClock& clock, HidBackend& hid);

  ProgramState& state;
  PortIo& port;
  LinkClock& clock;
  ParallelPortLink lpt;
  HidController hid;
  HidEntry* programmerDevice = nullptr;  // the checked-out USB programmer, or none
  std::vector<std::string> listedBoxes;  // the paths of DevListBox's rows, in order
  TransferEngine engine;
  // Called by the write command once the image to send is final (encoded, checksum set), just
  // before the write transfer starts. The window leaves it empty; the production tool records
  // the pager in its ledger here. An exception thrown here ends the command before the pager
  // is touched.
  std::function<void(const Image& image)> beforePagerWrite;
  // What the last Read from Pager and the last Write to Pager did; set however the command
  // ends (an error thrown out of it leaves Interrupted, or RefusedBeforeWrite from the hook).
  PagerCommandOutcome lastRead;
  PagerCommandOutcome lastWrite;
};

// Attaches ReadFromPagerClick, WriteToPagerClick, DevListBoxClick and the device-change handler
// (run by name as "HidCtlDeviceChange"), and releases the port at exit.
void installProgrammerLinks(ProgramState& state, ProgrammerLinks& links);

}  // namespace capcode
