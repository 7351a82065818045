#pragma once
// A simulated USB programmer box (vendor 0x04D8, product 0x1000) speaking the report protocol as
// its firmware would: it checks the CRC ('C' on a mismatch), answers 'D' to an unknown
// command, 'A' when no EEPROM is inserted, and otherwise reads or writes 32 bytes of its
// 2048-byte EEPROM. Faults can be planned per report, for tests that fail on purpose.

#include <array>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "link/hid_device.hpp"
#include "link/link_clock.hpp"

namespace capcode {

// What the box does with one report instead of answering normally.
// Late: the box does the work but its reply comes only after the host stopped waiting for it.
enum class PlannedReply { StatusA, StatusB, StatusC, StatusD, Silent, Unplug, Late };

struct SimulatedBoxFaults {
  // (command, ordinal counted from 1 since the box was made) -> reply
  std::map<std::pair<std::uint8_t, unsigned>, PlannedReply> planned;
  std::vector<std::size_t> flippedOffsets;  // stored bytes that read back inverted
  bool noChip = false;
};

// Parses one --sim-fault spelling: read:N:S, write:N:S, attach:N:S (S = A B C D silent unplug
// late), flip:OFFSET, nochip; nak:N belongs to the parallel port and is returned as `nakAtByte`.
// Any of them may be preceded by boxK: (K = 1..kMaxSimulatedBoxes), which names the simulated
// box it is meant for. Numbers are decimal digits only. Returns an error text, empty on success.
std::string parseSimulatedFault(const std::string& fault, SimulatedBoxFaults& box,
                                unsigned& nakAtByte);

inline constexpr int kMaxSimulatedBoxes = 64;

// A --sim-fault spelling taken apart: the box it names (1-based; 0 when it names none, so it
// is for every box; -1 when the boxK: prefix is malformed) and the fault itself.
struct BoxFault {
  int box = 0;
  std::string fault;
};
BoxFault splitBoxFault(const std::string& fault);

class SimulatedProgrammer {
 public:
  explicit SimulatedProgrammer(std::string productString = "P-2 programmer",
                               std::string path = "sim:usb:1", std::string serial = "SIM-1");

  std::array<std::uint8_t, 2048> eeprom;
  SimulatedBoxFaults faults;
  HidDeviceInfo info;
  bool pluggedIn = true;
  // How long the box takes to answer each report, in milliseconds (a real box needs a few);
  // 0 answers at once.
  int replyMillis = 0;
  // The time the box and the host's waits for it pass on: its answer time and the whole time
  // limit of a read it leaves unanswered. Not owned; must outlive the box's handles. None: real
  // time. A VirtualLinkClock makes a silent or slow box cost no real time at all.
  LinkClock* clock = nullptr;
  // Reports handled so far, by command.
  std::map<std::uint8_t, unsigned> counts;
  // Called after each report the box took (its effect on the EEPROM done, its reply queued),
  // with its command and ordinal as `counts` has them; for tests that stop a run at a chosen
  // report. Runs on the thread that sent the report.
  std::function<void(std::uint8_t command, unsigned ordinal)> afterReport;

  // Opens a handle to the box (what the HID layer's open gives).
  std::unique_ptr<HidDevice> open();

  // The box's side of one exchange: takes an output report, queues its reply (if any).
  bool receive(const std::uint8_t* report, std::size_t length);
  std::optional<std::array<std::uint8_t, 65>> takeReply();
  // The host waited in vain: a late reply arrives now, after the time limit.
  void deliverLateReply();
  // Lets `millis` milliseconds pass on the box's clock (real time without one).
  void wait(int millis);

 private:
  using Reply = std::array<std::uint8_t, 65>;
  bool handle(std::uint8_t command, unsigned ordinal, const std::uint8_t* report,
              std::size_t length);
  void queue(const Reply& reply);
  // Replies wait in order, as in the host's HID input queue; a fixed ring allocates nothing.
  std::array<Reply, 8> replies_{};
  std::size_t first_ = 0;
  std::size_t queued_ = 0;
  std::optional<Reply> late_;
};

// A HID layer that lists only simulated boxes.
class SimulatedHidBackend final : public HidBackend {
 public:
  SimulatedProgrammer& add(std::unique_ptr<SimulatedProgrammer> box);
  std::vector<HidDeviceInfo> enumerate() override;
  std::unique_ptr<HidDevice> open(const HidDeviceInfo& info) override;
  std::vector<std::unique_ptr<SimulatedProgrammer>>& boxes() { return boxes_; }

 private:
  std::vector<std::unique_ptr<SimulatedProgrammer>> boxes_;
};

}  // namespace capcode
