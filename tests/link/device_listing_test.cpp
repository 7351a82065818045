// Several programmer boxes on one PC: what the listing finds (boxes by path and serial number,
// parallel ports with why one cannot be opened), simulated boxes each with their own image,
// faults and reply time, and one box's hardware taken out of several.

#include "link/device_listing.hpp"

#include <grp.h>
#include <gtest/gtest.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <map>
#include <optional>

#include "link/hardware_setup.hpp"
#include "link/simulated_faults.hpp"
#include "link/usb_protocol.hpp"
#include "support/fake_ppdev.hpp"
#include "support/temp_folder.hpp"

namespace capcode {
namespace {

using test::FakePpdev;
using test::fileBytes;
using test::TempFolder;

Image blank() {
  Image image;
  image.fill(0xFF);
  return image;
}

HardwareOptions boxes(const TempFolder& folder, int count, std::vector<std::string> faults = {}) {
  HardwareOptions options;
  for (int k = 1; k <= count; ++k)
    options.simUsbImages.push_back(folder / ("box" + std::to_string(k) + ".eep"));
  options.faults = std::move(faults);
  options.factoryFreshPager = blank;
  return options;
}

TEST(DeviceListing, ParallelPortsSayWhyOneCannotBeOpened) {
  FakePpdev system;
  system.openErrorOf["/dev/parport1"] = EACCES;
  system.claimErrorOf["/dev/parport2"] = EBUSY;
  system.openErrorOf["/dev/parport3"] = ENODEV;
  const auto ports =
      parallelPorts(system, {"/dev/parport0", "/dev/parport1", "/dev/parport2", "/dev/parport3"});
  const struct {
    bool usable;
    const char* reason;
  } expected[] = {
      {true, ""},
      {false, "Permission denied: add yourself to the lp group"},  // the fake's nodes are lp's
      {false, "in use by another program"},
      {false, "No such device"},
  };
  ASSERT_EQ(ports.size(), std::size(expected));
  for (std::size_t k = 0; k < ports.size(); ++k) {
    EXPECT_EQ(ports[k].usable, expected[k].usable) << ports[k].path;
    EXPECT_EQ(ports[k].reason, expected[k].reason) << ports[k].path;
  }
  EXPECT_EQ(system.closes, 2) << "every port opened is closed again";
}

// Joining lp opens only a node whose group is lp; for any other node the listing says who may
// open it.
TEST(DeviceListing, TheLpAdviceOnlyForANodeOfGroupLp) {
  const struct {
    int error;
    std::optional<NodeOwnership> owner;
    const char* reason;
  } cases[] = {
      {EACCES, NodeOwnership{"root", "lp", 0660},
       "Permission denied: add yourself to the lp group"},
      {EACCES, NodeOwnership{"root", "root", 0600},
       "Permission denied: the node belongs to root, group root, mode 0600"},
      {EPERM, NodeOwnership{"root", "dialout", 0660},
       "Operation not permitted: the node belongs to root, group dialout, mode 0660"},
      {EACCES, NodeOwnership{"1001", "1002", 0640},
       "Permission denied: the node belongs to 1001, group 1002, mode 0640"},
      {EACCES, std::nullopt, "Permission denied"},
      {ENOENT, NodeOwnership{"root", "root", 0600}, "No such file or directory"},
  };
  for (const auto& c : cases) {
    FakePpdev system;
    system.openErrorOf["/dev/parport0"] = c.error;
    system.ownershipOf["/dev/parport0"] = c.owner;
    const auto ports = parallelPorts(system, {"/dev/parport0"});
    ASSERT_EQ(ports.size(), 1u);
    EXPECT_FALSE(ports[0].usable);
    EXPECT_EQ(ports[0].reason, c.reason);
  }
}

TEST(DeviceListing, TheSystemTellsANodesOwnerGroupAndMode) {
  TempFolder folder;
  const std::string node = folder / "parport0";
  std::ofstream(node).put('x');
  ASSERT_EQ(::chmod(node.c_str(), 0640), 0);
  const auto owner = systemPpdev().ownership(node.c_str());
  ASSERT_TRUE(owner);
  const passwd* me = ::getpwuid(::getuid());
  const group* mine = ::getgrgid(::getgid());
  EXPECT_EQ(owner->owner, me != nullptr ? me->pw_name : std::to_string(::getuid()));
  EXPECT_EQ(owner->group, mine != nullptr ? mine->gr_name : std::to_string(::getgid()));
  EXPECT_EQ(owner->mode, 0640u);
  EXPECT_FALSE(systemPpdev().ownership((folder / "absent").c_str()));
}

// A HID layer that lists the devices it is given and opens none.
class ListedHid final : public HidBackend {
 public:
  explicit ListedHid(std::vector<HidDeviceInfo> devices) : devices_(std::move(devices)) {}
  std::vector<HidDeviceInfo> enumerate() override { return devices_; }
  std::unique_ptr<HidDevice> open(const HidDeviceInfo&) override { return nullptr; }

