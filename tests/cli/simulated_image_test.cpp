// Trying the tool without a programmer: a simulated image that does not exist yet is a
// factory-fresh pager, and it is there afterwards with what was written to it.

#include <gtest/gtest.h>

#include <filesystem>

#include "support/run_capcode.hpp"
#include "support/startup_configuration.hpp"
#include "support/temp_folder.hpp"

namespace capcode {
namespace {

using namespace test;  // capcode, saveStartup, fileBytes, TempFolder, ...

// What a new pager holds: the started program's configuration as File > Save writes it.
std::vector<std::uint8_t> factoryBytes() {
  TempFolder folder;
  const std::string saved = folder / "saved.eep";
  saveStartup(saved);
  return fileBytes(saved);
}

TEST(SimulatedImage, AMissingOneIsReadAsAFactoryFreshPagerAndWrittenBack) {
  TempFolder folder;
  for (const char* box : {"--sim-usb", "--sim-lpt"}) {
    const std::string pager = folder / (std::string(box + 6) + ".eep");
    const std::string saved = folder / (std::string(box + 6) + "-read.eep");
    const Outcome read = capcode({"read", saved, box, pager, "--data-dir", kSourceData});
    EXPECT_EQ(read.status, 0) << box << ": " << read.out << read.err;
    // A new pager of the board generation the program works with: nothing needs correcting.
    EXPECT_TRUE(has(read.out, "Read completed")) << read.out;
    EXPECT_FALSE(has(read.out, "range")) << box << ": " << read.out;
    EXPECT_EQ(fileBytes(saved), factoryBytes()) << box;
    EXPECT_EQ(fileBytes(pager), factoryBytes()) << box;
  }
}

TEST(SimulatedImage, AWriteToAMissingOneLeavesTheWrittenPager) {
  TempFolder folder;
  const std::string config = folder / "order.eep";
  const std::string pager = folder / "pager.eep";
  ASSERT_TRUE(saveStartup(config));
  const Outcome write =
      capcode({"write", config, "--sim-usb", pager, "--no-ledger", "--data-dir", kSourceData});
  EXPECT_EQ(write.status, 0) << write.out << write.err;
  EXPECT_TRUE(has(write.out, "Verify OK !")) << write.out;
  // The written pager keeps the factory's hardware bytes that the write read back first.
  const auto written = fileBytes(pager);
  ASSERT_EQ(written.size(), 2048u);
  EXPECT_NE(written, factoryBytes());
}

TEST(SimulatedImage, APathInAFolderThatDoesNotExistIsAUsageError) {
  TempFolder folder;
  const std::string pager = folder / "missing/pager.eep";
  const Outcome read =
      capcode({"read", folder / "out.eep", "--sim-usb", pager, "--data-dir", kSourceData});
  EXPECT_EQ(read.status, 2);
  EXPECT_TRUE(has(read.err, "cannot read the simulated image " + pager)) << read.err;
  EXPECT_FALSE(std::filesystem::exists(folder / "missing"));
}

TEST(SimulatedImage, TheHelpSaysWhatAMissingImageIs) {
  for (const char* command : {"read", "write", "script"}) {
    const Outcome help = capcode({command, "--help"});
    EXPECT_TRUE(has(help.out, "An IMAGE that does not exist yet starts as a factory-fresh pager"))
        << command;
  }
}

}  // namespace
}  // namespace capcode
