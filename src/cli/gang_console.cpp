#include "cli/gang_console.hpp"

#include "cli/console_operator.hpp"

namespace capcode {

namespace {

// What one box's program shows, as lines prefixed with the box.
class BoxFeedback final : public Feedback {
 public:
  BoxFeedback(GangConsole& console, int number)
      : console_(console), prefix_("box " + std::to_string(number) + ": ") {}

  void log(std::string_view line) override { say(console_.io().out, line); }
  void beep() override {}
  void focus(std::string_view) override {}
  void message(std::string_view text) override {
    console_.print(console_.io().err, "capcode: " + prefix_ + std::string(text) + "\n");
  }
  void errorNotice(std::string_view text) override {
    console_.print(console_.io().err, "capcode: error: " + prefix_ + std::string(text) + "\n");
  }
  void progressShown(std::string_view caption) override { startProgress(caption); }
  void progressCaption(std::string_view caption) override { startProgress(caption); }
  void progressMoved(int position, int maximum) override {
    // Bars drawn in place would overwrite each other: each quarter is a line of its own.
    if (!console_.errIsTerminal() || maximum <= 0 || position < 0) return;
    const int quarter = std::min(position, maximum) * 4 / maximum;
    if (quarter <= quarter_) return;
    quarter_ = quarter;
    say(console_.io().err, caption_ + " " + std::to_string(quarter * 25) + "%");
  }

 private:
  void say(std::ostream& out, std::string_view line) {
    console_.print(out, prefix_ + std::string(line) + "\n");
  }
  void startProgress(std::string_view caption) {
    caption_ = caption;
    quarter_ = 0;
  }

  GangConsole& console_;
  std::string prefix_;
  std::string caption_;
  int quarter_ = 0;
};

class BoxConsole final : public ProductionOperator {
 public:
  BoxConsole(GangConsole& console, int number)
      : console_(console), number_(number), feedback_(console, number) {}
  Feedback& feedback() override { return feedback_; }
  bool nextPager(int, int) override { return true; }  // the rounds are asked for by the gang
  void pagerDone(const PagerReport& report) override {
    console_.print(console_.io().out,
                   "Box " + std::to_string(number_) + ": " + pagerLine(report) + "\n");
  }
  void tell(std::string_view line) override {
    console_.print(console_.io().err, "capcode write: box " + std::to_string(number_) + ": " +
                                          std::string(line) + "\n");
  }

 private:
  GangConsole& console_;
  int number_;
  BoxFeedback feedback_;
};

}  // namespace

void GangConsole::print(std::ostream& out, const std::string& text) {
  const std::lock_guard<std::mutex> lock(lines_);
  out << text << std::flush;
}

std::unique_ptr<ProductionOperator> GangConsole::box(int number) {
  return std::make_unique<BoxConsole>(*this, number);
}

bool GangConsole::nextRound(int round, int lastBox) {
  print(io_.err, lastBox == 1 ? "Insert a pager in box 1 and press Enter (q to stop)\n"
                              : "Insert pagers in boxes 1-" + std::to_string(lastBox) +
                                    " and press Enter (q to stop)\n");
  std::string reply;
  if (!std::getline(io_.in, reply) || reply == "q") {
    print(io_.err, "\nStopped before round " + std::to_string(round) + ".\n");
    return false;
  }
  return true;
}

void GangConsole::tell(std::string_view line) {
  print(io_.err, "capcode write: " + std::string(line) + "\n");
}

}  // namespace capcode
