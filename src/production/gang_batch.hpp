#pragma once
// A batch programmed on several programmer boxes at once, one pager per box a round: each box
// runs the batch's own steps on a thread of its own (its own program, transfer, ledger
// connection and records, its station named after the box) and takes the capcode sets its
// share gives it, so no two boxes ever get the same individual capcode. Between rounds the
// boxes wait for the person to load new pagers; a box that fails does not stop the others in
// its round, but no further round starts.

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "link/hardware_setup.hpp"
#include "production/batch_options.hpp"
#include "production/production_operator.hpp"

namespace capcode {

struct GangBox {
  std::string name;          // how the closing line names the box: "sim:usb:2, SIM-2"
  HardwareOptions hardware;  // only this box (see boxHardware)
};

class GangOperator {
 public:
  virtual ~GangOperator() = default;
  // The person as box `number` (1-based) sees them: its own progress, result and other lines.
  // Called on the calling thread before the boxes start; the object is then used from that
  // box's thread only (the implementation keeps the boxes' lines apart). Its nextPager is
  // never called: rounds are asked for with nextRound.
  virtual std::unique_ptr<ProductionOperator> box(int number) = 0;
  // Asked before round `round` (from the second on), which uses boxes 1..`lastBox`; blocks
  // until the person has put pagers in them. False when they stop the batch there.
  virtual bool nextRound(int round, int lastBox) = 0;
  // One line about the whole batch (which boxes failed).
  virtual void tell(std::string_view line) = 0;
};

// Runs the batch `options` (count: the whole batch's pagers) on `boxes`, as many boxes a round
// as there are pagers left. Failed names the boxes that failed; a box's Ledger or Usage end
// ends the batch so (Usage first, then Ledger).
BatchEnd runGangBatch(const BatchOptions& options, const std::vector<GangBox>& boxes,
                      GangOperator& person);

}  // namespace capcode
