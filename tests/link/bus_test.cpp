// The two-wire bus as the parallel-port link drives it, against a recording port and against
// the simulated 24C16.

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

#include "link/eeprom_geometry.hpp"
#include "link/parallel_port_link.hpp"
#include "link/simulated_eeprom.hpp"

namespace capcode {
namespace {

// Records the bus lines after every data-register write, as "scl sda" pairs, and answers SDA
// high (nothing on the bus) unless told otherwise.
class RecordingPort final : public PortIo {
 public:
  std::uint8_t read(std::uint16_t port) override {
    if (port == 0x378) return data;
    if (port == 0x379) return sdaIn ? 0x40 : 0x00;
    return control;
  }
  void write(std::uint16_t port, std::uint8_t value) override {
    if (port == 0x37A) {
      control = value;
      return;
    }
    data = value;
    lines += (value & 0x02 ? 'C' : 'c');
    lines += (value & 0x04 ? 'D' : 'd');
    lines += ' ';
  }
  void release() override {}
  std::uint8_t data = 0, control = 0x04;
  bool sdaIn = true;
  std::string lines;
};

// Records the waits the link asks for.
class RecordingClock final : public LinkClock {
 public:
  std::uint64_t nowMicros() override { return now; }
  void busyWaitMicros(std::uint64_t micros) override {
    now += micros;
    busyWaits.push_back(micros);
  }
  void sleepMillis(std::uint32_t millis) override {
    now += 1000ull * millis;
    sleeps.push_back(millis);
  }
  std::uint64_t now = 0;
  std::vector<std::uint64_t> busyWaits;
  std::vector<std::uint32_t> sleeps;
};

struct Bench {
  RecordingPort port;
  RecordingClock clock;
  std::uint16_t base = 0x378;
  LinkTimings timings;
  int bytes = 0;
  ParallelPortLink link{port, clock, base, timings, [this] { ++bytes; }};
};

TEST(EepromGeometry, TypeSixteenAddressing) {
  std::uint8_t bytes[3];
  const auto g = *eepromGeometry(16);
  EXPECT_EQ(g.size, 2048u);
  EXPECT_EQ(g.pageSize, 16u);
  EXPECT_EQ(g.usbSelector, 0x40);
  ASSERT_EQ(addressPhaseBytes(g, 0, 0x7F0, bytes), 2);
  EXPECT_EQ(bytes[0], 0xAE);
  EXPECT_EQ(bytes[1], 0xF0);
  ASSERT_EQ(addressPhaseBytes(*eepromGeometry(64), 0, 0xFFFF, bytes), 3);
  EXPECT_EQ(bytes[1], 0x1F);
  EXPECT_EQ(pagerEeprom().size, 2048u);
  EXPECT_FALSE(eepromGeometry(0));
}

TEST(BusSequences, ZeroByteThenAcknowledgeReleasesSdaWithSclHigh) {
  Bench b;
  b.port.data = 0x04;  // as after a START: SCL low, SDA released
  b.link.sendByte(0x00);
  b.link.checkAck();
  // Eight clocks with SDA low, then SCL rises before SDA is released for the sample.
  std::string expected;
  for (int i = 0; i < 8; ++i)
    expected += "cd Cd cd ";
  expected += "Cd CD cD ";
  EXPECT_EQ(b.port.lines, expected);
  EXPECT_EQ(b.bytes, 1);
}

TEST(BusSequences, StartStopAndMasterAcknowledges) {
  const struct {
    void (ParallelPortLink::*step)();
    const char* lines;
  } cases[] = {{&ParallelPortLink::busStart, "cD CD Cd cd "},
               {&ParallelPortLink::busStop, "cD cd Cd CD "},
               {&ParallelPortLink::masterAck, "cd Cd cd cD "},
               {&ParallelPortLink::masterNoAck, "CD cD "}};
  for (const auto& c : cases) {
    Bench b;
    b.port.data = 0x04;
    (b.link.*c.step)();
    EXPECT_EQ(b.port.lines, c.lines);
  }
}

TEST(BusSequences, NothingAnsweringFailsTheFirstAddressPhase) {
  Bench b;
  std::uint8_t buffer[2048];
  EXPECT_FALSE(b.link.readAll(0, buffer));
  EXPECT_EQ(b.bytes, 2);  // the address phase only; no data byte was read
}

TEST(BusSequences, SlidersTakeEffectAtTheNextPrimitive) {
  Bench b;
  b.timings.sdaHoldMicros = 80;
  b.link.sdaLow();
  b.timings.sclHighMicros = 7;
  b.link.busStart();
  EXPECT_EQ(b.clock.busyWaits, (std::vector<std::uint64_t>{80, 80, 7, 80, 1}));
}

TEST(BusSequences, PowerAndEnableLines) {
  Bench b;
  b.link.programmerEnable();
  EXPECT_EQ(b.port.control & 0x04, 0);
  EXPECT_EQ(b.port.data & 0x80, 0x80);
  b.link.powerOn();
  EXPECT_EQ(b.port.data & 0x08, 0x08);
  EXPECT_EQ(b.clock.sleeps, (std::vector<std::uint32_t>{500}));
  b.link.powerOff();
  b.link.programmerDisable();
  EXPECT_EQ(b.port.data & 0x88, 0);
  EXPECT_EQ(b.port.control & 0x04, 0x04);
}

class SimulatedChip : public ::testing::Test {
 protected:
  SimulatedChip() {
    for (std::size_t i = 0; i < 2048; ++i)
      port.chip.memory[i] = static_cast<std::uint8_t>(i * 7 + 3);
    link.programmerEnable();
    link.powerOn();
  }
  VirtualLinkClock clock;
  SimulatedParallelPort port{clock};
  std::uint16_t base = 0x378;
  LinkTimings timings;
  int bytes = 0;
  ParallelPortLink link{port, clock, base, timings, [this] { ++bytes; }};
};

TEST_F(SimulatedChip, ReadsTheWholeChipSequentially) {
  std::vector<std::uint8_t> buffer(2048);
  ASSERT_TRUE(link.readAll(0, buffer.data()));
  for (std::size_t i = 0; i < 2048; ++i)
    ASSERT_EQ(buffer[i], port.chip.memory[i]) << i;
  EXPECT_EQ(bytes, 2 + 1 + 2048);  // address phase, read control byte, the data
}

TEST_F(SimulatedChip, WritesPageByPageAndReadsBack) {
  std::vector<std::uint8_t> image(2048);
  for (std::size_t i = 0; i < 2048; ++i)
    image[i] = static_cast<std::uint8_t>(255 - i % 251);
  ASSERT_TRUE(link.writeAll(0, image.data()));
  EXPECT_TRUE(std::equal(image.begin(), image.end(), port.chip.memory.begin()));
  std::vector<std::uint8_t> back(2048);
  ASSERT_TRUE(link.readAll(0, back.data()));
  EXPECT_EQ(back, image);
}

TEST_F(SimulatedChip, APageWriteWrapsWithinItsPage) {
  std::uint8_t data[20];
  for (std::uint8_t i = 0; i < 20; ++i)
    data[i] = static_cast<std::uint8_t>(0xA0 + i);
  ASSERT_TRUE(link.addressPhase(0, 0x128));
  for (int i = 0; i < 20; ++i) {
    link.sendByte(data[i]);
    ASSERT_TRUE(link.checkAck());
  }
  link.busStop();
  // 0x128..0x12F take bytes 0-7, 0x120..0x127 bytes 8-15, then bytes 16-19 overwrite 0x128..
  EXPECT_EQ(port.chip.memory[0x120], 0xA8);
  EXPECT_EQ(port.chip.memory[0x128], 0xB0);
  EXPECT_EQ(port.chip.memory[0x12C], 0xA4);
  EXPECT_EQ(port.chip.memory[0x130],
            static_cast<std::uint8_t>(0x130 * 7 + 3));  // next page untouched
}

TEST_F(SimulatedChip, BusyDuringItsWriteCycle) {
  std::uint8_t page[16] = {};
  timings.busFreeMillis = 1;  // shorter than the 5 ms write cycle
  ASSERT_TRUE(link.writePage(0, 0, page, 0));
  EXPECT_FALSE(link.addressPhase(0, 16));
  clock.sleepMillis(5);
  link.busStop();
  EXPECT_TRUE(link.addressPhase(0, 16));
}

TEST_F(SimulatedChip, AnswersOnlyWhilePowered) {
  link.powerOff();
  std::vector<std::uint8_t> buffer(2048);
  EXPECT_FALSE(link.readAll(0, buffer.data()));
}

TEST_F(SimulatedChip, NoAcknowledgeAtTheNthByteEndsTheWriteAtOnce) {
  port.chip.nakAtByte = 2 + 8;  // the first page's eighth data byte
  port.chip.bytesReceived = 0;
  std::vector<std::uint8_t> image(2048, 0x5A);
  const auto before = port.chip.memory;
  EXPECT_FALSE(link.writeAll(0, image.data()));
  EXPECT_EQ(bytes, 2 + 8);  // the first page's address and eight bytes; no later page
  // Releasing SDA for the acknowledge sample, with SCL high, is a STOP to the chip: it keeps
  // the seven bytes it took, not the refused one.
  for (std::size_t i = 0; i < 7; ++i)
    EXPECT_EQ(port.chip.memory[i], 0x5A) << i;
  EXPECT_EQ(port.chip.memory[7], before[7]);
  EXPECT_EQ(port.chip.memory[16], before[16]);
}

}  // namespace
}  // namespace capcode

namespace capcode {
namespace {

TEST(SteadyLinkClock, WaitsAtLeastWhatIsAsked) {
  SteadyLinkClock clock;
  for (std::uint64_t micros : {1u, 50u, 300u}) {
    const auto start = std::chrono::steady_clock::now();
    clock.busyWaitMicros(micros);
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::microseconds(micros));
  }
  const std::uint64_t before = clock.nowMicros();
  clock.sleepMillis(2);
  EXPECT_GE(clock.nowMicros() - before, 2000u);
}

}  // namespace
}  // namespace capcode
