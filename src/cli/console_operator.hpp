#pragma once
// The person at the terminal running `capcode write`: asked for each next pager on standard
// error (Enter goes on, q or the end of input stops), each pager's result printed as one line
// on standard output, every other word of the batch on standard error.

#include "cli/commands.hpp"
#include "cli/console_feedback.hpp"
#include "production/production_operator.hpp"

namespace capcode {

// "Pager 3 of 10 verified: 1=2004000 2=2004008": one pager's result line.
std::string pagerLine(const PagerReport& report);

class ConsoleOperator final : public ProductionOperator {
 public:
  explicit ConsoleOperator(CommandIo& io) : io_(io), feedback_(io.out, io.err, io.errIsTerminal) {}

  Feedback& feedback() override { return feedback_; }
  bool nextPager(int pager, int count) override;
  void pagerDone(const PagerReport& report) override;
  void tell(std::string_view line) override;

 private:
  CommandIo& io_;
  ConsoleFeedback feedback_;
};

}  // namespace capcode