 private:
  std::vector<HidDeviceInfo> devices_;
};

TEST(DeviceListing, EveryDeviceWithTheProgrammersIdsIsListedWithWhyItIsNotUsed) {
  const std::string notAttached =
      "the product string is none of those the program attaches (\"P-1 programmer\", \"P-2 "
      "programmer\", \"P-2+programmer\")";
  const struct {
    HidDeviceInfo info;
    bool listed;
    std::string notUsed;
  } cases[] = {
      {{"/dev/hidraw1", 0x04D8, 0x1000, "P-2 programmer", "A1"}, true, ""},
      {{"/dev/hidraw2", 0x04D8, 0x1000, "P-1 programmer", ""}, true, ""},
      {{"/dev/hidraw3", 0x04D8, 0x1000, "P-2+programmer", "A3"}, true, ""},
      {{"/dev/hidraw4", 0x04D8, 0x1000, "P-2 Programmer", "A4"}, true, notAttached},
      {{"/dev/hidraw5", 0x04D8, 0x1000, "", "A5"}, true, notAttached},
      {{"/dev/hidraw6", 0x04D8, 0x1000, "P-2 programmer\x1B[2J", "A6"}, true, notAttached},
      {{"/dev/hidraw7", 0x04D8, 0x1001, "P-2 programmer", "A7"}, false, ""},
      {{"/dev/hidraw8", 0x046D, 0x1000, "P-2 programmer", "A8"}, false, ""},
  };
  std::vector<HidDeviceInfo> devices;
  for (const auto& c : cases)
    devices.push_back(c.info);
  ListedHid hid(devices);
  const auto all = devicesWithProgrammerIds(hid);
  const auto used = programmerBoxes(hid);
  std::size_t listed = 0;
  std::size_t usedCount = 0;
  for (const auto& c : cases) {
    if (!c.listed) continue;
    ASSERT_LT(listed, all.size());
    EXPECT_EQ(all[listed].path, c.info.path);
    EXPECT_EQ(all[listed].product, c.info.productString) << "shown as the device reports it";
    EXPECT_EQ(all[listed].serialNumber, c.info.serialNumber);
    EXPECT_EQ(all[listed].notUsed, c.notUsed) << c.info.path;
    ++listed;
    if (!c.notUsed.empty()) continue;
    ASSERT_LT(usedCount, used.size());
    EXPECT_EQ(used[usedCount++].path, c.info.path) << "only attached boxes are used";
  }
  EXPECT_EQ(all.size(), listed);
  EXPECT_EQ(used.size(), usedCount);
}

TEST(DeviceListing, ParallelPortNodesInNumberOrder) {
  TempFolder folder;
  for (const char* name : {"parport10", "parport2", "parport0", "parportx", "lp0", "parport"})
    std::ofstream(folder / name).put('x');
  EXPECT_EQ(
      parallelPortNodes(folder.path()),
      (std::vector<std::string>{folder / "parport0", folder / "parport2", folder / "parport10"}));
  EXPECT_TRUE(parallelPortNodes(folder / "missing").empty());
}

TEST(DeviceListing, ABoxIsFoundByItsPathOrAnUnsharedSerialNumber) {
  const std::vector<ProgrammerBox> present = {
      {"/dev/hidraw3", "A100", "P-2 programmer", ""},
      {"/dev/hidraw5", "B200", "P-1 programmer", ""},
      {"/dev/hidraw6", "B200", "P-1 programmer", ""},
      {"/dev/hidraw7", "", "P-2 programmer", ""},
  };
  const struct {
    const char* wanted;
    std::optional<std::size_t> found;
  } cases[] = {
      {"/dev/hidraw5", 1},    {"A100", 0},
      {"B200", std::nullopt}, {"", std::nullopt},
      {"a100", std::nullopt}, {"/dev/hidraw9", std::nullopt},
  };
  for (const auto& c : cases)
    EXPECT_EQ(findBox(present, c.wanted), c.found) << c.wanted;
}

TEST(SimulatedBoxes, EachHasItsOwnPathSerialNumberAndImage) {
  TempFolder folder;
  HardwareSetup setup(boxes(folder, 3));
  const auto present = programmerBoxes(setup.hid());
  ASSERT_EQ(present.size(), 3u);
  for (std::size_t k = 0; k < 3; ++k) {
    const std::string number = std::to_string(k + 1);
    EXPECT_EQ(present[k].path, "sim:usb:" + number);
    EXPECT_EQ(present[k].serialNumber, "SIM-" + number);
    EXPECT_EQ(present[k].product, "P-2 programmer");
  }
  setup.simulatedHid()->boxes()[1]->eeprom[5] = 0x42;
  ASSERT_EQ(setup.saveSimulatedImages(), "");
  EXPECT_EQ(fileBytes(folder / "box1.eep")[5], 0xFF);
  EXPECT_EQ(fileBytes(folder / "box2.eep")[5], 0x42);
  EXPECT_EQ(fileBytes(folder / "box3.eep")[5], 0xFF);
}

TEST(SimulatedBoxes, AFaultNamesOneBoxOrGoesToAll) {
  TempFolder folder;
  HardwareSetup setup(boxes(folder, 3, {"box2:write:3:B", "flip:7"}));
  const auto& all = setup.simulatedHid()->boxes();
  for (std::size_t k = 0; k < all.size(); ++k) {
    EXPECT_EQ(all[k]->faults.planned.size(), k == 1 ? 1u : 0u) << "box " << k + 1;
    EXPECT_EQ(all[k]->faults.flippedOffsets, std::vector<std::size_t>{7}) << "box " << k + 1;
  }
}

TEST(SimulatedBoxes, AFaultForABoxThatIsNotThereIsRefused) {
  // The fault, and why three simulated boxes refuse it.
  const std::map<std::string, std::string> refusals = {
      {"box4:write:1:A", "--sim-fault box4:write:1:A names box 4, which is not simulated here"},
      {"box0:write:1:A", "a box prefix needs a box number 1..64: box0:write:1:A"},
      {"box2write:1:A", "a box prefix needs a box number 1..64: box2write:1:A"},
      {"box2:write:x:A", "unknown fault: box2:write:x:A"},
  };
  TempFolder folder;
  for (const auto& [fault, error] : refusals) {
    try {
      HardwareSetup setup(boxes(folder, 3, {fault}));
      ADD_FAILURE() << fault << " was taken";
    } catch (const std::runtime_error& e) {
      EXPECT_EQ(e.what(), error);
    }
  }
}

// Each kind of fault is refused without the simulated part it hits, and its spelling stands
// in the help that lists them.
TEST(SimulatedBoxes, EachFaultNeedsThePartItHits) {
  const struct {
    const char* fault;
    bool box, port;  // simulated here
    const char* refusal;  // empty: taken
  } cases[] = {
      {"nak:3", true, false, "--sim-fault nak:3 needs a simulated port (--sim-lpt)"},
      {"nak:3", false, true, ""},
      {"flip:3", false, true, "--sim-fault flip:3 needs a simulated box (--sim-usb)"},
      {"read:1:A", false, true, "--sim-fault read:1:A needs a simulated box (--sim-usb)"},
      {"nochip", false, true, ""},
      {"nochip", true, false, ""},
      {"nochip:", true, false, "unknown fault: nochip:"},
      {"nak", false, true, "nak needs a byte number from 1: nak"},
      {"jam:1", true, true, "unknown fault: jam:1"},
  };
  TempFolder folder;
  for (const auto& c : cases) {
    HardwareOptions options = boxes(folder, c.box ? 1 : 0, {c.fault});
    if (c.port) options.simLptImage = folder / "port.eep";
    std::string refused;
    try {
      HardwareSetup setup(options);
    } catch (const std::runtime_error& e) {
      refused = e.what();
    }
    EXPECT_EQ(refused, c.refusal) << c.fault << (c.box ? " box" : "") << (c.port ? " port" : "");
  }
  const std::string help = simulatedFaultHelp();
  for (const SimulatedFaultKind& kind : simulatedFaultKinds())
    EXPECT_NE(help.find(std::string("  ") + kind.spelling + "  "), std::string::npos) << help;
}

TEST(SimulatedBoxes, OneBoxOfSeveralKeepsItsNumberImageAndFaultsAndNoPort) {
  TempFolder folder;
  HardwareOptions all = boxes(folder, 3, {"box3:read:1:silent", "box1:flip:9", "attach:1:A"});
  all.simLptImage = folder / "port.eep";
  const HardwareOptions third = boxHardware(all, 3, "sim:usb:3");
  EXPECT_EQ(third.usbImages(), std::vector<std::string>{folder / "box3.eep"});
  EXPECT_EQ(third.faults, (std::vector<std::string>{"read:1:silent", "attach:1:A"}));
  EXPECT_FALSE(third.simLptImage);
  HardwareSetup setup(third);
  const auto present = programmerBoxes(setup.hid());
  ASSERT_EQ(present.size(), 1u);
  EXPECT_EQ(present[0].serialNumber, "SIM-3");
  EXPECT_FALSE(setup.simulatedPort()->chip.present);

  HardwareOptions real;
  const HardwareOptions one = boxHardware(real, 2, "/dev/hidraw4");
  EXPECT_EQ(one.onlyDevice, "/dev/hidraw4");
  EXPECT_FALSE(one.parallelPort);
  EXPECT_FALSE(one.simulated());
}

TEST(SimulatedBoxes, ABoxTakesItsReplyTimeAndOneSlowerThanTheLimitMissesIt) {
  const struct {
    int replyMillis;
    int limitMillis;
    HidReadResult result;
  } cases[] = {
      {0, 50, HidReadResult::Ok}, {20, 200, HidReadResult::Ok}, {60, 30, HidReadResult::TimedOut}};
  for (const auto& c : cases) {
    SimulatedProgrammer box;
    box.replyMillis = c.replyMillis;
    auto device = box.open();
    std::array<std::uint8_t, 65> report{};
    report[1] = kCommandAttach;
    report[64] = crc8(report.data() + 1, 63);
    ASSERT_TRUE(device->writeReport(report.data(), report.size()));
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(device->readReport(report.data(), report.size(), c.limitMillis), c.result);
    const auto took = std::chrono::duration_cast<std::chrono::milliseconds>(
                          std::chrono::steady_clock::now() - start)
                          .count();
    EXPECT_GE(took, std::min(c.replyMillis, c.limitMillis)) << c.replyMillis;
  }
}

// On a virtual clock a slow or silent box costs the host its time limit on that clock, and no
// real time; the reply comes (or not) exactly as it would in real time.
TEST(SimulatedBoxes, ABoxOnAVirtualClockWaitsOnItAndNotInRealTime) {
  const struct {
    int replyMillis;
    std::optional<PlannedReply> fault;
    HidReadResult result;
    std::uint64_t passedMicros;
  } cases[] = {
      {0, std::nullopt, HidReadResult::Ok, 0},
      {20, std::nullopt, HidReadResult::Ok, 20000},
      {5000, std::nullopt, HidReadResult::TimedOut, 2000000},
      {0, PlannedReply::Silent, HidReadResult::TimedOut, 2000000},
      {0, PlannedReply::Late, HidReadResult::TimedOut, 2000000},
  };
  const auto start = std::chrono::steady_clock::now();
  for (const auto& c : cases) {
    VirtualLinkClock clock;
    SimulatedProgrammer box;
    box.clock = &clock;
    box.replyMillis = c.replyMillis;
    if (c.fault) box.faults.planned[{kCommandAttach, 1}] = *c.fault;
    std::vector<std::pair<std::uint8_t, unsigned>> seen;
    box.afterReport = [&](std::uint8_t command, unsigned ordinal) {
      seen.emplace_back(command, ordinal);
    };
    auto device = box.open();
    std::array<std::uint8_t, 65> report{};
    report[1] = kCommandAttach;
    report[64] = crc8(report.data() + 1, 63);
    ASSERT_TRUE(device->writeReport(report.data(), report.size()));
    EXPECT_EQ(device->readReport(report.data(), report.size(), 2000), c.result) << c.replyMillis;
    EXPECT_EQ(clock.nowMicros(), c.passedMicros) << c.replyMillis;
    EXPECT_EQ(seen, (std::vector<std::pair<std::uint8_t, unsigned>>{{kCommandAttach, 1}}));
  }
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(1500));
}

// The hardware's own simulated boxes wait on its virtual clock, and a test sees each box once it
// holds its image and once as it goes; boxes given a real reply time keep real time.
TEST(SimulatedBoxes, TheSetUpGivesEachBoxItsClockAndShowsItOnce) {
  for (const int replyMillis : {0, 1}) {
    TempFolder folder;
    HardwareOptions all = boxes(folder, 2, {});
    all.simReportMillis = replyMillis;
    std::vector<SimulatedProgrammer*> shown;
    std::vector<SimulatedProgrammer*> gone;
    all.onSimulatedBox = [&](SimulatedProgrammer& box) { shown.push_back(&box); };
    all.onSimulatedBoxGone = [&](SimulatedProgrammer& box) { gone.push_back(&box); };
    auto owned = std::make_unique<HardwareSetup>(all);
    HardwareSetup& setup = *owned;
    ASSERT_EQ(shown.size(), 2u);
    for (std::size_t k = 0; k < 2; ++k) {
      EXPECT_EQ(shown[k], setup.simulatedHid()->boxes()[k].get());
      ASSERT_NE(shown[k]->clock, nullptr);
      EXPECT_EQ(shown[k]->clock == &setup.clock(), replyMillis == 0) << replyMillis;
    }
    const std::uint64_t before = shown[0]->clock->nowMicros();
    shown[0]->wait(3);
    const std::uint64_t passed = shown[0]->clock->nowMicros() - before;
    if (replyMillis == 0) {
      EXPECT_EQ(passed, 3000u);
    } else {
      EXPECT_GE(passed, 3000u);
    }
    EXPECT_TRUE(gone.empty());
    owned.reset();
    EXPECT_EQ(gone, shown) << "each box is seen going";
  }
}

}  // namespace
}  // namespace capcode
