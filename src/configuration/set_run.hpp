#pragma once
// Editing a configuration file as a person edits it in the window (`capcode set`): the file is
// opened as File > Open opens it, each NAME=VALUE is made as a person makes it, and the bytes a
// save encodes are written only when every edit was accepted, was not adjusted (unless asked)
// and reads back from those bytes as asked. Bytes the edits do not carry keep the file's value.

#include <istream>
#include <ostream>
#include <string>
#include <vector>

#include "configuration/opened_configuration.hpp"
#include "core/feedback.hpp"

namespace capcode {

struct SetRequest {
  std::string file;                      // "-": standard input
  std::vector<std::string> assignments;  // NAME=VALUE, made in this order
  std::string output;                    // where to save: empty for `file`, "-" for `out`
  bool adjust = false;                   // accept values the window adjusts on purpose
  OpenOptions open;
};

struct SetStreams {
  std::istream& in;  // standard input, for a file "-"
  int inFd = -1;     // its descriptor when it is the process's own (a time limit holds), or -1
  std::ostream& out;  // the image when saving to "-"
  std::ostream& err;  // why an edit was refused or adjusted, each line "capcode set: ..."
};

enum class SetResult {
  Saved,
  Refused,  // an edit refused, adjusted or not kept; the file cannot be opened or saved
  Usage,    // an assignment without =, an unknown control name
};

// `person` hears the status log of the open and of the rules, their messages and notices.
// Nothing is written unless the result is Saved. Throws std::runtime_error when the program
// cannot start or a stream cannot be kept for the open.
SetResult setConfiguration(const SetRequest& request, const SetStreams& io, Feedback& person);

}  // namespace capcode
