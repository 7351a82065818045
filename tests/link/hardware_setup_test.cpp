// The simulated programmers' image files: an image that does not exist yet is a pager straight
// from the factory, written back at the end; a path that cannot become a file is refused.

#include "link/hardware_setup.hpp"

#include <gtest/gtest.h>

#include <filesystem>

#include "support/temp_folder.hpp"

namespace capcode {
namespace {

using test::fileBytes;
using test::TempFolder;

enum class Box { Usb, Lpt };

// A pager from the factory that no other image is mistaken for.
Image freshPager() {
  Image image;
  for (std::size_t i = 0; i < image.size(); ++i)
    image[i] = static_cast<std::uint8_t>(i * 7 + 3);
  return image;
}

HardwareOptions simulated(Box box, const std::string& path) {
  HardwareOptions options;
  (box == Box::Usb ? options.simUsbImage : options.simLptImage) = path;
  options.factoryFreshPager = freshPager;
  return options;
}

std::vector<std::uint8_t> memoryOf(HardwareSetup& setup, Box box) {
  if (box == Box::Usb) {
    const auto& memory = setup.simulatedBox()->eeprom;
    return {memory.begin(), memory.end()};
  }
  const auto& memory = setup.simulatedPort()->chip.memory;
  return {memory.begin(), memory.end()};
}

class MissingImage : public ::testing::TestWithParam<Box> {};

TEST_P(MissingImage, StartsFactoryFreshAndIsWrittenAtTheEnd) {
  TempFolder folder;
  const std::string path = folder / "new.eep";
  HardwareSetup setup(simulated(GetParam(), path));
  const Image fresh = freshPager();
  const std::vector<std::uint8_t> expected(fresh.begin(), fresh.end());
  EXPECT_EQ(memoryOf(setup, GetParam()), expected);
  EXPECT_FALSE(std::filesystem::exists(path)) << "nothing is written before the end";
  EXPECT_EQ(setup.saveSimulatedImages(), "");
  EXPECT_EQ(fileBytes(path), expected);
}

TEST_P(MissingImage, AnExistingImageIsLoadedAsItIs) {
  TempFolder folder;
  const std::string path = folder / "old.eep";
  test::writeBytes(path, std::vector<std::uint8_t>(2048, 0x5A));
  HardwareSetup setup(simulated(GetParam(), path));
  EXPECT_EQ(memoryOf(setup, GetParam()), std::vector<std::uint8_t>(2048, 0x5A));
}

// Where no file can be made, the option is refused before anything starts.
TEST_P(MissingImage, AFolderThatDoesNotExistOrAFolderAsTheImageIsRefused) {
  TempFolder folder;
  for (const std::string& path : {folder / "nowhere/new.eep", folder.path()}) {
    try {
      HardwareSetup setup(simulated(GetParam(), path));
      ADD_FAILURE() << path << " was taken as an image";
    } catch (const std::runtime_error& e) {
      EXPECT_EQ(std::string(e.what()), "cannot read the simulated image " + path);
    }
  }
  EXPECT_FALSE(std::filesystem::exists(folder / "nowhere"));
}

TEST_P(MissingImage, IsAnErrorWhereNoFactoryPagerIsGiven) {
  TempFolder folder;
  HardwareOptions options = simulated(GetParam(), folder / "new.eep");
  options.factoryFreshPager = nullptr;
  EXPECT_THROW(HardwareSetup{options}, std::runtime_error);
}

INSTANTIATE_TEST_SUITE_P(Boxes, MissingImage, ::testing::Values(Box::Usb, Box::Lpt),
                         [](const auto& info) { return info.param == Box::Usb ? "Usb" : "Lpt"; });

}  // namespace
}  // namespace capcode
