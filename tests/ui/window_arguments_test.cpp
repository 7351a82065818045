// The window's command line parsed without the toolkit: the shared options, the ledger's, the
// FILE, and Qt's own options passed over for the toolkit.

#include "ui/window_arguments.hpp"

#include <gtest/gtest.h>

#include <sstream>
#include <vector>

namespace capcode::ui {
namespace {

struct Parsed {
  std::optional<int> status;
  WindowArguments arguments;
  std::string out;
  std::string err;
};

Parsed parse(std::vector<const char*> args) {
  args.insert(args.begin(), "capcode-programmer");
  Parsed parsed;
  parsed.arguments.options.startup.dataDirectories = {"default-data"};
  std::ostringstream out;
  std::ostringstream err;
  parsed.status =
      parseWindowArguments(static_cast<int>(args.size()), args.data(), parsed.arguments, out, err);
  parsed.out = out.str();
  parsed.err = err.str();
  return parsed;
}

TEST(WindowArguments, QtsOwnOptionsArePassedOverAroundTheWindowsOwn) {
  const Parsed parsed =
      parse({"-platform", "offscreen", "--sim-usb", "pager.eep", "-style", "fusion", "--sim-fault",
             "read:1:A", "--sim-fault", "nochip", "order.eep"});
  ASSERT_FALSE(parsed.status) << parsed.err;
  const WindowOptions& options = parsed.arguments.options;
  EXPECT_EQ(parsed.arguments.file, "order.eep");
  EXPECT_EQ(options.hardware.usbImages(), std::vector<std::string>{"pager.eep"});
  EXPECT_EQ(options.hardware.faults, (std::vector<std::string>{"read:1:A", "nochip"}));
  // A person trains on simulated hardware that keeps real time.
  EXPECT_TRUE(options.hardware.realTimeSimulation);
  EXPECT_EQ(options.startup.dataDirectories, std::vector<std::string>{"default-data"});
}

TEST(WindowArguments, EachSimUsbTakesOneImageAndTheFileAfterItIsOpened) {
  struct Case {
    std::vector<const char*> args;
    std::vector<std::string> boxes;
    std::optional<std::string> file;
  };
  const std::vector<Case> cases = {
      {{"--sim-usb", "pager.eep", "order.eep"}, {"pager.eep"}, "order.eep"},
      {{"--sim-usb", "a.eep", "--sim-usb", "b.eep", "order.eep"}, {"a.eep", "b.eep"}, "order.eep"},
      {{"--sim-usb", "a.eep", "--sim-usb", "b.eep"}, {"a.eep", "b.eep"}, std::nullopt},
  };
  for (const Case& c : cases) {
    const Parsed parsed = parse(c.args);
    ASSERT_FALSE(parsed.status) << parsed.err;
    EXPECT_EQ(parsed.arguments.options.hardware.usbImages(), c.boxes) << c.args.size();
    EXPECT_EQ(parsed.arguments.file, c.file) << c.args.size();
  }
}

TEST(WindowArguments, DataDirectoryAndLedgerOptionsReachTheWindow) {
  const Parsed parsed = parse({"--data-dir", "/opt/data", "--ledger", "shop.sqlite3", "--station",
                               "bench-2", "--batch", "order-17"});
  ASSERT_FALSE(parsed.status) << parsed.err;
  const WindowOptions& options = parsed.arguments.options;
  EXPECT_EQ(options.startup.dataDirectories, std::vector<std::string>{"/opt/data"});
  EXPECT_EQ(options.production.ledger, "shop.sqlite3");
  EXPECT_EQ(options.production.station, "bench-2");
  EXPECT_EQ(options.production.batch, "order-17");
  EXPECT_FALSE(parsed.arguments.file);
}

TEST(WindowArguments, HelpAndVersionEndWithZeroOnStandardOutput) {
  for (const char* option : {"--help", "-h", "--version"}) {
    const Parsed parsed = parse({option});
    EXPECT_EQ(parsed.status, 0) << option;
    EXPECT_TRUE(parsed.err.empty()) << option;
    EXPECT_NE(parsed.out.find("capcode-programmer"), std::string::npos) << option;
  }
}

TEST(WindowArguments, UsageErrorsEndWithTwoAndPointToTheHelp) {
  const std::vector<std::vector<const char*>> cases = {
      {"--unknown"}, {"a.eep", "b.eep"}, {"--sim-fault", "read:0:A"}, {"--ledger"}};
  for (const auto& args : cases) {
    const Parsed parsed = parse(args);
    EXPECT_EQ(parsed.status, 2) << args[0];
    EXPECT_NE(parsed.err.find("capcode-programmer: "), std::string::npos) << parsed.err;
    EXPECT_NE(parsed.err.find("Try 'capcode-programmer --help'."), std::string::npos);
  }
}

}  // namespace
}  // namespace capcode::ui
