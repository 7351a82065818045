#include "link/programmer_links.hpp"

#include "link/box_list.hpp"
#include "link/pager_commands.hpp"
#include "link/usb_discovery.hpp"

namespace capcode {

ProgrammerLinks::ProgrammerLinks(ProgramState& s, PortIo& p, LinkClock& c, HidBackend& backend)
    : state(s),
      port(p),
      clock(c),
      lpt(p, c, s.LptPortBase, s.linkTimings, [&s] { s.State_Form.stepBy(1); }),
      hid(backend),
      engine(s, *this) {}

void installProgrammerLinks(ProgramState& state, ProgrammerLinks& links) {
  FormModel& form = state.form;
  form.attach(ControlEvent::Click, "ReadFromPager", [&links] { readFromPager(links); });
  form.attach(ControlEvent::Click, "WriteToPager", [&links] { writeToPager(links); });
  form.defineHandler("HidCtlDeviceChange", [&links] { hidDeviceChange(links); });
  // A click on a row of the device list (its index set to that row).
  form.attach(ControlEvent::Click, "DevListBox", [&links] { chooseListedBox(links); });
  state.releasePortAccess = [&links] { links.port.release(); };
}

}  // namespace capcode
