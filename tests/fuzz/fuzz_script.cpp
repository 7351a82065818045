// The script runner over arbitrary command text, against a simulated port. Commands that reach
// the file system (open, save, answer, image load and save) are left out: the fuzzer must not
// write files wherever its input says.

#include <cstdint>
#include <sstream>
#include <string>

#include "cli/script_runner.hpp"
#include "core/file_io.hpp"
#include "core/image.hpp"
#include "fuzz_support.hpp"

using namespace capcode;

namespace {

bool touchesFiles(const std::string& line) {
  for (const char* word : {"open", "save", "answer", "image load", "image save"}) {
    if (line.rfind(word, 0) == 0) return true;
  }
  return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size > 4096) return 0;
  std::istringstream raw(std::string(reinterpret_cast<const char*>(data), size));
  std::string script;
  for (std::string line; std::getline(raw, line);) {
    if (!touchesFiles(line)) script += line + "\n";
  }
  ScriptOptions options;
  options.bare = size > 0 && (data[0] & 1) != 0;  // half the runs skip the start-up: faster
  options.dataDirectory = CAPCODE_SOURCE_DATA_DIR;
  options.decimalMark = '.';
  static const std::string pager = [] {
    const std::string path = fuzz::scratchFolder() + "/pager.eep";
    const Image& image = defaultImageB();
    if (!writeFileAtomically(path, {image.begin(), image.end()}).empty()) std::abort();
    return path;
  }();
  options.hardware.simLptImage = pager;
  std::ostringstream out;
  std::ostringstream err;
  std::istringstream in(script);
  ScriptRunner runner(out, err, options);
  runner.run(in);
  return 0;
}
