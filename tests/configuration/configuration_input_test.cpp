// A configuration named on the command line is read whole, with a bound and a time limit.

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <sstream>
#include <thread>

#include "configuration/configuration_input.hpp"
#include "support/temp_folder.hpp"

namespace capcode {
namespace {

// Nothing waits forever on a pipe: a writer that opens and never writes is given up.
TEST(ConfigurationInput, AStreamSilentForTheTimeLimitIsGivenUp) {
  test::TempFolder folder;
  const std::string fifo = folder / "silent";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  std::thread writer([&] {
    const int fd = ::open(fifo.c_str(), O_WRONLY);
    std::this_thread::sleep_for(std::chrono::milliseconds(800));
    if (fd >= 0) ::close(fd);
  });
  std::istringstream none;
  std::string error;
  const auto start = std::chrono::steady_clock::now();
  const auto input =
      readConfigurationInput(fifo, none, -1, InputLimits{std::chrono::milliseconds(200)}, error);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(700));
  writer.join();
  EXPECT_FALSE(input);
  EXPECT_TRUE(error.find(fifo + ": nothing arrived for") != std::string::npos) << error;
}

}  // namespace
}  // namespace capcode
