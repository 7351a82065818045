#include "production/simulation/scenario.hpp"

#include <algorithm>

#include "link/usb_protocol.hpp"

namespace capcode::sim {

std::uint64_t Draw::next() {
  // splitmix64
  std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
  return z ^ (z >> 31);
}

std::string revisionName(std::uint8_t revision) {
  return revision == 0 ? "HW-A2" : revision == 1 ? "HW-A3" : "HW-B";
}

namespace {

constexpr int kReportsPerPagerRead = 128;  // the read before the write and the verify
constexpr int kReportsPerPagerWrite = 64;

// Rows far apart, each in a frame of its own choosing; on HW-A the led rows share their
// leader's frame (now and then not, which the rules must refuse before anything is written).
void drawRows(Draw& draw, Scenario& s) {
  const std::int32_t base = 100000 + 8 * draw.between(0, 200000);
  const int frameA = draw.below(8);
  const int frameB = draw.below(8);
  for (int row = 1; row <= 8; ++row) {
    RowSetting& r = s.rows[row];
    int frame = draw.below(8);
    if (s.revision != 2 && !draw.chance(5)) {
      if (row <= 2) frame = frameA;
      if (row >= 3 && row <= 6) frame = frameB;
    }
    r.capcode = base + 4000 * (row - 1) + frame;
    r.enabled = row == 1 ? !draw.chance(3) : draw.chance(45);
    r.step = row == 1 ? draw.between(draw.chance(90) ? 1 : 0, 8)
                      : (draw.chance(30) ? draw.between(1, 8) : 0);
  }
}

// A list naming some of the enabled rows (rarely one that is not, or a row the revision lacks),
// one pager a line, with a reference column.
void drawList(Draw& draw, Scenario& s, int lines) {
  std::vector<int> named;
  for (int row = 1; row <= 8; ++row) {
    if (s.rows[row].enabled && (row == 1 || draw.chance(50))) named.push_back(row);
  }
  if (named.empty() || draw.chance(5)) named.push_back(draw.between(1, 8));
  s.named = named;
  std::string header;
  for (const int row : named)
    header += "row" + std::to_string(row) + ",";
  s.listText = header + "order\n";
  auto line = [&](int k) {
    std::string text;
    for (const int row : named) {
      std::int32_t c = s.rows[row].capcode + 2000 + 8 * k;
      if (draw.chance(2)) c += 1;  // a frame the rules may refuse
      text += std::to_string(c) + ",";
    }
    return text + "PO-" + std::to_string(k) + "\n";
  };
  for (int k = 0; k < lines; ++k)
    s.listText += line(k);
  if (draw.chance(3)) s.listText += line(draw.below(lines));  // a line repeated
  s.extraLine = line(lines);
}

KillPoint drawReport(Draw& draw, int boxes, int pagersPerBox) {
  KillPoint point;
  point.box = draw.between(1, boxes);
  if (draw.chance(50)) {
    point.command = kCommandWriteBlock;
    point.ordinal = static_cast<unsigned>(draw.between(1, kReportsPerPagerWrite * pagersPerBox));
  } else {
    point.command = kCommandReadBlock;
    const int pager = draw.between(1, pagersPerBox);
    // Often the last report of a pager's verify: written and checked, not yet completed.
    point.ordinal = static_cast<unsigned>(draw.chance(30)
                                              ? kReportsPerPagerRead * pager
                                              : draw.between(1, kReportsPerPagerRead * pager));
  }
  return point;
}

std::string faultAt(Draw& draw, int boxes, int pagersPerBox) {
  static const char* const kReplies[] = {"A", "B", "C", "D", "silent", "unplug", "late"};
  const std::string box = "box" + std::to_string(draw.between(1, boxes)) + ":";
  if (draw.chance(15)) return box + "flip:" + std::to_string(draw.below(2048));  // verify fails
  const KillPoint at = drawReport(draw, 1, pagersPerBox);
  return box + (at.command == kCommandWriteBlock ? "write:" : "read:") +
         std::to_string(at.ordinal) + ":" + kReplies[draw.below(7)];
}

}  // namespace

Scenario makeScenario(std::uint64_t seed) {
  Draw draw(seed);
  Scenario s;
  s.seed = seed;
  s.revision = static_cast<std::uint8_t>(draw.below(3));
  drawRows(draw, s);
  s.order = static_cast<Order>(draw.below(4));
  s.stations = draw.between(1, 3);
  if (s.listed()) drawList(draw, s, draw.between(2, 8));
  const int runs = draw.between(1, 4);
  int pagersLeft = 8;
  for (int r = 0; r < runs && pagersLeft > 0; ++r) {
    RunPlan run;
    run.station = draw.between(1, s.stations);
    const bool windowMay = s.order == Order::Steps || s.order == Order::SharedSteps;
    run.kind = windowMay && draw.chance(25) ? RunKind::Window : RunKind::Batch;
    run.boxes = run.kind == RunKind::Window ? 1 : (draw.chance(50) ? 1 : draw.between(2, 4));
    run.count = draw.between(1, std::min(pagersLeft, 4));
    if (s.listed()) run.countGiven = draw.chance(60);
    pagersLeft -= run.count;
    const bool ordered = s.order == Order::Steps || s.order == Order::List;
    run.resume = r > 0 && ordered && run.kind == RunKind::Batch && draw.chance(70);
    const int perBox = (run.count + run.boxes - 1) / run.boxes;
    if (draw.chance(30)) run.faults.push_back(faultAt(draw, run.boxes, perBox));
    if (draw.chance(25)) run.kill = drawReport(draw, run.boxes, perBox);
    for (int k = 0; k < 8; ++k)
      run.answers.push_back(draw.chance(30) ? 0 : 1);
    if (s.listed() && r > 0) {
      run.appendLine = draw.chance(20);
      run.crlf = draw.chance(10);
    }
    s.runs.push_back(run);
  }
  return s;
}

bool Scenario::sharedRow(int row, bool ledRowShared) const {
  const RowSetting& r = rows[row];
  if (!r.enabled) return false;
  if (listed()) return std::find(named.begin(), named.end(), row) == named.end();
  // Only rows 1-4 advance by their steps; HW-A has no rows 7-8 in its image.
  if (row > 6 || (row > 4 && revision == 2)) return true;
  const bool led = revision != 2 && (row == 2 || (row >= 4 && row <= 6));
  return led ? ledRowShared : r.step == 0;
}

std::string describe(const Scenario& s) {
  static const char* const kOrders[] = {"steps", "a capcode list", "a shared batch of steps",
                                        "a shared batch of a capcode list"};
  std::string text = "seed " + std::to_string(s.seed) + ": " + revisionName(s.revision) + ", " +
                     kOrders[static_cast<int>(s.order)] + ", " + std::to_string(s.stations) +
                     (s.stations == 1 ? " station" : " stations") + "\n  rows:";
  for (int row = 1; row <= 8; ++row) {
    const RowSetting& r = s.rows[row];
    text += " " + std::to_string(row) + "=" + std::to_string(r.capcode) + "/" +
            std::to_string(r.step) + (r.enabled ? "" : "(off)");
  }
  text += "\n";
  if (s.listed()) {
    text += "  list:\n    ";
    for (const char c : s.listText)
      text += c == '\n' ? std::string("\n    ") : std::string(1, c);
    text += "(appended later: " + s.extraLine.substr(0, s.extraLine.size() - 1) + ")\n";
  }
  for (std::size_t r = 0; r < s.runs.size(); ++r) {
    const RunPlan& run = s.runs[r];
    text += "  run " + std::to_string(r + 1) + ": station " + std::to_string(run.station) + ", " +
            (run.kind == RunKind::Window ? std::string("the window")
                                         : "a batch on " + std::to_string(run.boxes) +
                                               (run.boxes == 1 ? " box" : " boxes")) +
            ", " + (run.countGiven ? std::to_string(run.count) + " pagers" : "every line") +
            (run.resume ? ", --resume" : "");
    for (const std::string& fault : run.faults)
      text += ", --sim-fault " + fault;
    if (run.kill) {
      text += ", killed after box " + std::to_string(run.kill->box) + "'s " +
              (run.kill->command == kCommandWriteBlock ? "write" : "read") + " report " +
              std::to_string(run.kill->ordinal);
    }
    if (run.appendLine) text += ", a line appended to the list first";
    if (run.crlf) text += ", the list saved with CR LF first";
    if (run.kind == RunKind::Window) {
      text += ", answers";
      for (const int a : run.answers)
        text += " " + std::to_string(a);
    }
    text += "\n";
  }
  return text;
}

}  // namespace capcode::sim
