#include "cli/console_operator.hpp"

#include "production/batch_plan.hpp"

namespace capcode {

bool ConsoleOperator::nextPager(int pager, int count) {
  const std::string ofCount = std::to_string(pager) + " of " + std::to_string(count);
  io_.err << "Insert pager " << ofCount << " and press Enter (q to stop)" << std::endl;
  std::string reply;
  if (!std::getline(io_.in, reply) || reply == "q") {
    io_.err << "\nStopped before pager " << ofCount << ".\n";
    return false;
  }
  return true;
}

std::string pagerLine(const PagerReport& report) {
  return "Pager " + std::to_string(report.pager) + " of " + std::to_string(report.count) + " " +
         std::string(resultName(report.result)) + ": " + describeCapcodes(report.addresses);
}

void ConsoleOperator::pagerDone(const PagerReport& report) {
  io_.out << pagerLine(report) << std::endl;
}

void ConsoleOperator::tell(std::string_view line) {
  io_.err << "capcode write: " << line << "\n";
}

}  // namespace capcode
