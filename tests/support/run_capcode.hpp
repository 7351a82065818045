#pragma once
// `capcode ARGS...` run in-process with its standard input given and its output kept.

#include <sstream>
#include <string>
#include <vector>

#include "cli/commands.hpp"
#include "support/text_search.hpp"

namespace capcode::test {

struct Outcome {
  int status = -1;
  std::string out;
  std::string err;
};

inline Outcome capcode(const std::vector<std::string>& args, const std::string& input = "") {
  std::istringstream in(input);
  std::ostringstream out;
  std::ostringstream err;
  CommandIo io{in, out, err, false};
  Outcome o;
  o.status = runCapcode(args, io);
  o.out = out.str();
  o.err = err.str();
  return o;
}

}  // namespace capcode::test
