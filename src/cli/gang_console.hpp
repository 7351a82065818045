#pragma once
// The person at the terminal running `capcode write` on several boxes: every line a box prints
// is prefixed with its number and kept whole (the boxes work on threads of their own), each
// box's progress is a line of its own at every quarter on a terminal, and each round after the
// first is asked for on standard error (Enter goes on, q or the end of input stops).

#include <memory>
#include <mutex>

#include "cli/commands.hpp"
#include "production/gang_batch.hpp"

namespace capcode {

class GangConsole final : public GangOperator {
 public:
  explicit GangConsole(CommandIo& io) : io_(io) {}

  std::unique_ptr<ProductionOperator> box(int number) override;
  bool nextRound(int round, int lastBox) override;
  void tell(std::string_view line) override;

  // Writes `text` to `out` whole, while no other box writes (a flush ends it).
  void print(std::ostream& out, const std::string& text);
  bool errIsTerminal() const { return io_.errIsTerminal; }
  CommandIo& io() { return io_; }

 private:
  CommandIo& io_;
  std::mutex lines_;
};

}  // namespace capcode
