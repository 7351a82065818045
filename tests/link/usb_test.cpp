// The USB programmer: its report protocol and the simulated box's planned faults.

#include <gtest/gtest.h>

#include "link/hidapi_backend.hpp"
#include "link/programmer_links.hpp"
#include "link/simulated_eeprom.hpp"
#include "link/simulated_programmer.hpp"
#include "link/usb_discovery.hpp"

namespace capcode {
namespace {

TEST(UsbProtocol, Crc8Maxim) {
  const std::uint8_t abc[] = {'a', 'b', 'c'};
  EXPECT_EQ(crc8(abc, 3), 0x42);
  EXPECT_EQ(crc8(abc, 0), 0);
  std::uint8_t report[65] = {0, kCommandAttach};
  sealReport(report, 65);
  std::uint8_t crc = crc8Update(0, 0x13);
  for (int i = 0; i < 62; ++i)
    crc = crc8Update(crc, 0);
  EXPECT_EQ(report[64], crc);
}

TEST(UsbProtocol, StatusMessages) {
  EXPECT_STREQ(*statusMessage('A'), "EERPOM not found!");
  EXPECT_STREQ(*statusMessage('B'), "USB error!");
  EXPECT_STREQ(*statusMessage('C'), "CRC error!");
  EXPECT_STREQ(*statusMessage('D'), "CMD not valid!");
  for (int ok : {0x00, 0x45, 0x61, 0xFF}) {
    EXPECT_FALSE(statusMessage(static_cast<std::uint8_t>(ok))) << ok;
  }
}

TEST(UsbProtocol, ReportLengthsFromTheDescriptor) {
  // Vendor page, 64 bytes in, 64 bytes out.
  const unsigned char descriptor[] = {0x06, 0x00, 0xFF, 0x09, 0x01, 0xA1, 0x01, 0x15, 0x00,
                                      0x26, 0xFF, 0x00, 0x75, 0x08, 0x95, 0x40, 0x09, 0x01,
                                      0x81, 0x02, 0x95, 0x40, 0x09, 0x01, 0x91, 0x02, 0xC0};
  const ReportLengths lengths = reportLengthsFromDescriptor(descriptor, sizeof descriptor);
  EXPECT_EQ(lengths.input, 65u);
  EXPECT_EQ(lengths.output, 65u);
  EXPECT_EQ(reportLengthsFromDescriptor(descriptor, 3).input, 0u);
}

TEST(SimulatedFaults, Spellings) {
  SimulatedBoxFaults box;
  unsigned nak = 0;
  EXPECT_EQ(parseSimulatedFault("write:5:C", box, nak), "");
  EXPECT_EQ(parseSimulatedFault("read:1:silent", box, nak), "");
  EXPECT_EQ(parseSimulatedFault("attach:2:unplug", box, nak), "");
  EXPECT_EQ(parseSimulatedFault("flip:2047", box, nak), "");
  EXPECT_EQ(parseSimulatedFault("nak:12", box, nak), "");
  EXPECT_EQ(parseSimulatedFault("nochip", box, nak), "");
  EXPECT_EQ(nak, 12u);
  EXPECT_TRUE(box.noChip);
  EXPECT_EQ(box.planned.at({kCommandWriteBlock, 5}), PlannedReply::StatusC);
  for (const char* bad :
       {"write:0:C", "write:1:E", "flip:2048", "nak:0", "erase:1:A", "read:x:A", "flip:-1",
        "nak:4294967297", "write:0x5:C", "write: 5:C", "nak:+3", "read:1000001:A"}) {
    EXPECT_NE(parseSimulatedFault(bad, box, nak), "") << bad;
  }
}

// A window with simulated hardware behind it.
}  // namespace
}  // namespace capcode
